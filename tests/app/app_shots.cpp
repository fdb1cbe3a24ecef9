// Writes pictures of the main window's commands to /tmp/korvane-shots: the options dialog, the
// backup window during and after a run, the about window, the calculator, two sticky notes over
// the main window and each main menu opened. Run under xvfb-run -a to see the windows together.
#include "About.h"
#include "App.h"
#include "Calculator.h"
#include "FileNameEdit.h"
#include "FormMain.h"
#include "FormOptions.h"
#include "FormTools.h"
#include "MessageBoxes.h"
#include "TestDatabase.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace {
const QString kOut = QStringLiteral("/tmp/korvane-shots/");

void settle(int ms = 300) {
    QTest::qWait(ms);
}

// The whole screen where there is one, else the window alone.
void shoot(QWidget* w, const QString& name) {
    settle();
    QPixmap pix;
    if (QGuiApplication::platformName() == QStringLiteral("xcb"))
        pix = QGuiApplication::primaryScreen()->grabWindow(0);
    else
        pix = w->grab();
    pix.save(kOut + name + QStringLiteral(".png"));
}

void shootModal(const QString& name, std::function<void()> open, std::function<void(QWidget*)> prepare = {}) {
    QTimer::singleShot(400, [name, prepare] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w)
            return;
        if (prepare)
            prepare(w);
        shoot(w, name);
        w->grab().save(kOut + name + QStringLiteral("-window.png"));
        if (auto* d = qobject_cast<QDialog*>(w))
            d->reject();
    });
    open();
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDir().mkpath(kOut);
    msgbox::setResponder([](const msgbox::Shown& s) {
        qWarning("message: %s", qPrintable(s.text));
        return QMessageBox::Ok;
    });
    testdb::Folder folder;
    auto korvane = std::make_unique<KorvaneApp>();
    TFormMain& main = korvane->main();
    TDM& dm = korvane->dm();
    const char* names[][2] = {{"Иванов", "Иван"}, {"Петрова", "Анна"}, {"Smith", "John"}, {"Сидоров", "Пётр"}};
    for (auto& n : names) {
        dm.TabMain->append();
        dm.TabMain->setValue(QStringLiteral("FAM"), QString::fromUtf8(n[0]));
        dm.TabMain->setValue(QStringLiteral("FIRST_NAME"), QString::fromUtf8(n[1]));
        dm.TabMain->post();
    }
    main.resize(1000, 640);
    main.show();
    settle(600);
    shoot(&main, QStringLiteral("main"));

    shootModal(QStringLiteral("options"), [&] { main.action(QStringLiteral("acOptionsShow"))->trigger(); });
    auto* tools = main.findChild<TFormTools*>();
    tools->edtResDataBaseName->setText(folder.databasePath());
    tools->edtResBackUpName->setText(folder.path() + QStringLiteral("phones.gbk"));
    tools->edtDataBaseName->setText(folder.databasePath());
    tools->edtBackUpName->setText(folder.path() + QStringLiteral("phones.gbk"));
    shootModal(QStringLiteral("tools-restore"), [&] { main.action(QStringLiteral("acTools"))->trigger(); });
    shootModal(
        QStringLiteral("tools-backup"), [&] { main.action(QStringLiteral("acTools"))->trigger(); },
        [tools](QWidget*) {
            tools->PageControl1->setCurrentWidget(tools->TabSheetBackup);
            tools->StatusBar1->showMessage(QStringLiteral("gbak: writing data for table MAIN"));
        });
    shootModal(QStringLiteral("about"), [&] { main.action(QStringLiteral("acAbout"))->trigger(); });
    shootModal(
        QStringLiteral("calculator"), [&] { main.StatusBar1DblClick(); },
        [](QWidget* w) { QTest::keyClicks(w, "12,5*4"); });

    main.action(QStringLiteral("acStickyMarks"))->trigger();
    main.action(QStringLiteral("acStickyMarks"))->trigger();
    const auto notes = main.findChildren<QWidget*>(QStringLiteral("FormStickyMarks"));
    if (notes.size() == 2) {
        notes[1]->move(notes[1]->pos() + QPoint(170, 40));
        if (auto* memo = notes[0]->findChild<QPlainTextEdit*>())
            memo->setPlainText(QStringLiteral("Позвонить Петровой в 15:00"));
    }
    shoot(&main, QStringLiteral("sticky-notes"));
    for (QWidget* n : notes)
        n->hide();

    const auto menus = main.menuBar()->actions();
    for (int i = 0; i < menus.size(); ++i) {
        QMenu* m = menus[i]->menu();
        if (!m)
            continue;
        main.menuBar()->setActiveAction(menus[i]);
        settle();
        shoot(&main, QStringLiteral("menu-%1").arg(m->objectName()));
        m->hide();
        settle(100);
    }
    korvane.reset();
    return 0;
}
