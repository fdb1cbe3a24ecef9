// The main window's commands with every window of the program, against a real database, offscreen:
// menus and toolbar, the modal windows, sticky notes, calculator, the Edit actions, F1 and Space,
// the clock, and a restore that the grids show.
#include "About.h"
#include "App.h"
#include "Clock.h"
#include "ContactPages.h"
#include "DBGridEh.h"
#include "FileNameEdit.h"
#include "FormMain.h"
#include "FormTools.h"
#include "GroupTree.h"
#include "LetterBar.h"
#include "MainActions.h"
#include "MessageBoxes.h"
#include "RecordingComm.h"
#include "StickyMarks.h"
#include "TestDatabase.h"
#include "ToolsRun.h"

#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <functional>

using testdb::Folder;
using testdb::RecordedUi;

namespace {

// Runs check on the next modal window that opens, then closes it.
void onNextModal(std::function<void(QWidget*)> check) {
    QTimer::singleShot(0, [check] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            onNextModal(check);
            return;
        }
        check(modal);
        if (auto* d = qobject_cast<QDialog*>(modal))
            d->reject();
        else
            modal->close();
    });
}

QStringList menuTexts(const QList<QAction*>& actions) {
    QStringList t;
    for (QAction* a : actions)
        t << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return t;
}

} // namespace

class TstAppGui : public QObject {
    Q_OBJECT
    std::unique_ptr<Folder> folder_;
    std::unique_ptr<KorvaneApp> app_;
    QStringList shown_;

    TFormMain& main() { return app_->main(); }
    QAction* act(const char* name) { return main().action(QString::fromLatin1(name)); }

private Q_SLOTS:
    void init() {
        shown_.clear();
        msgbox::setResponder([this](const msgbox::Shown& s) {
            shown_ << s.text;
            return QMessageBox::Ok;
        });
        folder_ = std::make_unique<Folder>();
        app_ = std::make_unique<KorvaneApp>();
        main().show();
        QVERIFY(QTest::qWaitForWindowExposed(&main()));
    }
    void cleanup() {
        app_.reset();
        folder_.reset();
    }

    void mainMenuInOrder() {
        QMenuBar* bar = main().menuBar();
        QCOMPARE(menuTexts(bar->actions()),
                 (QStringList{"Редактор", "Планировщик", "Справочники", "Поиск", "Липкие заметки", "Инструменты",
                              "Язык", "О программе", "Обмен", "Закрыть"}));
        QCOMPARE(menuTexts(bar->actions().at(0)->menu()->actions()),
                 (QStringList{"Копировать", "Вставить", "Вырезать", "Выделить всё", "Удалить", "Отменить",
                              "Добавить запись", "Изменить запись", "Удалить запись", "Поиск", "Все записи"}));
        QCOMPARE(menuTexts(bar->actions().at(1)->menu()->actions()),
                 (QStringList{"Планировщик", "Добавить", "Редактировать", "Задача"}));
        QCOMPARE(menuTexts(bar->actions().at(2)->menu()->actions()),
                 (QStringList{"Должность", "Род деятельности", "Организационно-правовая форма"}));
        QCOMPARE(menuTexts(bar->actions().at(6)->menu()->actions()), (QStringList{"Английский", "Русский"}));
        auto* popup = main().findChild<QMenu*>(QStringLiteral("RxPopupMenu"));
        QVERIFY(popup);
        QCOMPARE(menuTexts(popup->actions()),
                 (QStringList{"Копировать", "Скрыть ", "Показать все столбцы", "Delete record"}));
    }

    // The twelve toolbar buttons, each with a picture of the one theme the program sets, all of one size.
    void toolbarFromOneTheme() {
        auto* bar = main().findChild<QToolBar*>(QStringLiteral("SpeedBar1"));
        QVERIFY(bar);
        QStringList captions;
        for (QAction* a : bar->actions()) {
            captions << a->text();
            const QString icon = mainactions::toolbarIconName(a->objectName());
            QVERIFY2(!icon.isEmpty(), qPrintable(a->objectName()));
            QVERIFY2(QIcon::hasThemeIcon(icon), qPrintable(icon));
            QVERIFY2(!a->icon().isNull(), qPrintable(a->objectName()));
            // Every picture fills the bar's 32 pixels: some theme pictures exist only at 24 and 48,
            // and a bar of 24- and 32-pixel pictures looks uneven.
            QCOMPARE(a->icon().pixmap(bar->iconSize()).size(), bar->iconSize());
        }
        QCOMPARE(captions, (QStringList{"Добавить запись", "Изменить запись", "Удалить запись", "Поиск", "Печать",
                                        "Звонок", "Excel", "HTML", "Настройки", "О программе", "Справка", "Закрыть"}));
        QCOMPARE(QIcon::themeName(), QStringLiteral("Adwaita"));
    }

    // Every action of the list is reachable from the menu bar, a menu, the toolbar or the grid popup.
    void everyActionReachable() {
        QSet<QAction*> reachable;
        std::function<void(const QList<QAction*>&)> collect = [&](const QList<QAction*>& list) {
            for (QAction* a : list) {
                reachable << a;
                if (a->menu())
                    collect(a->menu()->actions());
            }
        };
        collect(main().menuBar()->actions());
        collect(main().findChild<QToolBar*>(QStringLiteral("SpeedBar1"))->actions());
        collect(main().findChild<QMenu*>(QStringLiteral("RxPopupMenu"))->actions());
        for (QAction* a : main().findChildren<QAction*>()) {
            if (a->objectName().isEmpty() || a->parent() != &main() || a->objectName().endsWith("Item"))
                continue;
            bool found = reachable.contains(a);
            // Items of their own forward to the action (menu-bar commands, "Скрыть ").
            for (QAction* r : reachable)
                if (r->objectName() == a->objectName() + "Item" ||
                    (a->objectName() == "acHideCurColumn" && r->objectName() == "RxPopupMenuHideItem"))
                    found = true;
            QVERIFY2(found, qPrintable(a->objectName()));
        }
    }

    // The options, backup and about windows open modally from their commands.
    void modalWindows_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("caption");
        QTest::newRow("options from the toolbar") << "acOptionsShow"
                                                  << "FormOptions"
                                                  << "Настройка";
        QTest::newRow("tools from the menu bar") << "acToolsItem"
                                                 << "FormTools"
                                                 << "Tools";
        QTest::newRow("about from the toolbar") << "acAbout"
                                                << "FormAbout"
                                                << "О программе";
        QTest::newRow("about from the menu bar") << "acAboutItem"
                                                 << "FormAbout"
                                                 << "О программе";
        QTest::newRow("search from the menu bar") << "acSearchItem"
                                                  << "FormSearch"
                                                  << "Поиск";
    }
    void modalWindows() {
        QFETCH(QString, action);
        QFETCH(QString, window);
        QFETCH(QString, caption);
        QString opened, title;
        bool modal = false;
        onNextModal([&](QWidget* w) {
            opened = w->objectName();
            title = w->windowTitle();
            modal = w->isModal() || w->windowModality() != Qt::NonModal;
        });
        QAction* a = main().findChild<QAction*>(action);
        QVERIFY(a);
        if (auto* bar = main().findChild<QToolBar*>(QStringLiteral("SpeedBar1")); bar->actions().contains(a))
            QTest::mouseClick(bar->widgetForAction(a), Qt::LeftButton);
        else
            a->trigger();
        QCOMPARE(opened, window);
        QCOMPARE(title, caption);
        QVERIFY(modal);
    }

    // The about window: the bottom picture animates only under the mouse and closes the window; the
    // mail and web lines and the top picture go to the desktop.
    void aboutWindow() {
        RecordingShell shell;
        auto* about = main().findChild<TFormAbout*>();
        QVERIFY(about);
        bool bottomStill = false, bottomUnderMouse = false, bottomLeft = false, topRuns = false, closed = false;
        onNextModal([&](QWidget*) {
            topRuns = about->ImageTop->animating();
            bottomStill = !about->ImageBottom->animating();
            QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
            QApplication::sendEvent(about->ImageBottom, &enter);
            bottomUnderMouse = about->ImageBottom->animating();
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(about->ImageBottom, &leave);
            bottomLeft = !about->ImageBottom->animating();
            Q_EMIT about->LabelMail->linkActivated(QStringLiteral("#"));
            Q_EMIT about->LabelWeb->linkActivated(QStringLiteral("#"));
            QTest::mouseClick(about->ImageTop, Qt::LeftButton);
            QTest::mouseClick(about->ImageBottom, Qt::LeftButton);
            closed = !about->isVisible();
        });
        act("acAbout")->trigger();
        QVERIFY(topRuns);
        QVERIFY(bottomStill);
        QVERIFY(bottomUnderMouse);
        QVERIFY(bottomLeft);
        QVERIFY(closed);
        QCOMPARE(shell.executed, (QStringList{"mailto:" + TFormAbout::kMail, TFormAbout::kWeb, TFormAbout::kWeb}));
    }

    // Three notes are three windows at the desktop's centre; "X" hides one, the others stay.
    void threeStickyNotes() {
        for (int i = 0; i < 3; ++i)
            main().findChild<QAction*>(QStringLiteral("acStickyMarksItem"))->trigger();
        const auto notes = main().findChildren<TFormStickyMarks*>();
        QCOMPARE(notes.size(), 3);
        QVERIFY(!QApplication::activeModalWidget());
        for (TFormStickyMarks* n : notes) {
            QVERIFY(n->isVisible());
            QVERIFY(n->isWindow());
            QCOMPARE(n->size(), QSize(142, 116));
            QCOMPARE(n->pos(), notes.first()->pos());
            QVERIFY(n->windowFlags() & Qt::FramelessWindowHint);
            QVERIFY(n->windowFlags() & Qt::WindowStaysOnTopHint);
            QVERIFY(n->Memo1->toPlainText().isEmpty());
        }
        QTest::mouseClick(notes[1]->CloseBox, Qt::LeftButton);
        QVERIFY(!notes[1]->isVisible());
        QVERIFY(notes[0]->isVisible() && notes[2]->isVisible());
        // Dragged by the top strip.
        const QPoint before = notes[0]->pos();
        QTest::mousePress(notes[0], Qt::LeftButton, {}, QPoint(10, 10));
        QMouseEvent move(QEvent::MouseMove, QPointF(40, 30), notes[0]->mapToGlobal(QPointF(40, 30)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(notes[0], &move);
        QTest::mouseRelease(notes[0], Qt::LeftButton, {}, QPoint(40, 30));
        QCOMPARE(notes[0]->pos(), before + QPoint(30, 20));
    }

    void calculatorOnStatusBarDoubleClick() {
        QString opened;
        onNextModal([&](QWidget* w) { opened = w->windowTitle(); });
        QTest::mouseDClick(main().statusPanel(2), Qt::LeftButton);
        QCOMPARE(opened, QStringLiteral("Calculator"));
        opened.clear();
        onNextModal([&](QWidget* w) { opened = w->windowTitle(); });
        QTest::mouseDClick(main().statusBar(), Qt::LeftButton, {}, QPoint(main().statusBar()->width() - 5, 5));
        QCOMPARE(opened, QStringLiteral("Calculator"));
    }

    // The clock panel keeps running while a modal window is open; no time-zone name in it.
    void clockWhileModal() {
        QLabel* clock = main().statusPanel(0);
        QVERIFY(!clock->text().isEmpty());
        const QString format = statusclock::withoutTimeZone(QLocale::system().timeFormat(QLocale::LongFormat));
        QVERIFY2(QLocale::system().toTime(clock->text(), format).isValid(), qPrintable(clock->text()));
        QVERIFY(!clock->text().contains(QStringLiteral("UTC")));
        bool ticked = false;
        onNextModal([&](QWidget*) {
            clock->setText(QStringLiteral("-"));
            ticked = QTest::qWaitFor([&] { return clock->text() != QStringLiteral("-"); }, 5000);
        });
        act("acAbout")->trigger();
        QVERIFY(ticked);
        QVERIFY(!main().statusPanel(1)->text().isEmpty());
    }

    // Disabled without a focused text box; with one, each acts on it.
    void editActions() {
        QWidget* grid = main().PageControl1->DBGridEh1;
        auto* box = new QLineEdit(main().centralWidget());
        box->show();
        const char* names[] = {"EditCopy1", "EditPaste1", "EditCut1", "EditSelectAll1", "EditDelete1", "EditUndo1"};
        main().activateWindow();
        grid->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), grid);
        for (const char* n : names)
            QVERIFY2(!act(n)->isEnabled(), n);

        box->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), box);
        QVERIFY(!act("EditSelectAll1")->isEnabled());
        box->setText(QStringLiteral("Иванов Пётр"));
        QVERIFY(act("EditSelectAll1")->isEnabled());
        QVERIFY(!act("EditCopy1")->isEnabled());
        act("EditSelectAll1")->trigger();
        QCOMPARE(box->selectedText(), box->text());
        QVERIFY(act("EditCopy1")->isEnabled() && act("EditCut1")->isEnabled() && act("EditDelete1")->isEnabled());
        act("EditCut1")->trigger();
        QCOMPARE(box->text(), QString());
        QVERIFY(act("EditPaste1")->isEnabled());
        act("EditPaste1")->trigger();
        act("EditPaste1")->trigger();
        QCOMPARE(box->text(), QStringLiteral("Иванов ПётрИванов Пётр"));
        QVERIFY(act("EditUndo1")->isEnabled());
        act("EditUndo1")->trigger();
        QCOMPARE(box->text(), QStringLiteral("Иванов Пётр"));
        box->setSelection(0, 7);
        act("EditDelete1")->trigger();
        QCOMPARE(box->text(), QStringLiteral("Пётр"));
        // Del without a selection deletes the next character, as in any text box.
        box->setCursorPosition(0);
        QVERIFY(!act("EditDelete1")->isEnabled());
        QTest::keyClick(box, Qt::Key_Delete);
        QCOMPARE(box->text(), QStringLiteral("ётр"));

        grid->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), grid);
        for (const char* n : names)
            QVERIFY2(!act(n)->isEnabled(), n);
    }

    // F1 opens the help document named by M020.
    void f1OpensHelp() {
        RecordingShell shell;
        main().PageControl1->DBGridEh1->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        QCOMPARE(shell.executed, QStringList{folder_->path() + QStringLiteral("Help/M020")});
        main().findChild<QAction*>(QStringLiteral("acHelp"))->trigger();
        QCOMPARE(shell.executed.size(), 2);
    }

    // Space inside the tree's in-place editor clears the list filter, presses "ВСЁ", and is typed.
    void spaceInTreeEditor() {
        Dataset& tab = *app_->dm().TabMain;
        tab.setFilterState(QStringLiteral("FAM starting with 'X'"), true);
        main().dfsToolBar3->letterButtons.at(3)->click();
        QVERIFY(main().dfsToolBar3->pressedButton() != main().dfsToolBar3->ToolButtonAll);
        QTreeWidget* tree = main().PanelLeft->TreeViewMain;
        QTreeWidgetItem* node = tree->topLevelItem(0);
        QVERIFY(node);
        main().activateWindow();
        tree->setFocus();
        tree->setCurrentItem(node);
        tree->editItem(node, 0);
        QLineEdit* editor = nullptr;
        QTRY_VERIFY((editor = tree->findChild<QLineEdit*>()) != nullptr && editor->isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), editor);
        editor->setText(QStringLiteral("Мои"));
        editor->end(false);
        QTest::keyClick(editor, Qt::Key_Space);
        QCOMPARE(editor->text(), QStringLiteral("Мои "));
        QVERIFY(!tab.filtered());
        QVERIFY(tab.filter().isEmpty());
        QCOMPARE(main().dfsToolBar3->pressedButton(), main().dfsToolBar3->ToolButtonAll);
    }

    // A restore over the live database from the backup window: the grids show the restored rows.
    void restoreShownInTheGrids() {
        TDM& dm = app_->dm();
        auto* tools = main().window()->findChild<TFormTools*>();
        if (!tools) {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* t = qobject_cast<TFormTools*>(w))
                    tools = t;
        }
        QVERIFY(tools);
        dm.TabMain->append();
        dm.TabMain->setValue(QStringLiteral("FAM"), QStringLiteral("Сохранённый"));
        dm.TabMain->post();
        tools->edtDataBaseName->setText(folder_->databasePath());
        tools->edtBackUpName->setText(folder_->path() + QStringLiteral("all.gbk"));
        tools->acBackupExecute();
        QVERIFY2(shown_.isEmpty(), qPrintable(shown_.join("|")));
        dm.TabMain->append();
        dm.TabMain->setValue(QStringLiteral("FAM"), QStringLiteral("Лишний"));
        dm.TabMain->post();
        QAbstractItemModel* model = main().PageControl1->DBGridEh1->model();
        QCOMPARE(model->rowCount(), 2);
        tools->edtResDataBaseName->setText(folder_->databasePath());
        tools->edtResBackUpName->setText(folder_->path() + QStringLiteral("all.gbk"));
        tools->acRestoreExecute();
        QVERIFY2(shown_.isEmpty(), qPrintable(shown_.join("|")));
        QCOMPARE(model->rowCount(), 1);
        const int fam = dm.TabMain->fieldByName(QStringLiteral("FAM")).index();
        QCOMPARE(dm.TabMain->value(0, fam).toString(), QStringLiteral("Сохранённый"));
    }
};

QTEST_MAIN(TstAppGui)
#include "tst_app_gui.moc"
