// The browse windows against a real database: the grids and their pages, the group tree, the letter
// bar and the search window, driven as the user drives them.

#include "ContactPages.h"
#include "DBGridEh.h"
#include "DatasetTableModel.h"
#include "FormSearch.h"
#include "GroupTree.h"
#include "LetterBar.h"
#include "MessageBoxes.h"
#include "TestDatabase.h"

#include <QAbstractItemModelTester>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The browse part of the main window, laid out as the main window lays it out.
struct BrowseWindow {
    explicit BrowseWindow(TDM& dm) {
        window.setObjectName(u"FormMain"_s);
        window.resize(1000, 600);
        bar = new LetterBar(*dm.TabMain, &window);
        tree = new GroupTree(dm, &window);
        pages = new ContactPages(*dm.TabMain, &window);
        auto* work = new QHBoxLayout;
        work->addWidget(tree);
        work->addWidget(pages, 1);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(bar);
        layout->addLayout(work, 1);
        tree->setFixedWidth(180);
        tree->RebuildTree();
    }
    void show() {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    QWidget window;
    LetterBar* bar = nullptr;
    GroupTree* tree = nullptr;
    ContactPages* pages = nullptr;
};

QToolButton* letter(LetterBar& bar, const QString& caption) {
    for (QToolButton* b : bar.buttons())
        if (b->text() == caption)
            return b;
    return nullptr;
}

QStringList surnames(Dataset& d) {
    QStringList list;
    const int fam = d.fieldByName(u"FAM"_s).index();
    for (int r = 0; r < d.rowCount(); ++r)
        list << d.value(r, fam).toString();
    return list;
}

QTreeWidgetItem* findNode(QTreeWidget* tree, int group) {
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if (GroupTree::nodeGroup(*it) == group && !GroupTree::isPlaceholder(*it))
            return *it;
    return nullptr;
}

// Clicks a column title the way the mouse does, with press and release over it.
void clickTitle(DBGridEh* grid, const QString& field, Qt::KeyboardModifiers mods = {}) {
    QHeaderView* h = grid->horizontalHeader();
    const int column = grid->columnOf(field);
    grid->scrollTo(grid->model()->index(0, column));
    const QPoint p(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, mods, p);
}

} // namespace

class TestBrowseGui : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<testdb::Folder> folder_;
    testdb::RecordedUi ui_;
    std::unique_ptr<TDM> dm_;
    QList<msgbox::Shown> shown_;
    QList<QMessageBox::StandardButton> answers_;
    QVariantList inputs_; // a null entry answers Cancel
    QStringList prompts_;

    Dataset& contacts() { return *dm_->TabMain; }

    int addContact(const QString& fam, int group = 1, const QString& first = {}, const QString& notes = {},
                   const QString& org = {}) {
        Dataset& d = contacts();
        d.append();
        d.setValue(u"FAM"_s, fam);
        d.setValue(u"GR_NUM"_s, group);
        if (!first.isEmpty())
            d.setValue(u"FIRST_NAME"_s, first);
        if (!notes.isEmpty())
            d.setValue(u"NOTES"_s, notes);
        if (!org.isEmpty())
            d.setValue(u"JOB_ORG"_s, org);
        const int key = d.value(u"NUM_MAIN"_s).toInt();
        d.post();
        return key;
    }

    int addGroup(int parent, const QString& name) {
        Dataset& g = *dm_->TabContactGroups;
        g.append();
        g.setValue(u"PARENT_GROUP"_s, parent);
        g.setValue(u"GROUP_NAME"_s, name);
        const int key = g.value(u"GR_NUM"_s).toInt();
        g.post();
        return key;
    }

    QVariant storedGroupName(int group) {
        Query q(*dm_->IBPhones, u"select GROUP_NAME from GROUPS where GR_NUM = ?"_s);
        const auto rows = q.run({group});
        return rows.empty() ? QVariant(u"<none>"_s) : rows.front().front();
    }
    int storedCount(const QString& table) {
        Query q(*dm_->IBPhones, u"select count(*) from %1"_s.arg(table));
        return q.run({}).front().front().toInt();
    }

private Q_SLOTS:
    void init() {
        folder_ = std::make_unique<testdb::Folder>();
        ui_ = {};
        dm_ = folder_->openDM(ui_);
        shown_.clear();
        answers_.clear();
        inputs_.clear();
        prompts_.clear();
        msgbox::setResponder([this](const msgbox::Shown& s) {
            shown_ << s;
            return answers_.isEmpty() ? QMessageBox::Ok : answers_.takeFirst();
        });
        GroupTree::setInputResponder([this](const QString&, const QString& prompt, const QString& preset) {
            prompts_ << prompt;
            const QVariant a = inputs_.isEmpty() ? QVariant(preset) : inputs_.takeFirst();
            return a.isNull() ? std::nullopt : std::optional<QString>(a.toString());
        });
    }
    void cleanup() {
        GroupTree::setInputResponder({});
        msgbox::clearResponder();
        dm_.reset();
        folder_.reset();
    }

    // ---- contact list filter ----

    void letters_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("К either case, not inside") << u"К"_s << QStringList{u"Котов"_s, u"котельников"_s};
        QTest::newRow("Е not Ё") << u"Е"_s << QStringList{u"Ежов"_s, u"ерёмин"_s};
        QTest::newRow("Ё not Е") << u"Ё"_s << QStringList{u"Ёлкин"_s};
        QTest::newRow("all with empty surname")
            << u"ВСЁ"_s
            << QStringList{u"Котов"_s, u"котельников"_s, u"Аксаков"_s, u"Ежов"_s, u"ерёмин"_s, u"Ёлкин"_s, QString()};
    }
    void letters() {
        QFETCH(QString, caption);
        QFETCH(QStringList, expected);
        for (const QString& s : {u"Котов"_s, u"котельников"_s, u"Аксаков"_s, u"Ежов"_s, u"ерёмин"_s, u"Ёлкин"_s})
            addContact(s);
        addContact(QString());
        BrowseWindow w(*dm_);
        QToolButton* b = letter(*w.bar, caption);
        QVERIFY(b);
        b->click();
        QVERIFY(b->isChecked());
        QStringList got = surnames(contacts());
        QCOMPARE(got, expected);
        QCOMPARE(w.pages->DBGridEh1->model()->rowCount(), expected.size());
        QVERIFY(shown_.isEmpty());
    }

    void noLetterShowsEmptySurname() {
        addContact(QString());
        addContact(u"Аксаков"_s);
        BrowseWindow w(*dm_);
        for (QToolButton* b : w.bar->letterButtons) {
            b->click();
            QVERIFY2(!surnames(contacts()).contains(QString()), qPrintable(b->text()));
        }
        w.bar->ToolButtonAll->click();
        QCOMPARE(contacts().rowCount(), 2);
        QVERIFY(!contacts().filtered());
        QCOMPARE(contacts().filter(), QString());
    }

    void currentContactKeptWhenStillListed() {
        addContact(u"Абрамов"_s);
        const int kept = addContact(u"Котов"_s);
        addContact(u"Кузин"_s);
        BrowseWindow w(*dm_);
        QVERIFY(contacts().locate(u"NUM_MAIN"_s, kept));
        QCOMPARE(w.pages->DBGridEh1->currentIndex().row(), contacts().currentRow());
        letter(*w.bar, u"К"_s)->click();
        QCOMPARE(contacts().rowCount(), 2);
        QCOMPARE(contacts().value(u"NUM_MAIN"_s).toInt(), kept);
        QCOMPARE(w.pages->DBGridEh1->currentIndex().row(), contacts().currentRow());
        // Not listed any more: the first row becomes current.
        letter(*w.bar, u"А"_s)->click();
        QCOMPARE(contacts().currentRow(), 0);
        QCOMPARE(contacts().text(u"FAM"_s), u"Абрамов"_s);
        QCOMPARE(w.pages->DBGridEh6->currentIndex().row(), 0);
    }

    void emptyConditionWithFlagOnShowsAll() {
        addContact(u"Абрамов"_s);
        addContact(u"Котов"_s);
        contacts().setFilterState(QString(), true);
        QCOMPARE(contacts().rowCount(), 2);
        QVERIFY(contacts().filtered());
    }

    void showAllTurnsFilterOffKeepsCondition() {
        addContact(u"Абрамов"_s);
        addContact(u"Котов"_s);
        BrowseWindow w(*dm_);
        letter(*w.bar, u"К"_s)->click();
        QCOMPARE(contacts().rowCount(), 1);
        w.pages->acShowAllExecute();
        QCOMPARE(contacts().rowCount(), 2);
        QVERIFY(!contacts().filtered());
        QVERIFY(contacts().filter().startsWith(u"FAM Like"_s));
        QVERIFY(letter(*w.bar, u"К"_s)->isChecked());
    }

    // A change that cannot be saved (here a character outside the database's code page) is never
    // read over without a word: the user goes back to it, or discards it and the command goes on.
    void refusedChangeAsksBeforeTheListIsReadAgain_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("discard");
        for (const char* command : {"letter", "ВСЁ", "group", "show all"}) {
            QTest::addRow("%s, go back", command) << QString::fromUtf8(command) << false;
            QTest::addRow("%s, discard", command) << QString::fromUtf8(command) << true;
        }
    }
    void refusedChangeAsksBeforeTheListIsReadAgain() {
        QFETCH(QString, command);
        QFETCH(bool, discard);
        addContact(u"Котов"_s, 2);
        addContact(u"Абрамов"_s, 1);
        BrowseWindow w(*dm_);
        w.show();
        QTreeWidget* t = w.tree->TreeViewMain;
        QToolButton* before = nullptr;
        if (command == u"show all") {
            before = letter(*w.bar, u"К"_s);
            before->click();
        }
        const QString filterBefore = contacts().filter();
        const bool filteredBefore = contacts().filtered();
        QVERIFY(contacts().locate(u"FAM"_s, u"Котов"_s));
        contacts().setValue(u"FIRST_NAME"_s, u"张"_s);
        shown_.clear();
        answers_ << (discard ? QMessageBox::Yes : QMessageBox::No);
        if (command == u"letter") {
            letter(*w.bar, u"А"_s)->click();
        } else if (command == u"ВСЁ") {
            w.bar->ToolButtonAll->click();
        } else if (command == u"group") {
            t->topLevelItem(0)->setExpanded(true);
            t->setCurrentItem(findNode(t, 3));
            QTRY_VERIFY(!shown_.isEmpty());
        } else {
            w.pages->acShowAllExecute();
        }
        QCOMPARE(shown_.size(), 1);
        QCOMPARE(shown_[0].kind, msgbox::Kind::Question);
        QVERIFY2(shown_[0].text.contains(u"张"_s), qPrintable(shown_[0].text));
        if (!discard) {
            // Back to the change: still pending with the typed value, the list as it was.
            QCOMPARE(contacts().state(), Dataset::State::Edit);
            QCOMPARE(contacts().text(u"FIRST_NAME"_s), u"张"_s);
            QCOMPARE(contacts().filter(), filterBefore);
            QCOMPARE(contacts().filtered(), filteredBefore);
            QCOMPARE(w.bar->pressedButton(), before);
            if (command == u"group")
                QCOMPARE(GroupTree::nodeGroup(t->currentItem()), 1); // the group the list shows
            return;
        }
        // Discarded, and the command done.
        QCOMPARE(contacts().state(), Dataset::State::Browse);
        if (command == u"group")
            QTRY_COMPARE(contacts().filter(), u"GR_NUM=3"_s);
        else if (command == u"letter")
            QCOMPARE(surnames(contacts()), QStringList{u"Абрамов"_s});
        else
            QCOMPARE(contacts().rowCount(), 2);
        QVERIFY(!contacts().filtered() || command == u"letter" || command == u"group");
    }

    void pressAllOnlyPressesTheButton() {
        addContact(u"Котов"_s);
        addContact(u"Абрамов"_s);
        BrowseWindow w(*dm_);
        letter(*w.bar, u"К"_s)->click();
        // The Space key: the main window clears the filter itself, the bar only shows "ВСЁ" pressed.
        contacts().setFilterState(QString(), false);
        w.bar->pressAll();
        QVERIFY(w.bar->ToolButtonAll->isChecked());
        QVERIFY(!letter(*w.bar, u"К"_s)->isChecked());
        QCOMPARE(contacts().rowCount(), 2);
    }

    void letterBarFolds() {
        BrowseWindow w(*dm_);
        QSignalSpy spy(w.bar, &LetterBar::maximizedChanged);
        QVERIFY(w.bar->maximized());
        w.bar->setMaximized(false);
        QCOMPARE(w.bar->height(), 12);
        QVERIFY(w.bar->ToolButtonAll->isHidden());
        w.bar->setProperty("maximized", true);
        QVERIFY(w.bar->maximized());
        QVERIFY(!w.bar->ToolButtonAll->isHidden());
        QCOMPARE(spy.count(), 2);
        QCOMPARE(w.bar->letterButtons.size(), std::size_t(31));
        QCOMPARE(w.bar->letterButtons.front()->objectName(), u"ToolButton96"_s);
        QCOMPARE(w.bar->letterButtons.back()->objectName(), u"ToolButton126"_s);
        QCOMPARE(w.bar->letterButtons.back()->text(), u"Я"_s);
    }

    // ---- search window ----

    void search_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("first name equal, notes inside a word") << u"Иван"_s << QStringList{u"Петров"_s, u"Сидоров"_s};
        QTest::newRow("quote in the text") << u"O'Brien"_s << QStringList{u"O'Brien"_s};
        QTest::newRow("statement in the text") << u"'; delete from MAIN; --"_s << QStringList{};
        QTest::newRow("empty shows all") << QString()
                                         << QStringList{u"Петров"_s, u"Сидоров"_s, u"Кузин"_s, u"O'Brien"_s};
    }
    void search() {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        addContact(u"Петров"_s, 1, u"Иван"_s);
        addContact(u"Сидоров"_s, 1, QString(), u"Сказал Ивановичу"_s);
        addContact(u"Кузин"_s, 1, u"иван"_s); // another letter case does not match
        addContact(u"O'Brien"_s);
        TFormSearch form(contacts());
        QCOMPARE(form.objectName(), u"FormSearch"_s);
        form.show();
        QCOMPARE(form.EditSchStr->text(), QString());
        form.EditSchStr->setText(text);
        QTest::keyClick(form.EditSchStr, Qt::Key_Return); // the default button
        QVERIFY2(shown_.isEmpty(), shown_.isEmpty() ? "" : qPrintable(shown_.front().text));
        QVERIFY(!form.isVisible());
        QCOMPARE(surnames(contacts()), expected);
        QVERIFY(contacts().filtered());
        QCOMPARE(storedCount(u"MAIN"_s), 4);
        // Shown again, the box is empty.
        form.show();
        QCOMPARE(form.EditSchStr->text(), QString());
    }

    // A character the database cannot store is named before any search; the list stays as it was.
    void searchRefusesCharactersOutsideTheDatabaseCodePage_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("character");
        QTest::newRow("chinese") << u"Иван中"_s << u"中"_s;
        QTest::newRow("emoji") << u"a\U0001F600b"_s << u"\U0001F600"_s;
        QTest::newRow("polish") << u"Łódź"_s << u"Ł"_s;
    }
    void searchRefusesCharactersOutsideTheDatabaseCodePage() {
        QFETCH(QString, text);
        QFETCH(QString, character);
        addContact(u"Петров"_s, 1, u"Иван"_s);
        addContact(u"??"_s); // what the text would have become
        contacts().setFilterState(u"FAM = 'Петров'"_s, true);
        TFormSearch form(contacts());
        form.show();
        form.EditSchStr->setText(text);
        form.BitBtn3->click();
        QCOMPARE(shown_.size(), 1);
        QVERIFY2(shown_.front().text.contains(u'"' + character + u'"'), qPrintable(shown_.front().text));
        QVERIFY(form.isVisible());
        QCOMPARE(form.EditSchStr->text(), text);
        QCOMPARE(contacts().filter(), u"FAM = 'Петров'"_s);
        QCOMPARE(surnames(contacts()), QStringList{u"Петров"_s});
    }

    void searchAfterGroupFindsEveryGroup() {
        const int g = addGroup(1, u"Клиенты"_s);
        addContact(u"Петров"_s, g, u"Иван"_s);
        addContact(u"Иванов"_s, 2);
        BrowseWindow w(*dm_);
        w.tree->TreeViewMain->setCurrentItem(w.tree->TreeViewMain->topLevelItem(0));
        w.tree->TreeViewMain->topLevelItem(0)->setExpanded(true);
        w.tree->TreeViewMain->setCurrentItem(findNode(w.tree->TreeViewMain, g));
        QTRY_COMPARE(contacts().filter(), u"GR_NUM=%1"_s.arg(g));
        TFormSearch form(contacts());
        form.show();
        form.EditSchStr->setText(u"Иван"_s);
        form.BitBtn3->click();
        QCOMPARE(contacts().rowCount(), 2);
        QCOMPARE(GroupTree::nodeGroup(w.tree->TreeViewMain->currentItem()), g);
    }

    // ---- title clicks, markers and columns ----

    void titleClickSortsAndMarks() {
        addContact(u"Б"_s, 1, u"я"_s, {}, u"3"_s);
        addContact(u"В"_s, 1, u"а"_s, {}, u"1"_s);
        addContact(u"А"_s, 1, u"б"_s, {}, u"2"_s);
        BrowseWindow w(*dm_);
        w.show();
        DBGridEh* g1 = w.pages->DBGridEh1;
        DBGridEh* g2 = w.pages->DBGridEh2;
        w.pages->setCurrentWidget(w.pages->TabSheet1);
        clickTitle(g1, u"JOB_ORG"_s);
        QCOMPARE(contacts().sortField(), u"JOB_ORG"_s);
        QCOMPARE(g1->sortMarker(g1->columnOf(u"JOB_ORG"_s)), 1);

        w.pages->setCurrentWidget(w.pages->TabSheet2);
        QSignalSpy spy(g2, &DBGridEh::titleBtnClick);
        const QStringList markers{u"1"_s, u"2"_s, u"1"_s};
        for (const QString& m : markers) {
            clickTitle(g2, u"FAM"_s);
            QCOMPARE(QString::number(g2->sortMarker(g2->columnOf(u"FAM"_s))), m);
            QCOMPARE(surnames(contacts()), (QStringList{u"А"_s, u"Б"_s, u"В"_s})); // always ascending
            QCOMPARE(contacts().currentRow(), 0);
        }
        QCOMPARE(spy.count(), 3);
        QCOMPARE(spy.front().at(1).toString(), u"FAM"_s);
        // The other page keeps its marker although the list order changed.
        QCOMPARE(g1->sortMarker(g1->columnOf(u"JOB_ORG"_s)), 1);

        // Ctrl keeps the other marker; a plain click clears it.
        clickTitle(g2, u"FIRST_NAME"_s, Qt::ControlModifier);
        QCOMPARE(g2->sortMarker(g2->columnOf(u"FIRST_NAME"_s)), 1);
        QCOMPARE(g2->sortMarker(g2->columnOf(u"FAM"_s)), 1);
        QCOMPARE(contacts().sortField(), u"FIRST_NAME"_s);
        clickTitle(g2, u"MID_NAME"_s);
        QCOMPARE(g2->sortMarker(g2->columnOf(u"FAM"_s)), 0);
        QCOMPARE(g2->sortMarker(g2->columnOf(u"FIRST_NAME"_s)), 0);

        // Plain titles are no buttons.
        spy.clear();
        clickTitle(g2, u"JOB_ADDRESS"_s);
        QCOMPARE(spy.count(), 0);
        QCOMPARE(contacts().sortField(), u"MID_NAME"_s);
        QCOMPARE(g2->sortMarker(g2->columnOf(u"JOB_ADDRESS"_s)), 0);
        // A title click never moves the cursor by itself (no column selection).
        contacts().moveTo(2);
        w.pages->setCurrentWidget(w.pages->TabSheet6);
        clickTitle(w.pages->DBGridEh6, u"FAM"_s);
        QCOMPARE(contacts().currentRow(), 2);
        QVERIFY(shown_.isEmpty());
    }

    void sortFailureIsSilent() {
        addContact(u"А"_s);
        BrowseWindow w(*dm_);
        // A condition the server refuses makes every reopen fail.
        QVERIFY_THROWS_EXCEPTION(DbError, contacts().setFilterState(u"NO_SUCH_COLUMN = 1"_s, true));
        w.pages->SortInGrid(u"FAM"_s);
        QVERIFY(!contacts().isOpen());
        QVERIFY(shown_.isEmpty());
        QCOMPARE(w.pages->DBGridEh1->model()->rowCount(), 0);
        // The all-button opens the list again.
        w.bar->ToolButtonAll->click();
        QVERIFY(contacts().isOpen());
        QCOMPARE(contacts().rowCount(), 1);
    }

    void pagesAndColumns() {
        BrowseWindow w(*dm_);
        ContactPages& p = *w.pages;
        QCOMPARE(p.objectName(), u"PageControl1"_s);
        QCOMPARE(p.currentWidget(), p.TabSheet6);
        QVERIFY(!p.isTabVisible(p.indexOf(p.TabSheet4)));
        QCOMPARE(p.tabText(p.indexOf(p.TabSheet2)), u"Работа"_s);
        const int counts[] = {27, 25, 20, 8, 42};
        int i = 0;
        for (DBGridEh* g : p.grids()) {
            QCOMPARE(g->columnCountDesigned(), counts[i++]);
            QCOMPARE(g->model()->columnCount(), g->columnCountDesigned());
            QCOMPARE(g->columnDef(0).field, u"NUM_MAIN"_s);
            QVERIFY(!g->isColumnVisible(0));
            for (int c = 1; c < g->columnCountDesigned(); ++c) {
                if (g->columnDef(c).width > 0)
                    continue;
                // Every title fits its default width.
                const QString title = g->model()->headerData(c, Qt::Horizontal).toString();
                QVERIFY2(g->storedWidth(c) >= g->horizontalHeader()->fontMetrics().horizontalAdvance(title),
                         qPrintable(title));
            }
        }
        DBGridEh* g3 = p.DBGridEh3;
        QCOMPARE(g3->storedWidth(g3->columnOf(u"BITHDAY"_s)), 99);
        QCOMPARE(p.DBGridEh5->storedWidth(p.DBGridEh5->columnOf(u"NOTES"_s)), 250);
        const auto align = [](DBGridEh* g, const char* f) {
            return g->model()
                ->headerData(g->columnOf(QLatin1String(f)), Qt::Horizontal, Qt::TextAlignmentRole)
                .value<Qt::Alignment>();
        };
        QVERIFY(align(g3, "HOME_ADDRESS") & Qt::AlignLeft);
        QVERIFY(align(p.DBGridEh2, "JOB_ZIP") & Qt::AlignLeft);
        QVERIFY(align(p.DBGridEh1, "FAM") & Qt::AlignHCenter);
        QCOMPARE(p.DBGridEh1->model()->headerData(p.DBGridEh1->columnOf(u"GROUP_NAME"_s), Qt::Horizontal),
                 QVariant(u"Группа"_s));
        QCOMPARE(p.DBGridEh6->model()->headerData(p.DBGridEh6->columnOf(u"GR_NUM"_s), Qt::Horizontal),
                 QVariant(u"GR_NUM"_s));
        QVERIFY(!p.DBGridEh6->columnDef(p.DBGridEh6->columnOf(u"FAM"_s)).sortable);
    }

    void showAllColumnsActsOnFocusedGridOnly() {
        addContact(u"А"_s);
        BrowseWindow w(*dm_);
        w.show();
        DBGridEh* g1 = w.pages->DBGridEh1;
        DBGridEh* g2 = w.pages->DBGridEh2;
        g2->setColumnVisible(g2->columnOf(u"FAM"_s), false);
        w.pages->setCurrentWidget(w.pages->TabSheet1);
        g1->setFocus();
        g1->setCurrentIndex(g1->model()->index(0, g1->columnOf(u"FAM"_s)));
        w.pages->acHideCurColumnExecute();
        QVERIFY(!g1->isColumnVisible(g1->columnOf(u"FAM"_s)));
        g1->setColumnVisible(g1->columnOf(u"NOTES"_s), false); // not a column of this grid: nothing
        g1->setColumnVisible(g1->columnOf(u"PAGER"_s), false);
        w.pages->acShowAllColumnsExecute();
        for (int c = 1; c < g1->columnCountDesigned(); ++c)
            QVERIFY(g1->isColumnVisible(c));
        QVERIFY(!g1->isColumnVisible(0));
        QVERIFY(!g2->isColumnVisible(g2->columnOf(u"FAM"_s)));
        // The width survives hiding.
        QVERIFY(g1->horizontalHeader()->sectionSize(g1->columnOf(u"FAM"_s)) > 20);
    }

    void hideColumnWithTreeFocusedDoesNothing() {
        addContact(u"А"_s);
        BrowseWindow w(*dm_);
        w.show();
        DBGridEh* g6 = w.pages->DBGridEh6;
        g6->setCurrentIndex(g6->model()->index(0, g6->columnOf(u"FAM"_s)));
        w.tree->TreeViewMain->setFocus();
        w.pages->acHideCurColumnExecute();
        w.pages->acShowAllColumnsExecute();
        for (DBGridEh* g : w.pages->grids())
            for (int c = 1; c < g->columnCountDesigned(); ++c)
                QVERIFY(g->isColumnVisible(c));
        QVERIFY(!g6->isColumnVisible(0));
    }

    void gridLayoutRoundTrip() {
        BrowseWindow w(*dm_);
        DBGridEh* g1 = w.pages->DBGridEh1;
        g1->horizontalHeader()->moveSection(g1->position(g1->columnOf(u"FAM"_s)), 1);
        g1->horizontalHeader()->resizeSection(g1->columnOf(u"JOB_ORG"_s), 211);
        g1->setColumnVisible(g1->columnOf(u"PAGER"_s), false);
        g1->clickTitle(g1->columnOf(u"MID_NAME"_s), Qt::NoModifier);
        const QString path = folder_->path() + u"Grid.ini"_s;
        {
            IniFile ini(path);
            w.pages->saveGridLayouts(ini);
            QVERIFY(ini.save());
            QCOMPARE(ini.readString(u"TFormMain"_s, u"DBGridEh1.JOB_ORG"_s), u"2,211,0,1,0,7,0"_s);
            QVERIFY(ini.hasKey(u"TFormMain"_s, u"DBGridEh6.NOTES"_s));
            QCOMPARE(ini.readString(u"TFormMain"_s, u"(Default)"_s), u"0,0"_s);
        }
        BrowseWindow other(*dm_);
        const IniFile ini(path);
        other.pages->restoreGridLayouts(ini);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(other.pages->grids()[i]->columnState(), w.pages->grids()[i]->columnState());

        // Only two words: position and width; marker and visibility stay as designed.
        IniFile edited(path);
        edited.writeString(u"TFormMain"_s, u"DBGridEh5.NOTES"_s, u"3 120"_s);
        edited.writeString(u"TFormMain"_s, u"DBGridEh5.MID_NAME"_s, u"7"_s);
        edited.writeString(u"TFormMain"_s, u"DBGridEh5.NUM_MAIN"_s, u"0,64,0,1,0"_s);
        BrowseWindow third(*dm_);
        third.pages->restoreGridLayouts(edited);
        DBGridEh* g5 = third.pages->DBGridEh5;
        QCOMPARE(g5->position(g5->columnOf(u"NOTES"_s)), 3);
        QCOMPARE(g5->storedWidth(g5->columnOf(u"NOTES"_s)), 120);
        QVERIFY(g5->isColumnVisible(g5->columnOf(u"NOTES"_s)));
        QCOMPARE(g5->position(g5->columnOf(u"MID_NAME"_s)), 7);
        // NUM_MAIN shown by the file stays shown: showing all columns only ever turns columns on.
        QVERIFY(g5->isColumnVisible(0));
        g5->showAllColumns();
        QVERIFY(g5->isColumnVisible(0));
    }

    void modelIsSound() {
        for (int i = 0; i < 20; ++i)
            addContact(u"Ф%1"_s.arg(i), i % 2 ? 1 : 2);
        BrowseWindow w(*dm_);
        QAbstractItemModelTester tester(w.pages->DBGridEh1->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        letter(*w.bar, u"Ф"_s)->click();
        contacts().setFilterState(u"GR_NUM=2"_s, true);
        w.pages->SortInGrid(u"FAM"_s);
        QCOMPARE(w.pages->DBGridEh1->model()->rowCount(), 10);
        w.bar->ToolButtonAll->click();
        QCOMPARE(w.pages->DBGridEh1->model()->rowCount(), 20);
    }

    // Rows that come in steps while a grid shows the list: the model hears of every row before the
    // grid draws it, a delete and a filter during the steps keep model and cursor sound, and the
    // grid ends with every row.
    void rowsComingInStepsKeepModelAndCursorSound() {
        for (int i = 0; i < 60; ++i)
            addContact(u"Ф%1"_s.arg(i), i % 2 ? 1 : 2);
        BrowseWindow w(*dm_);
        w.show();
        DBGridEh* g = w.pages->DBGridEh1;
        QAbstractItemModelTester tester(g->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QTest::qWait(1000); // the group tree shows all contacts once its first selection settles
        contacts().setFetchStep(8, 5);
        contacts().refresh();
        QVERIFY(contacts().fetching());
        QCOMPARE(g->model()->rowCount(), 8);
        QCoreApplication::processEvents();
        contacts().moveTo(3);
        contacts().deleteCurrent();
        QCOMPARE(g->model()->rowCount(), contacts().rowCount());
        QCOMPARE(g->currentIndex().row(), 3);
        QTRY_VERIFY(!contacts().fetching());
        QCOMPARE(g->model()->rowCount(), 59);
        contacts().setFilterState(u"GR_NUM=2"_s, true);
        QVERIFY(contacts().fetching());
        w.pages->SortInGrid(u"FAM"_s);
        QTRY_VERIFY(!contacts().fetching());
        QCOMPARE(g->model()->rowCount(), contacts().rowCount());
        QCOMPARE(g->model()->rowCount(), 30); // the deleted contact was of group 1
        contacts().last();
        QCOMPARE(g->currentIndex().row(), contacts().rowCount() - 1);
        // Ctrl+End in the grid goes to the real last row, not the last one read so far.
        contacts().refresh();
        QVERIFY(contacts().fetching());
        g->setFocus();
        QTest::keyClick(g, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(!contacts().fetching());
        QCOMPARE(contacts().currentRow(), 29);
        QCOMPARE(g->currentIndex().row(), 29);
    }

    // Rows added, dropped and deleted while a grid shows the list: the model reports each change
    // before it happens, and the grid's current row stays the dataset's.
    void rowsComingAndGoingKeepModelAndCursorSound() {
        for (int i = 0; i < 5; ++i)
            addContact(u"Ф%1"_s.arg(i));
        BrowseWindow w(*dm_);
        w.show();
        DBGridEh* g = w.pages->DBGridEh1;
        QAbstractItemModelTester tester(g->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        contacts().moveTo(2);
        contacts().append();
        QCOMPARE(g->model()->rowCount(), 6);
        QCOMPARE(g->currentIndex().row(), 5);
        contacts().setValue(u"FAM"_s, u"Черновик"_s);
        contacts().cancel(); // the new row is dropped, not saved by the grid's cursor move
        QCOMPARE(g->model()->rowCount(), 5);
        QCOMPARE(contacts().currentRow(), 2);
        QCOMPARE(g->currentIndex().row(), 2);
        contacts().deleteCurrent();
        QCOMPARE(g->model()->rowCount(), 4);
        QCOMPARE(g->currentIndex().row(), contacts().currentRow());
        contacts().close();
        contacts().open();
        QCOMPARE(contacts().rowCount(), 4); // the dropped row was never stored
    }

    void gridFollowsCursorBothWays() {
        for (int i = 0; i < 5; ++i)
            addContact(u"Ф%1"_s.arg(i));
        BrowseWindow w(*dm_);
        w.show();
        DBGridEh* g = w.pages->DBGridEh6;
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(g->model()->index(3, 2)).center());
        QCOMPARE(contacts().currentRow(), 3);
        QCOMPARE(w.pages->DBGridEh1->currentIndex().row(), 3);
        contacts().moveTo(1);
        QCOMPARE(g->currentIndex().row(), 1);
        QSignalSpy edit(w.pages, &ContactPages::editRequested);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(g->model()->index(2, 2)).center());
        QCOMPARE(edit.count(), 1);
        QCOMPARE(contacts().currentRow(), 2);
    }

    void deleteWithConfirmation() {
        addContact(u"А"_s);
        addContact(u"Б"_s);
        BrowseWindow w(*dm_);
        answers_ = {QMessageBox::No};
        w.pages->acDeleteExecute();
        QCOMPARE(shown_.size(), 1);
        QCOMPARE(shown_.front().kind, msgbox::Kind::Question);
        QCOMPARE(shown_.front().text, u"M002"_s);
        QCOMPARE(storedCount(u"MAIN"_s), 2);
        answers_ = {QMessageBox::Yes, QMessageBox::Yes, QMessageBox::Yes};
        w.pages->acDeleteExecute();
        w.pages->acDeleteExecute();
        QCOMPARE(storedCount(u"MAIN"_s), 0);
        shown_.clear();
        w.pages->acDeleteExecute(); // an empty list
        QCOMPARE(shown_.size(), 2);
        QCOMPARE(shown_.back().kind, msgbox::Kind::Error);
        shown_.clear();
        w.pages->acDelExecute(); // silent
        QVERIFY(shown_.isEmpty());
    }

    // ---- group tree ----

    void treeLoadsLevelsLazily() {
        const int sub = addGroup(2, u"Отдел"_s);
        BrowseWindow w(*dm_);
        QTreeWidget* t = w.tree->TreeViewMain;
        QCOMPARE(t->objectName(), u"TreeViewMain"_s);
        QCOMPARE(t->topLevelItemCount(), 1);
        QTreeWidgetItem* root = t->topLevelItem(0);
        QCOMPARE(GroupTree::nodeGroup(root), 1);
        QCOMPARE(root->childCount(), 1);
        QVERIFY(GroupTree::isPlaceholder(root->child(0)));
        root->setExpanded(true);
        QCOMPARE(root->childCount(), 5);
        QTreeWidgetItem* work = findNode(t, 2);
        QVERIFY(work && GroupTree::isPlaceholder(work->child(0)));
        QVERIFY(!findNode(t, sub));
        work->setExpanded(true);
        QVERIFY(findNode(t, sub));
        // A group without subgroups loses its expand button.
        QTreeWidgetItem* leaf = findNode(t, sub);
        leaf->setExpanded(true);
        QCOMPARE(leaf->childCount(), 0);
        // Expanding again reads nothing twice.
        root->setExpanded(false);
        root->setExpanded(true);
        QCOMPARE(root->childCount(), 5);
    }

    void selectingGroupSetsFilter() {
        const int sub = addGroup(2, u"Отдел"_s);
        addContact(u"Работник"_s, 2);
        addContact(u"Подотдел"_s, sub);
        addContact(u"Корень"_s, 1);
        BrowseWindow w(*dm_);
        w.show();
        letter(*w.bar, u"К"_s)->click();
        QCOMPARE(contacts().rowCount(), 1);
        QTreeWidget* t = w.tree->TreeViewMain;
        t->topLevelItem(0)->setExpanded(true);
        QTreeWidgetItem* work = findNode(t, 2);
        // A real press selects the node; the change comes after the delay.
        QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualItemRect(work).center());
        QCOMPARE(w.tree->pressPoint(), t->visualItemRect(work).center());
        QTRY_COMPARE(contacts().filter(), u"GR_NUM=2"_s);
        QVERIFY(contacts().filtered());
        QCOMPARE(surnames(contacts()), QStringList{u"Работник"_s}); // not the subgroup's contacts
        // The root shows every contact; the pressed letter stays pressed.
        QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualItemRect(t->topLevelItem(0)).center());
        QTRY_VERIFY(!contacts().filtered());
        QCOMPARE(contacts().filter(), QString());
        QCOMPARE(contacts().rowCount(), 3);
        QVERIFY(letter(*w.bar, u"К"_s)->isChecked());
        // Quick changes report only the last one.
        t->setCurrentItem(findNode(t, 3));
        t->setCurrentItem(findNode(t, 4));
        QTRY_COMPARE(contacts().filter(), u"GR_NUM=4"_s);
    }

    void newGroupUnderUnexpandedNode() {
        BrowseWindow w(*dm_);
        w.show();
        QTreeWidget* t = w.tree->TreeViewMain;
        t->topLevelItem(0)->setExpanded(true);
        QTreeWidgetItem* friends = findNode(t, 3);
        QVERIFY(!friends->isExpanded());
        w.tree->TreeViewMainMouseDown(t->visualItemRect(friends).center());
        inputs_ = {QVariant(u"Школа"_s)};
        w.tree->acTreeViewNewNodeExecute();
        QVERIFY(shown_.isEmpty());
        QCOMPARE(prompts_, QStringList{u"M023"_s});
        QTreeWidgetItem* made = t->currentItem();
        QVERIFY(made);
        QCOMPARE(made->text(0), u"Школа"_s);
        const int group = GroupTree::nodeGroup(made);
        QCOMPARE(GroupTree::nodeGroup(made->parent()), 3);
        QVERIFY(made->parent()->isExpanded());
        QVERIFY(made->parent()->parent()->isExpanded());
        QCOMPARE(storedGroupName(group), QVariant(u"Школа"_s));
        QTRY_COMPARE(contacts().filter(), u"GR_NUM=%1"_s.arg(group));
        QCOMPARE(contacts().rowCount(), 0);

        // Cancel adds nothing; an empty name is accepted.
        const int before = storedCount(u"GROUPS"_s);
        inputs_ = {QVariant()};
        w.tree->acTreeViewNewNodeExecute();
        QCOMPARE(storedCount(u"GROUPS"_s), before);
    }

    void noNodeAtPressPoint() {
        BrowseWindow w(*dm_);
        w.show();
        w.tree->TreeViewMainMouseDown(QPoint(5, w.tree->TreeViewMain->viewport()->height() - 3));
        w.tree->acTreeViewNewNodeExecute();
        w.tree->acTreeViewDelNodeExecute();
        w.tree->acTreeViewEditNodeCaptionExecute();
        QCOMPARE(shown_.size(), 3);
        for (const auto& s : shown_) {
            QCOMPARE(s.kind, msgbox::Kind::Plain);
            QCOMPARE(s.text, u"M027"_s);
        }
        QVERIFY(prompts_.isEmpty());
    }

    void deleteRemovesLoadedSubgroupsButOneRow() {
        const int sub = addGroup(3, u"Одноклассники"_s);
        const int subsub = addGroup(sub, u"Класс"_s);
        BrowseWindow w(*dm_);
        w.show();
        QTreeWidget* t = w.tree->TreeViewMain;
        w.tree->acTreeFullExpandExecute();
        QVERIFY(findNode(t, subsub));
        const int groups = storedCount(u"GROUPS"_s);

        // The root cannot go.
        w.tree->TreeViewMainMouseDown(t->visualItemRect(t->topLevelItem(0)).center());
        w.tree->acTreeViewDelNodeExecute();
        QCOMPARE(shown_.size(), 1);
        QCOMPARE(shown_.front().kind, msgbox::Kind::Warning);
        QCOMPARE(shown_.front().text, u"M025"_s);

        shown_.clear();
        QTreeWidgetItem* friends = findNode(t, 3);
        w.tree->TreeViewMainMouseDown(t->visualItemRect(friends).center());
        answers_ = {QMessageBox::Cancel};
        w.tree->acTreeViewDelNodeExecute();
        QVERIFY(findNode(t, 3));
        QCOMPARE(shown_.front().kind, msgbox::Kind::YesNoCancel);
        QCOMPARE(shown_.front().text, u"M024 Друзья?"_s);

        answers_ = {QMessageBox::Yes};
        w.tree->acTreeViewDelNodeExecute();
        QVERIFY(!findNode(t, 3));
        QVERIFY(!findNode(t, sub));
        QVERIFY(!findNode(t, subsub));
        QCOMPARE(storedCount(u"GROUPS"_s), groups - 1);
        QCOMPARE(storedGroupName(3), QVariant(u"<none>"_s));
        QCOMPARE(storedGroupName(sub), QVariant(u"Одноклассники"_s));
    }

    void renameByDialog() {
        BrowseWindow w(*dm_);
        w.show();
        QTreeWidget* t = w.tree->TreeViewMain;
        t->topLevelItem(0)->setExpanded(true);
        QTreeWidgetItem* family = findNode(t, 4);
        w.tree->TreeViewMainMouseDown(t->visualItemRect(family).center());
        inputs_ = {QVariant()};
        w.tree->acTreeViewEditNodeCaptionExecute();
        QVERIFY(shown_.isEmpty());
        QCOMPARE(prompts_, QStringList{u"M028 Семья?"_s});
        QCOMPARE(storedGroupName(4), QVariant(u"Семья"_s));
        QCOMPARE(family->text(0), u"Семья"_s);
        inputs_ = {QVariant(u"Родные"_s)};
        w.tree->acTreeViewEditNodeCaptionExecute();
        QCOMPARE(storedGroupName(4), QVariant(u"Родные"_s));
        QCOMPARE(family->text(0), u"Родные"_s);
        // In place: the typed text is stored.
        family->setText(0, u"Дом"_s);
        QCOMPARE(storedGroupName(4), QVariant(u"Дом"_s));
        QVERIFY(shown_.isEmpty());
    }

    void panelFolds() {
        QWidget host;
        auto* splitter = new QSplitter(&host);
        auto* tree = new GroupTree(*dm_, splitter);
        splitter->addWidget(tree);
        splitter->addWidget(new QWidget);
        splitter->resize(600, 400);
        splitter->setSizes({120, 480});
        host.resize(600, 400);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QCOMPARE(tree->reopenWidth(), 120);
        QTest::mouseClick(tree->ImageArrowToLeft, Qt::LeftButton);
        QCOMPARE(splitter->sizes().front(), 18);
        QVERIFY(tree->TreeViewMain->isHidden());
        QVERIFY(tree->TreeMainToolBar->isHidden());
        QTest::mouseClick(tree->ImageArrowToRight, Qt::LeftButton);
        QCOMPARE(splitter->sizes().front(), 120);
        QVERIFY(!tree->TreeViewMain->isHidden());
        const QStringList menu{u"New group"_s, u"Del group"_s, u"Rename group"_s, u"Show all groups"_s};
        QStringList items;
        for (QAction* a : tree->RxPopupMenuTreeView->actions())
            items << a->text();
        QCOMPARE(items, menu);
    }

    // At the designed 120 pixels every toolbar button shows, none behind an overflow arrow.
    void allFourToolbarButtonsAtTheDesignedWidth() {
        QWidget host;
        auto* layout = new QHBoxLayout(&host);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* splitter = new QSplitter(&host);
        splitter->setHandleWidth(3);
        splitter->setChildrenCollapsible(false);
        auto* tree = new GroupTree(*dm_, splitter);
        splitter->addWidget(tree);
        splitter->addWidget(new QWidget);
        layout->addWidget(splitter);
        host.resize(800, 500);
        splitter->setSizes({120, 677});
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QCOMPARE(tree->width(), 120);
        for (QToolButton* b : {tree->ToolButton1, tree->ToolButton2, tree->ToolButton3, tree->ToolButton4}) {
            QVERIFY2(b->isVisible(), qPrintable(b->objectName()));
            const QRect inPanel(b->mapTo(tree, QPoint(0, 0)), b->size());
            QVERIFY2(tree->rect().contains(inPanel), qPrintable(b->objectName()));
            QVERIFY2(!inPanel.intersects(
                         QRect(tree->PanelLeftTopRight->mapTo(tree, QPoint(0, 0)), tree->PanelLeftTopRight->size())),
                     qPrintable(b->objectName()));
        }
        // The toolbar's own overflow button stays hidden.
        for (QToolButton* b : tree->TreeMainToolBar->findChildren<QToolButton*>())
            if (b->objectName() == u"qt_toolbar_ext_button"_s)
                QVERIFY(!b->isVisible());
    }

    // After a failed start-up connection the tree asks nothing of the database.
    void treeOfAnUnconnectedDatabaseDoesNotConnect() {
        dm_.reset();
        IniFile ini(folder_->iniPath());
        ini.writeString(u"DataBase"_s, u"db"_s, folder_->path() + u"gone/x.gdb"_s);
        ini.writeString(u"DataBase"_s, u"Promt"_s, u"1"_s);
        QVERIFY(ini.save());
        ui_ = {};
        dm_ = folder_->openDM(ui_);
        QVERIFY(!dm_->IBPhones->connected());
        const int logins = ui_.logins;
        GroupTree tree(*dm_);
        tree.RebuildTree();
        QTest::qWait(150);
        QCOMPARE(ui_.logins, logins);
        QVERIFY(shown_.isEmpty());
        QCOMPARE(tree.TreeViewMain->topLevelItemCount(), 0);
    }
};

QTEST_MAIN(TestBrowseGui)
#include "tst_browse_gui.moc"
