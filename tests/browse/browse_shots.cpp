// Pictures of the browse part of the main window with a few hundred contacts, for looking at:
// writes /tmp/korvane-shots/browse-*.png. Run offscreen: QT_QPA_PLATFORM=offscreen browse_shots

#include "ContactPages.h"
#include "DBGridEh.h"
#include "FormSearch.h"
#include "GroupTree.h"
#include "LetterBar.h"
#include "TestDatabase.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSplitter>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    testdb::Folder folder;
    testdb::RecordedUi ui;
    auto dm = folder.openDM(ui);
    Dataset& d = *dm->TabMain;
    const QStringList fam{u"Иванов"_s,   u"Петрова"_s, u"Сидоров"_s, u"Кузнецов"_s, u"Ёлкин"_s,
                          u"Смирнова"_s, u"O'Brien"_s, u"Фёдоров"_s, u"Яковлев"_s,  u"Белов"_s};
    const QStringList first{u"Иван"_s, u"Мария"_s, u"Пётр"_s, u"Анна"_s, u"Олег"_s};
    for (int i = 0; i < 300; ++i) {
        d.append();
        d.setValue(u"FAM"_s, fam[i % fam.size()] + (i >= fam.size() ? QString::number(i) : QString()));
        d.setValue(u"FIRST_NAME"_s, first[i % first.size()]);
        d.setValue(u"MID_NAME"_s, u"Сергеевич"_s);
        d.setValue(u"JOB_ORG"_s, u"ООО «Рога и копыта» %1"_s.arg(i % 17));
        d.setValue(u"JOB_POST"_s, u"Менеджер"_s);
        d.setValue(u"GR_NUM"_s, 1 + i % 6);
        d.setValue(u"JOB_TEL1"_s, u"+7 495 %1-%2"_s.arg(100 + i).arg(10 + i % 90));
        d.setValue(u"HOME_ADDRESS"_s, u"ул. Ленина, д. %1"_s.arg(i));
        d.setValue(u"JOB_EMAIL"_s, u"user%1@example.ru"_s.arg(i));
        d.setValue(u"BITHDAY"_s, QDate(1970 + i % 30, 1 + i % 12, 1 + i % 28));
        d.setValue(u"NOTES"_s, u"Заметка номер %1 о встрече"_s.arg(i));
        d.post();
    }
    d.first();

    QWidget window;
    window.setObjectName(u"FormMain"_s);
    window.resize(1100, 560);
    auto* bar = new LetterBar(d, &window);
    auto* splitter = new QSplitter(&window);
    auto* tree = new GroupTree(*dm, splitter);
    auto* pages = new ContactPages(d, splitter);
    splitter->addWidget(tree);
    splitter->addWidget(pages);
    splitter->setSizes({160, 940});
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(splitter, 1);
    tree->RebuildTree();
    tree->acTreeFullExpandExecute();
    window.show();
    QApplication::processEvents();

    QDir().mkpath(u"/tmp/korvane-shots"_s);
    const auto shoot = [&](const QString& name) {
        QApplication::processEvents();
        window.grab().save(u"/tmp/korvane-shots/browse-%1.png"_s.arg(name));
    };
    int page = 0;
    for (DBGridEh* g : pages->grids()) {
        pages->setCurrentWidget(g->parentWidget());
        shoot(u"page%1"_s.arg(++page));
    }
    pages->setCurrentWidget(pages->TabSheet2);
    pages->DBGridEh2->clickTitle(pages->DBGridEh2->columnOf(u"FAM"_s), Qt::NoModifier);
    pages->DBGridEh2->clickTitle(pages->DBGridEh2->columnOf(u"FIRST_NAME"_s), Qt::ControlModifier);
    d.moveTo(3);
    bar->letterButtons[11]->click(); // К
    shoot(u"sorted-letter"_s);
    pages->DBGridEh2->grab(QRect(0, 0, 560, 60)).scaled(1120, 120).save(u"/tmp/korvane-shots/browse-zoom.png"_s);
    tree->ImageArrowToLeftClick();
    bar->setMaximized(false);
    shoot(u"folded"_s);

    TFormSearch search(d);
    search.show();
    search.EditSchStr->setText(u"Иван"_s);
    QApplication::processEvents();
    search.grab().save(u"/tmp/korvane-shots/browse-search.png"_s);
    return 0;
}
