// Column titles from the grid-text files, and their export.
#include "Cp1251.h"
#include "GridTexts.h"
#include "TestDatabase.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class GridTextsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        folder_ = std::make_unique<testdb::Folder>();
        dm_ = folder_->openDM(ui_);
    }
    void cleanup() {
        dm_.reset();
        folder_.reset();
    }

    void titleFromFile_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("title");
        QTest::newRow("plain") << u"FAM=Surname"_s << u"Surname"_s;
        QTest::newRow("double quotes") << u"FAM=\"Surname\""_s << u"Surname"_s;
        QTest::newRow("single quotes") << u"FAM='Surname'"_s << u"Surname"_s;
        QTest::newRow("quotes keep inner blanks") << u"FAM=\"  Sur name \""_s << u"  Sur name "_s;
        QTest::newRow("blanks around") << u"  FAM  =  Surname  "_s << u"Surname"_s;
        QTest::newRow("key in small letters") << u"fam=Surname"_s << u"Surname"_s;
        QTest::newRow("one quote stays") << u"FAM=\"Surname"_s << u"\"Surname"_s;
        QTest::newRow("cyrillic") << u"FAM=Фамилия"_s << u"Фамилия"_s;
        QTest::newRow("empty value") << u"FAM="_s << u"FAM"_s;
        QTest::newRow("value equal to the name") << u"FAM=FAM"_s << u"FAM"_s;
    }
    void titleFromFile() {
        QFETCH(QString, line);
        QFETCH(QString, title);
        write(u"DBgrids.en"_s, u"[tabmain]\r\n"_s + line + u"\r\n"_s);
        TranslateGrid(dm_->tables(), u"en"_s);
        QCOMPARE(dm_->TabMain->fieldByName(u"FAM"_s).displayName(), title);
    }

    // Every field is set: a key the file lacks empties the built-in label.
    void missingKeyShowsTheFieldName() {
        write(u"DBgrids.en"_s, u"[TabMain]\nFAM=Surname\n"_s);
        TranslateGrid(dm_->tables(), u"en"_s);
        QCOMPARE(dm_->TabMain->fieldByName(u"JOB_ORG"_s).displayName(), u"JOB_ORG"_s);
        QCOMPARE(dm_->TabScheduler->fieldByName(u"Contact"_s).displayName(), u"Contact"_s);
    }

    void missingFileShowsFieldNames() {
        TranslateGrid(dm_->tables(), u"en"_s);
        for (Dataset* table : dm_->tables())
            for (int i = 0; i < table->fieldCount(); ++i)
                QCOMPARE(table->field(i).displayName(), table->field(i).name());
    }

    void fileNameInAnyCase() {
        write(u"dbgrids.EN"_s, u"[TabMain]\nFAM=Surname\n"_s);
        TranslateGrid(dm_->tables(), u"en"_s);
        QCOMPARE(dm_->TabMain->fieldByName(u"FAM"_s).displayName(), u"Surname"_s);
    }

    void longValueIsCut() {
        write(u"DBgrids.en"_s, u"[TabMain]\nFAM="_s + QString(3000, u'x') + u'\n');
        TranslateGrid(dm_->tables(), u"en"_s);
        QCOMPARE(dm_->TabMain->fieldByName(u"FAM"_s).displayName().size(), gridtexts::kMaxValueLength);
    }

    // The export writes every field of every table with its title, keeping other entries.
    void exportRoundTrip() {
        write(u"DBgrids.ru"_s, u"[TabMain]\nFAM=old\nUnknown=kept\n[Other]\nx=1\n"_s);
        ExportColumnTitles(dm_->tables(), gridtexts::filePath(u"ru"_s));
        const IniFile ini(folder_->path() + u"DBgrids.ru"_s);
        QCOMPARE(ini.readString(u"TabMain"_s, u"FAM"_s), u"Фамилия"_s);
        QCOMPARE(ini.readString(u"TabMain"_s, u"GR_NUM"_s), u"GR_NUM"_s);
        QCOMPARE(ini.readString(u"TabMain"_s, u"HOME_ADDRESS"_s), u"Домашний  адрес"_s);
        QCOMPARE(ini.readString(u"TabMain"_s, u"Unknown"_s), u"kept"_s);
        QCOMPARE(ini.readString(u"Other"_s, u"x"_s), u"1"_s);
        QCOMPARE(ini.readString(u"TabContactGroups"_s, u"GROUP_NAME"_s), u"GROUP_NAME"_s);
        QCOMPARE(ini.keys(u"TabScheduler"_s).size(), dm_->TabScheduler->fieldCount());
        // Read back, the titles are the same.
        TranslateGrid(dm_->tables(), u"ru"_s);
        QCOMPARE(dm_->TabMain->fieldByName(u"JOB_ORG"_s).displayName(), u"Организация"_s);
        QCOMPARE(dm_->TabMain->fieldByName(u"HOME_ADDRESS"_s).displayName(), u"Домашний  адрес"_s);
    }

    void exportToAnUnwritablePlace() {
        QDir().mkpath(folder_->path() + u"DBgrids.ru"_s); // a folder where the file should be
        try {
            ExportColumnTitles(dm_->tables(), folder_->path() + u"DBgrids.ru"_s);
            QFAIL("no error");
        } catch (const UnableToWriteError& e) {
            QVERIFY(e.message().startsWith(u"Unable to write to "_s));
            QVERIFY(e.message().endsWith(u"DBgrids.ru"_s));
        }
    }

private:
    void write(const QString& name, const QString& text) {
        QFile f(folder_->path() + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(cp1251::encode(text));
    }

    std::unique_ptr<testdb::Folder> folder_;
    testdb::RecordedUi ui_;
    std::unique_ptr<TDM> dm_;
};

QTEST_GUILESS_MAIN(GridTextsTest)
#include "tst_gridtexts.moc"
