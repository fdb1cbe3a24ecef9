// Pictures of the main window, the contact editor, the settings, tools, scheduler and reference book
// windows and the group-delete question in English and in Russian, for looking at: writes
// /tmp/korvane-lang-shots/lang-*.png. Run under xvfb-run or offscreen.

#include "Edit.h"
#include "GroupTree.h"
#include "LanguageFixture.h"

#include <QDir>
#include <QMessageBox>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

const QString kShots = u"/tmp/korvane-lang-shots/"_s;

void save(QWidget* w, const QString& name) {
    QApplication::processEvents();
    w->grab().save(kShots + name + u".png"_s);
    std::printf("%s\n", qPrintable(kShots + name + u".png"_s));
}

void addContacts(Dataset& d) {
    const QStringList fam{u"Иванов"_s, u"Петрова"_s, u"Smith"_s, u"Кузнецов"_s, u"Ёлкин"_s, u"Brown"_s};
    for (int i = 0; i < 40; ++i) {
        d.append();
        d.setValue(u"FAM"_s, fam[i % fam.size()]);
        d.setValue(u"FIRST_NAME"_s, i % 2 ? u"Мария"_s : u"John"_s);
        d.setValue(u"JOB_ORG"_s, u"ООО «Вектор» %1"_s.arg(i % 7));
        d.setValue(u"JOB_POST"_s, u"Менеджер"_s);
        d.setValue(u"GR_NUM"_s, 1 + i % 6);
        d.setValue(u"JOB_TEL1"_s, u"+7 (495) 111-22-%1"_s.arg(10 + i));
        d.setValue(u"JOB_EMAIL"_s, u"user%1@example.com"_s.arg(i));
        d.setValue(u"BITHDAY"_s, QDate(1970 + i, 1 + i % 12, 1 + i % 28));
        d.post();
    }
    d.first();
}

} // namespace

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QDir().mkpath(kShots);
    langtest::Program program;
    program.setRemembered(u"EN"_s);
    program.start();
    addContacts(*program.dm().TabMain);
    TFormMain& main = program.main();
    main.resize(1180, 720);
    main.show();

    for (const QString& lang : {u"en"_s, u"ru"_s}) {
        if (lang == u"ru"_s)
            main.action(u"acSetLanguageRu"_s)->trigger();
        else
            main.action(u"acSetLanguageEng"_s)->trigger();
        QApplication::processEvents();
        save(&main, u"lang-main-"_s + lang);
        // The page with every column.
        auto* pages = main.findChild<QTabWidget*>(u"PageControl1"_s);
        const int current = pages->currentIndex();
        pages->setCurrentIndex(pages->count() - 1);
        // Scrolled to the group columns.
        if (auto* grid = pages->currentWidget()->findChild<QTableView*>()) {
            grid->horizontalScrollBar()->setValue(0);
            grid->scrollTo(grid->model()->index(0, 12), QAbstractItemView::EnsureVisible);
        }
        save(&main, u"lang-main-all-"_s + lang);
        pages->setCurrentIndex(current);

        // The editor on the current contact, each page.
        auto* edit = qobject_cast<TFormEdit*>(langtest::window(u"FormEdit"_s));
        QTimer::singleShot(0, edit, [edit, lang] {
            auto* tabs = edit->findChild<QTabWidget*>(u"PageControl1"_s);
            for (int i = 0; i < tabs->count(); ++i) {
                if (!tabs->isTabVisible(i))
                    continue;
                tabs->setCurrentIndex(i);
                save(edit, u"lang-edit-%1-"_s.arg(i) + lang);
            }
            tabs->setCurrentIndex(0);
            static_cast<QDialog*>(edit)->reject();
        });
        edit->execModal();

        // The windows whose captions must fit in both languages, each page.
        for (const QString& name : {u"FormOptions"_s, u"FormTools"_s, u"FormScheduler"_s, u"FormReferenceBook"_s}) {
            QWidget* w = langtest::window(name);
            if (w == nullptr)
                continue;
            w->show();
            if (auto* tabs = w->findChild<QTabWidget*>()) {
                for (int i = 0; i < tabs->count(); ++i) {
                    tabs->setCurrentIndex(i);
                    save(w, u"lang-%1-%2-"_s.arg(name).arg(i) + lang);
                }
            } else {
                save(w, u"lang-%1-"_s.arg(name) + lang);
            }
            w->hide();
        }

        // The question of the group delete, built as the program builds it.
        msgbox::setResponder([lang](const msgbox::Shown& shown) {
            QMessageBox box(QMessageBox::Question, shown.caption, shown.text,
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.show();
            save(&box, u"lang-group-delete-"_s + lang);
            return QMessageBox::No;
        });
        GroupTree& tree = *main.PanelLeft;
        QTreeWidgetItem* root = tree.TreeViewMain->topLevelItem(0);
        tree.TreeViewMain->expandItem(root);
        QApplication::processEvents();
        QTreeWidgetItem* last = root->child(root->childCount() - 1);
        tree.TreeViewMainMouseDown(tree.TreeViewMain->visualItemRect(last).center());
        tree.acTreeViewDelNodeExecute();
        msgbox::clearResponder();
        msgbox::setResponder([&program](const msgbox::Shown& shown) {
            program.boxes << shown;
            return QMessageBox::Cancel;
        });
    }
    for (const msgbox::Shown& b : program.boxes)
        std::printf("box: %s\n", qPrintable(b.text));
    return 0;
}
