// The shared datasets on a real database: keys, entry limits, required fields, pending changes,
// filter and sort re-reads, the group-name lookup, Cyrillic text and durability.
#include "TestDatabase.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <csignal>

using testdb::Folder;
using testdb::RecordedUi;

namespace {

// Adds a contact with the given surname (and group) through the dataset, as the editor does.
int addContact(TDM& dm, const QString& fam, const QVariant& group = {}) {
    Dataset& m = *dm.TabMain;
    m.append();
    m.setValue(QStringLiteral("FAM"), fam);
    if (!group.isNull())
        m.setValue(QStringLiteral("GR_NUM"), group);
    m.post();
    return m.value(QStringLiteral("NUM_MAIN")).toInt();
}

// Reads one column of MAIN straight from the file through a second data module.
QStringList surnamesOnDisk(const Folder& folder) {
    RecordedUi ui;
    auto dm = folder.openDM(ui);
    QStringList out;
    for (int r = 0; r < dm->TabMain->rowCount(); ++r)
        out << dm->TabMain->displayText(r, dm->TabMain->fieldByName(QStringLiteral("FAM")).index());
    dm->Disconnect();
    return out;
}

} // namespace

class TstDataset : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensEveryTableInOrder() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        QVERIFY2(ui.errors.isEmpty() && ui.messages.isEmpty(), qPrintable((ui.errors + ui.messages).join('\n')));
        for (Dataset* d : dm->tables())
            QVERIFY2(d->isOpen(), qPrintable(d->objectName()));
        QCOMPARE(dm->TabContactGroups->rowCount(), 6);
        QCOMPARE(dm->TabContactGroups->value(0, 0).toInt(), 1);
        QCOMPARE(dm->TabContactGroups->value(0, 1).toInt(), 0);
        // Fields are found without regard to case; the program's name differs from the column's.
        QCOMPARE(dm->TabMain->fieldByName(QStringLiteral("departament")).column(), QStringLiteral("DEPARTAMENT"));
        QVERIFY_THROWS_EXCEPTION(DbError, dm->TabMain->fieldByName(QStringLiteral("NO_SUCH")));
    }

    void cancelledRowsUseUpKeys() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        Dataset& m = *dm->TabMain;
        const int first = addContact(*dm, QStringLiteral("Первый"));
        for (int i = 0; i < 3; ++i) {
            m.append();
            QVERIFY(!m.value(QStringLiteral("NUM_MAIN")).isNull());
            m.setValue(QStringLiteral("FAM"), QStringLiteral("Отменённый"));
            m.cancel();
        }
        const int saved = addContact(*dm, QStringLiteral("Четвёртый"));
        QCOMPARE(saved, first + 4);
        QCOMPARE(m.rowCount(), 2);
        // Every table draws its own keys; groups continue after the built-in six.
        dm->TabContactGroups->append();
        QCOMPARE(dm->TabContactGroups->value(QStringLiteral("GR_NUM")).toInt(), 7);
        dm->TabContactGroups->cancel();
    }

    void textIsCutToTheEntryLimit_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("limit");
        QTest::newRow("surname 30 of 50") << "FAM" << 30;
        QTest::newRow("job post 30 of 50") << "JOB_POST" << 30;
        QTest::newRow("department 50") << "Departament" << 50;
        QTest::newRow("notes 240") << "NOTES" << 240;
    }
    void textIsCutToTheEntryLimit() {
        QFETCH(QString, field);
        QFETCH(int, limit);
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        Dataset& m = *dm->TabMain;
        m.append();
        m.setValue(field, QString(300, QChar(u'Ж')));
        m.post();
        m.close();
        m.open();
        QCOMPARE(m.value(field).toString(), QString(limit, QChar(u'Ж')));
    }

    void requiredFieldMustHaveAValue() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        Dataset& m = *dm->TabMain;
        m.append();
        m.setValue(QStringLiteral("NUM_MAIN"), QVariant());
        m.setValue(QStringLiteral("FAM"), QStringLiteral("Без ключа"));
        try {
            m.post();
            QFAIL("saved without a key");
        } catch (const DbError& e) {
            QCOMPARE(e.message(), QStringLiteral("Field 'NUM_MAIN' must have a value"));
        }
        QCOMPARE(m.state(), Dataset::State::Insert);
    }

    void movingSavesAPendingChangeAndDropsAnUnchangedNewRow() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        Dataset& m = *dm->TabMain;
        addContact(*dm, QStringLiteral("Анна"));
        addContact(*dm, QStringLiteral("Борис"));
        m.first();
        m.setValue(QStringLiteral("FAM"), QStringLiteral("Анна-Мария"));
        QCOMPARE(m.state(), Dataset::State::Edit);
        m.next();
        QCOMPARE(m.state(), Dataset::State::Browse);
        QCOMPARE(surnamesOnDisk(folder), QStringList({QStringLiteral("Анна-Мария"), QStringLiteral("Борис")}));

        // A new row with only its key is dropped when the cursor moves.
        m.append();
        QCOMPARE(m.rowCount(), 3);
        m.first();
        QCOMPARE(m.rowCount(), 2);
        QCOMPARE(surnamesOnDisk(folder).size(), 2);

        // A new row with a change is saved when the cursor moves.
        m.append();
        m.setValue(QStringLiteral("FAM"), QStringLiteral("Вера"));
        m.first();
        QCOMPARE(surnamesOnDisk(folder).size(), 3);

        // An edit without a change is simply left.
        m.edit();
        m.next();
        QCOMPARE(m.state(), Dataset::State::Browse);
    }

    void cancelOfANewRowReturnsToThePreviousRow() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        Dataset& m = *dm->TabMain;
        addContact(*dm, QStringLiteral("Анна"));
        addContact(*dm, QStringLiteral("Борис"));
        m.first();
        QSignalSpy removed(&m, &Dataset::rowRemoved);
        m.append();
        m.setValue(QStringLiteral("FAM"), QStringLiteral("Черновик"));
        m.cancel();
        QCOMPARE(m.rowCount(), 2);
        QCOMPARE(m.currentRow(), 0);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(surnamesOnDisk(folder).size(), 2);
    }

    void filterRereadKeepsTheCurrentContact() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        Dataset& m = *dm->TabMain;
        for (const char* s : {"Кедров", "кит", "Ёлкин", "Елин", "Акулов"})
            addContact(*dm, QString::fromUtf8(s));
        addContact(*dm, QString()); // no surname
        m.locate(QStringLiteral("FAM"), QStringLiteral("Кедров"));
        const QString k = QStringLiteral("FAM Like 'К%' or FAM Like 'к%'");
        m.setFilterState(k, true);
        QCOMPARE(m.rowCount(), 2);
        QCOMPARE(m.text(QStringLiteral("FAM")), QStringLiteral("Кедров"));

        // The current contact is not in the new list: the first row becomes current.
        m.setFilterState(QStringLiteral("FAM Like 'Е%' or FAM Like 'е%'"), true);
        QCOMPARE(m.rowCount(), 1);
        QCOMPARE(m.text(QStringLiteral("FAM")), QStringLiteral("Елин"));
        m.setFilterState(QStringLiteral("FAM Like 'Ё%' or FAM Like 'ё%'"), true);
        QCOMPARE(m.text(QStringLiteral("FAM")), QStringLiteral("Ёлкин"));

        // The flag off shows everything, the empty surname too; the condition stays.
        m.setFiltered(false);
        QCOMPARE(m.rowCount(), 6);
        QCOMPARE(m.text(QStringLiteral("FAM")), QStringLiteral("Ёлкин"));
        // A condition changed while the flag is off re-reads nothing.
        QSignalSpy resets(&m, &Dataset::dataReset);
        m.setFilter(k);
        QCOMPARE(resets.count(), 0);
        // The same condition again re-reads nothing either.
        m.setFiltered(true);
        QCOMPARE(resets.count(), 1);
        m.setFilter(k);
        QCOMPARE(resets.count(), 1);
        // An empty condition with the flag on lets every row through.
        m.setFilterState(QString(), true);
        QCOMPARE(m.rowCount(), 6);
    }

    void badConditionLeavesTheListClosed() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        Dataset& m = *dm->TabMain;
        addContact(*dm, QStringLiteral("Анна"));
        QVERIFY_THROWS_EXCEPTION(DbError, m.setFilterState(QStringLiteral("FAM Like 'x"), true));
        QVERIFY(!m.isOpen());
        m.setFilterState(QString(), false);
        m.open();
        QCOMPARE(m.rowCount(), 1);
    }

    void sortReopensAscendingWithTheFirstRowCurrent() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        Dataset& m = *dm->TabMain;
        for (const char* s : {"Яковлев", "Агеев", "Мухин"})
            addContact(*dm, QString::fromUtf8(s));
        m.last();
        m.setSortField(QStringLiteral("FAM"));
        QCOMPARE(m.currentRow(), 0);
        QCOMPARE(m.text(QStringLiteral("FAM")), QStringLiteral("Агеев"));
        m.setSortField(QString());
        QCOMPARE(m.text(QStringLiteral("FAM")), QStringLiteral("Яковлев"));
    }

    void groupNameIsLookedUp() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        Dataset& m = *dm->TabMain;
        Dataset& g = *dm->TabContactGroups;
        g.append();
        const int gr = g.value(QStringLiteral("GR_NUM")).toInt();
        g.setValue(QStringLiteral("PARENT_GROUP"), 1);
        g.setValue(QStringLiteral("GROUP_NAME"), QStringLiteral("Клиенты"));
        g.post();
        addContact(*dm, QStringLiteral("БезГруппы"));
        addContact(*dm, QStringLiteral("Клиент"), gr);
        const int col = m.fieldByName(QStringLiteral("GROUP_NAME")).index();
        QCOMPARE(m.displayText(0, col), QString());
        QCOMPARE(m.displayText(1, col), QStringLiteral("Клиенты"));
        // Choosing a group by name sets the contact's group number.
        m.first();
        m.setValue(QStringLiteral("GROUP_NAME"), QStringLiteral("Работа"));
        QCOMPARE(m.value(QStringLiteral("GR_NUM")).toInt(), 2);
        m.post();
        // A deleted group leaves an empty name.
        QVERIFY(g.locate(QStringLiteral("GR_NUM"), gr));
        g.deleteCurrent();
        QCOMPARE(m.displayText(1, col), QString());
        QCOMPARE(m.displayText(0, col), QStringLiteral("Работа"));
    }

    void cyrillicRoundTrip() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        const QString all = QStringLiteral("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжзийклмнопрстуфхцчшщъыьэюя№");
        Dataset& m = *dm->TabMain;
        m.append();
        m.setValue(QStringLiteral("NOTES"), all);
        m.post();
        dm->Disconnect();
        auto again = folder.openDM(ui);
        QCOMPARE(again->TabMain->value(QStringLiteral("NOTES")).toString(), all);
    }

    void charactersTheDatabaseCannotHoldAreRefused_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("chinese") << QStringLiteral("王小明");
        QTest::newRow("emoji") << QStringLiteral("Иван 😀");
    }
    void charactersTheDatabaseCannotHoldAreRefused() {
        QFETCH(QString, text);
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        Dataset& m = *dm->TabMain;
        m.append();
        m.setValue(QStringLiteral("JOB_ORG"), QStringLiteral("Рога и копыта"));
        m.setValue(QStringLiteral("FAM"), text);
        try {
            m.post();
            QFAIL("stored");
        } catch (const DbError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("Фамилия")), qPrintable(e.message()));
        }
        // Nothing is lost: the row is still pending with what was typed.
        QCOMPARE(m.state(), Dataset::State::Insert);
        QCOMPARE(m.value(QStringLiteral("JOB_ORG")).toString(), QStringLiteral("Рога и копыта"));
        QCOMPARE(surnamesOnDisk(folder).size(), 0);
    }

    void longTextWrittenByAnotherToolIsReadWhole() {
        Folder folder;
        {
            fb::Attachment db;
            db.attach(folder.databasePath(), QStringLiteral("SYSDBA"), QString());
            fb::Transaction tr;
            tr.start(db);
            fb::executeImmediate(db, tr,
                                 QStringLiteral("insert into \"MAIN\" (NUM_MAIN, FAM) values (100, '%1')")
                                     .arg(QString(50, QChar(u'Щ'))));
            tr.commit();
        }
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        QVERIFY(ui.errors.isEmpty());
        QCOMPARE(dm->TabMain->rowCount(), 1);
        QCOMPARE(dm->TabMain->value(QStringLiteral("FAM")).toString(), QString(50, QChar(u'Щ')));
    }

    void newTaskGetsZeroNotifyValues() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        Dataset& s = *dm->TabScheduler;
        s.append();
        s.setValue(QStringLiteral("Contact"), QStringLiteral("Позвонить"));
        s.post();
        for (const char* f : {"NotyfiBehindDays", "NotyfiBehindHours", "NotyfiBehindMin"})
            QCOMPARE(s.value(QString::fromLatin1(f)), QVariant(0));
        // Cleared on an existing task, they stay empty.
        s.setValue(QStringLiteral("NotyfiBehindDays"), QVariant());
        s.post();
        QVERIFY(s.value(QStringLiteral("NotyfiBehindDays")).isNull());
    }

    void savedRowsSurviveAKilledProgram() {
        Folder folder;
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--insert-and-die"), folder.path()});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QCOMPARE(surnamesOnDisk(folder), QStringList({QStringLiteral("Сохранённый")}));
    }

    void deleteOnAnEmptyListFails() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        QVERIFY_THROWS_EXCEPTION(DbError, dm->TabMain->deleteCurrent());
        addContact(*dm, QStringLiteral("Удаляемый"));
        dm->TabMain->deleteCurrent();
        QCOMPARE(dm->TabMain->rowCount(), 0);
        QCOMPARE(surnamesOnDisk(folder).size(), 0);
    }
};

// The child of the durability test: saves a row, starts typing another, and is killed.
static int insertAndDie(const QString& folderPath) {
    RecordedUi ui;
    TDM dm(folderPath, ui.make());
    dm.TabMain->append();
    dm.TabMain->setValue(QStringLiteral("FAM"), QStringLiteral("Сохранённый"));
    dm.TabMain->post();
    dm.TabMain->append();
    dm.TabMain->setValue(QStringLiteral("FAM"), QStringLiteral("Недопечатанный"));
    std::raise(SIGKILL);
    return 0;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--insert-and-die")
        return insertAndDie(QString::fromLocal8Bit(argv[2]));
    TstDataset t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_dataset.moc"
