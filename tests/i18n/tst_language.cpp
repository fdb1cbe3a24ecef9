// Choosing the interface language: the remembered choice, the two menu commands, the column titles,
// the navigator hints, the names of the built-in groups, and what happens when a file is missing or
// cannot be written.

#include "DBNavigator.h"
#include "DbError.h"
#include "FbClient.h"
#include "GroupTree.h"
#include "LanguageFixture.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList kEnglishGroups = {u"All contacts"_s, u"Work"_s,     u"Friends"_s,
                                    u"Family"_s,       u"Partners"_s, u"Miscellaneous"_s};
const QStringList kRussianGroups = {u"Все контакты"_s, u"Работа"_s,   u"Друзья"_s,
                                    u"Семья"_s,        u"Партнёры"_s, u"Разное"_s};

QStringList groupNames(TDM& dm) {
    QStringList names;
    Dataset& g = *dm.TabContactGroups;
    const int field = g.fieldByName(u"GROUP_NAME"_s).index();
    for (int r = 0; r < g.rowCount() && r < 6; ++r)
        names << g.value(r, field).toString();
    return names;
}

// The texts the tree shows: the root and the groups under it.
QStringList treeNames(GroupTree& tree) {
    QStringList names;
    QTreeWidgetItem* root = tree.TreeViewMain->topLevelItem(0);
    if (root == nullptr)
        return names;
    names << root->text(0);
    tree.TreeViewMain->expandItem(root);
    for (int i = 0; i < root->childCount() && names.size() < 6; ++i)
        names << root->child(i)->text(0);
    return names;
}

QString actionText(TFormMain& main, const char* name) {
    return main.action(QString::fromLatin1(name))->text();
}

} // namespace

class LanguageTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { program_ = std::make_unique<langtest::Program>(); }
    void cleanup() { program_.reset(); }

    // The remembered value, compared in capitals; anything else loads nothing.
    void remembered_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message"); // what M002 then reads
        QTest::addColumn<QString>("addCaption");
        QTest::newRow("EN") << u"EN"_s << u"Delete the current record?"_s << u"Add record"_s;
        QTest::newRow("en") << u"en"_s << u"Delete the current record?"_s << u"Add record"_s;
        QTest::newRow("CU") << u"CU"_s << u"Удалить текущую запись?"_s << u"Добавить запись"_s;
        QTest::newRow("cu") << u"cu"_s << u"Удалить текущую запись?"_s << u"Добавить запись"_s;
        QTest::newRow("RU loads none") << u"RU"_s << u"M002"_s << u"Добавить запись"_s;
        QTest::newRow("empty loads none") << QString() << u"M002"_s << u"Добавить запись"_s;
        QTest::newRow("other letters load none") << u"E"_s << u"M002"_s << u"Добавить запись"_s;
    }
    void remembered() {
        QFETCH(QString, value);
        QFETCH(QString, message);
        QFETCH(QString, addCaption);
        program_->setRemembered(value);
        program_->start();
        // Showing the main window loads the remembered language.
        program_->main().show();
        QCOMPARE(LangMessage(u"M002"_s, u"M002"_s), message);
        QCOMPARE(actionText(program_->main(), "acAdd"), addCaption);
        QVERIFY(program_->boxes.isEmpty());
    }

    void noSettingAtAll() {
        IniFile ini(program_->folder.iniPath());
        ini.eraseSection(u"Language"_s);
        ini.save();
        program_->start();
        program_->main().show();
        QVERIFY(CurrentLangFile() == nullptr);
        QCOMPARE(program_->main().windowTitle(), u"Korvane Enterprise Edition"_s);
    }

    // English with its language file but without its grid texts: English windows, bare field names.
    void englishWithoutGridTexts() {
        QFile::remove(program_->path(u"DBgrids.en"_s));
        program_->start();
        program_->language().LoadLanguage(LanguageChoice::English);
        QCOMPARE(actionText(program_->main(), "acAdd"), u"Add record"_s);
        for (Dataset* table : program_->dm().tables())
            for (int i = 0; i < table->fieldCount(); ++i)
                QCOMPARE(table->field(i).displayName(), table->field(i).name());
        QVERIFY(program_->boxes.isEmpty());
    }

    void gridTitlesFollowTheLanguage() {
        program_->start();
        program_->language().LoadLanguage(LanguageChoice::English);
        QCOMPARE(program_->dm().TabMain->fieldByName(u"FAM"_s).displayName(), u"Surname"_s);
        QCOMPARE(program_->dm().TabMain->fieldByName(u"GR_NUM"_s).displayName(), u"Group no."_s);
        program_->language().LoadLanguage(LanguageChoice::Russian);
        QCOMPARE(program_->dm().TabMain->fieldByName(u"FAM"_s).displayName(), u"Фамилия"_s);
        QCOMPARE(program_->dm().TabMain->fieldByName(u"HOME_ADDRESS"_s).displayName(), u"Домашний  адрес"_s);
    }

    void quotedTitleLosesItsQuotes() {
        program_->writeFile(u"DBgrids.en"_s, u"[TabMain]\r\nFAM=\"Last name\"\r\n"_s);
        program_->start();
        program_->language().LoadLanguage(LanguageChoice::English);
        QCOMPARE(program_->dm().TabMain->fieldByName(u"FAM"_s).displayName(), u"Last name"_s);
    }

    // A file without M012: the next-record buttons show the standard hint.
    void missingNavigatorHint() {
        program_->writeFile(u"English.ini"_s, u"[Misc]\r\nM010=First\r\nM011=Prior\r\nM013=Last\r\n"_s);
        program_->start();
        program_->language().LoadLanguage(LanguageChoice::English);
        const QList<DBNavigator*> navigators = allNavigators();
        QVERIFY(!navigators.isEmpty());
        for (DBNavigator* n : navigators) {
            QCOMPARE(n->button(DBNavigator::Next)->toolTip(), u"Next record"_s);
            QCOMPARE(n->button(DBNavigator::First)->toolTip(), u"First"_s);
        }
    }

    // Without the language file the windows keep their texts and the hints show the bare keys.
    void missingLanguageFile() {
        QFile::remove(program_->path(u"English.ini"_s));
        program_->start();
        program_->language().LoadLanguage(LanguageChoice::English);
        QVERIFY(CurrentLangFile() == nullptr);
        QCOMPARE(actionText(program_->main(), "acAdd"), u"Добавить запись"_s);
        for (DBNavigator* n : allNavigators()) {
            QCOMPARE(n->button(DBNavigator::First)->toolTip(), u"M010"_s);
            QCOMPARE(n->button(DBNavigator::Refresh)->toolTip(), u"M019"_s);
        }
        // The built-in groups keep their names rather than become bare keys.
        QCOMPARE(groupNames(program_->dm()), kRussianGroups);
        // The column titles still follow the grid texts.
        QCOMPARE(program_->dm().TabMain->fieldByName(u"FAM"_s).displayName(), u"Surname"_s);
    }

    // A language file that exists but cannot be read: the error is shown, the current file stays.
    void unreadableLanguageFile() {
        program_->start();
        program_->language().LoadLanguage(LanguageChoice::Russian);
        QFile::remove(program_->path(u"English.ini"_s));
        QDir().mkpath(program_->path(u"English.ini"_s));
        program_->main().action(u"acSetLanguageEng"_s)->trigger();
        QCOMPARE(program_->boxes.size(), 1);
        QVERIFY(program_->boxes[0].text.startsWith(u"Cannot open file "_s));
        QCOMPARE(LangMessage(u"M002"_s, u"M002"_s), u"Удалить текущую запись?"_s);
        QCOMPARE(language::readStoredValue(), QString());
    }

    // Two switches in a row: the built-in groups follow the last one, and the tree shows them at once.
    void twoSwitchesRenameTheGroups() {
        program_->start();
        GroupTree& tree = *program_->main().PanelLeft;
        program_->main().action(u"acSetLanguageEng"_s)->trigger();
        QCOMPARE(groupNames(program_->dm()), kEnglishGroups);
        QCOMPARE(treeNames(tree), kEnglishGroups);
        program_->main().action(u"acSetLanguageRu"_s)->trigger();
        QCOMPARE(groupNames(program_->dm()), kRussianGroups);
        QCOMPARE(treeNames(tree), kRussianGroups);
        QCOMPARE(language::readStoredValue(), u"CU"_s);
        program_->main().action(u"acSetLanguageEng"_s)->trigger();
        QCOMPARE(treeNames(tree), kEnglishGroups);
        QCOMPARE(language::readStoredValue(), u"EN"_s);
        QVERIFY(program_->boxes.isEmpty());
        // The grids show the group names the database now holds.
        Dataset& main = *program_->dm().TabMain;
        main.append();
        main.setValue(u"FAM"_s, u"Smith"_s);
        main.setValue(u"GR_NUM"_s, 2);
        main.post();
        QCOMPARE(main.text(u"GROUP_NAME"_s), u"Work"_s);
    }

    // Fewer than six groups: those there are get renamed, nothing is added.
    void fewerGroups() {
        program_->start();
        Dataset& g = *program_->dm().TabContactGroups;
        g.last();
        g.deleteCurrent();
        g.last();
        g.deleteCurrent();
        program_->language().LoadLanguage(LanguageChoice::English);
        QCOMPARE(g.rowCount(), 4);
        QCOMPARE(groupNames(program_->dm()), kEnglishGroups.mid(0, 4));
    }

    // Writing the choice fails: the error names the file, and the language is switched all the same.
    void unwritableSettings() {
        program_->start();
        QFile::remove(program_->folder.iniPath());
        QDir().mkpath(program_->folder.iniPath()); // a folder where the file should be
        program_->main().action(u"acSetLanguageEng"_s)->trigger();
        QCOMPARE(program_->boxes.size(), 1);
        QCOMPARE(program_->boxes[0].kind, msgbox::Kind::Error);
        QVERIFY2(program_->boxes[0].text.startsWith(u"Unable to write to "_s), qPrintable(program_->boxes[0].text));
        QVERIFY(program_->boxes[0].text.contains(u"Phones.ini"_s));
        QCOMPARE(actionText(program_->main(), "acAdd"), u"Add record"_s);
    }

    // Renaming a group fails in the database: the tree is rebuilt, the error is shown, the windows are
    // not translated and the choice is not remembered.
    void failingGroupRename() {
        program_->start();
        Database& db = *program_->dm().IBPhones;
        fb::executeImmediate(db.attachment(), db.transaction(), u"create exception E_NO_RENAME 'renaming refused'"_s);
        db.commitRetaining();
        fb::executeImmediate(db.attachment(), db.transaction(),
                             u"create trigger GROUPS_NO_RENAME for GROUPS before update as begin "
                             u"exception E_NO_RENAME; end"_s);
        db.commitRetaining();
        GroupTree& tree = *program_->main().PanelLeft;
        tree.TreeViewMain->clear();
        program_->main().action(u"acSetLanguageEng"_s)->trigger();
        QCOMPARE(program_->boxes.size(), 1);
        QVERIFY2(program_->boxes[0].text.contains(u"renaming refused"_s), qPrintable(program_->boxes[0].text));
        QCOMPARE(tree.TreeViewMain->topLevelItemCount(), 1); // rebuilt
        QCOMPARE(treeNames(tree), kRussianGroups);
        QCOMPARE(actionText(program_->main(), "acAdd"), u"Добавить запись"_s);
        QCOMPARE(language::readStoredValue(), QString());
        QVERIFY(!program_->dm().TabContactGroups->isEditing());
    }

    // While the database is not connected, loading a language does not connect it.
    void noConnectionNoRenaming() {
        program_->start();
        program_->dm().Disconnect();
        program_->language().LoadLanguage(LanguageChoice::English);
        QVERIFY(!program_->dm().IBPhones->connected());
        QCOMPARE(actionText(program_->main(), "acAdd"), u"Add record"_s);
        QVERIFY(program_->boxes.isEmpty());
    }

    // A window made later under the name of a start-up window (a new sticky note) keeps its built-in
    // texts; the section applies to the start-up one.
    void laterWindowOfTheSameName() {
        program_->writeFile(u"English.ini"_s,
                            u"[FormStickyMarks]\r\nFormStickyMarks.Label1.Caption=Note\r\n[Misc]\r\nM030=All\r\n"_s);
        auto makeNote = [] {
            auto note = std::make_unique<QWidget>();
            note->setObjectName(u"FormStickyMarks"_s);
            auto* label = new QLabel(u"Заметка"_s, note.get());
            label->setObjectName(u"Label1"_s);
            return note;
        };
        const auto startup = makeNote();
        program_->start();
        program_->language().LoadLanguage(LanguageChoice::English);
        QCOMPARE(startup->findChild<QLabel*>()->text(), u"Note"_s);
        startup->findChild<QLabel*>()->setText(u"Заметка"_s);
        const auto later = makeNote();
        program_->language().LoadLanguage(LanguageChoice::English);
        QCOMPARE(startup->findChild<QLabel*>()->text(), u"Note"_s);
        QCOMPARE(later->findChild<QLabel*>()->text(), u"Заметка"_s);
    }

    // The hidden export button writes the titles in force into DBgrids.ru.
    void exportButton() {
        QFile::remove(program_->path(u"DBgrids.ru"_s));
        program_->start();
        QVERIFY(program_->language().PanelBottom->isHidden());
        program_->language().Button1->click();
        const IniFile ini(program_->path(u"DBgrids.ru"_s));
        QCOMPARE(ini.readString(u"TabMain"_s, u"JOB_ORG"_s), u"Организация"_s);
        QCOMPARE(ini.readString(u"TabMain"_s, u"GR_NUM"_s), u"GR_NUM"_s);
    }

    // The help document named by M020 exists for both languages.
    void helpDocuments_data() {
        QTest::addColumn<int>("choice");
        QTest::newRow("English") << int(LanguageChoice::English);
        QTest::newRow("Russian") << int(LanguageChoice::Russian);
    }
    void helpDocuments() {
        QFETCH(int, choice);
        program_->start();
        program_->language().LoadLanguage(LanguageChoice(choice));
        const QString name = LangMessage(u"M020"_s, u"M020"_s);
        QVERIFY(!name.isEmpty());
        QVERIFY2(QFile::exists(QStringLiteral(KORVANE_BIN_DIR "/Help/") + name), qPrintable(name));
    }

private:
    static QList<DBNavigator*> allNavigators() {
        QList<DBNavigator*> list;
        for (QWidget* w : QApplication::topLevelWidgets())
            list << w->findChildren<DBNavigator*>();
        return list;
    }

    std::unique_ptr<langtest::Program> program_;
};

QTEST_MAIN(LanguageTest)
#include "tst_language.moc"
