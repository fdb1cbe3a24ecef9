// The search through the index of the searched text lists exactly the contacts that the plain
// condition (the text in any of the 37 fields, by the server's Like) lists on the same database,
// for every kind of text, before, while and after the index is built, and a list read again sees
// what another connection saved after the search.
#include "SearchFixture.h"

#include <QTest>

using namespace searchfixture;

class TstIndexedSearch : public QObject {
    Q_OBJECT

    std::unique_ptr<Folder> folder_;
    RecordedUi ui_;
    std::unique_ptr<TDM> dm_;

    void writeFixture(const QString& path) {
        OtherCopy other(path);
        fb::Transaction tr;
        tr.start(other.db);
        for (const auto& [key, values] : fixture())
            insertRow(other.db, tr, key, values);
        tr.commit();
    }

    // The fixture is written before the program opens the database; the index is then built.
    void openWithFixture() {
        folder_ = std::make_unique<Folder>();
        writeFixture(folder_->databasePath());
        dm_ = folder_->openDM(ui_);
        QTRY_VERIFY(indexReady(folder_->databasePath()));
    }

    void reopen() {
        dm_.reset();
        dm_ = folder_->openDM(ui_);
    }

private Q_SLOTS:
    void init() { openWithFixture(); }
    void cleanup() {
        dm_.reset();
        folder_.reset();
    }
    void sameRowsAsThePlainCondition_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("expected");
        QTest::addColumn<bool>("narrowed");
        QTest::newRow("one Cyrillic letter") << u"и"_s << QList<int>{2, 3, 5, 6, 9} << true;
        QTest::newRow("one digit") << u"5"_s << QList<int>{1, 5, 9} << true;
        QTest::newRow("two letters") << u"ов"_s << QList<int>{1, 2, 10} << true;
        QTest::newRow("capitalised word") << u"Иван"_s << QList<int>{1} << true;
        QTest::newRow("small-letter word") << u"иван"_s << QList<int>{2} << true;
        QTest::newRow("capital Ё") << u"Ё"_s << QList<int>{3, 9} << true;
        QTest::newRow("small ё") << u"ё"_s << QList<int>{3, 9, 10} << true;
        QTest::newRow("Е is not Ё") << u"ЕЛКИН"_s << QList<int>{} << true;
        QTest::newRow("Ukrainian and Serbian letters") << u"Її Ўў"_s << QList<int>{7} << true;
        QTest::newRow("small Ukrainian letter") << u"ґ"_s << QList<int>{7, 9} << true;
        QTest::newRow("guillemets and sign") << u"«Ром"_s << QList<int>{3} << true;
        QTest::newRow("cp1251 symbols") << u"№"_s << QList<int>{9} << true;
        QTest::newRow("percent between letters") << u"a%b"_s << QList<int>{5, 9, 10} << true;
        QTest::newRow("underscore before a letter") << u"_в"_s << QList<int>{1, 2, 6, 9, 10} << true;
        QTest::newRow("underscore between letters") << u"a_b"_s << QList<int>{5} << true;
        QTest::newRow("percent alone") << u"%"_s << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10} << false;
        QTest::newRow("underscore alone") << u"_"_s << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10} << false;
        QTest::newRow("wildcards only") << u"_%_"_s << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10} << false;
        QTest::newRow("percent after digits") << u"100%"_s << QList<int>{2} << true;
        QTest::newRow("quote") << u"'"_s << QList<int>{4} << true;
        QTest::newRow("name with a quote") << u"O'Brien"_s << QList<int>{4} << true;
        QTest::newRow("double quotes") << u"\"hello\""_s << QList<int>{4} << true;
        QTest::newRow("a text nowhere") << u"zzz"_s << QList<int>{} << true;
        QTest::newRow("inside a note") << u"после 100"_s << QList<int>{2} << true;
        QTest::newRow("part of a phone") << u"(916) 123"_s << QList<int>{1} << true;
        QTest::newRow("digits in two phone fields") << u"123"_s << QList<int>{1, 6, 9} << true;
        QTest::newRow("phone with a hyphen") << u"8-80"_s << QList<int>{7} << true;
        QTest::newRow("street and number") << u"ул. Ленина, 5"_s << QList<int>{5} << true;
    }
    void sameRowsAsThePlainCondition() {
        QFETCH(QString, text);
        QFETCH(QList<int>, expected);
        QFETCH(bool, narrowed);
        Dataset& m = *dm_->TabMain;
        const QList<int> plain = plainSearch(m, text);
        QCOMPARE(plain, expected);
        bool wasNarrowed = false;
        QCOMPARE(indexedSearch(m, text, &wasNarrowed), plain);
        QCOMPARE(wasNarrowed, narrowed);
    }

    // Every character of cp1251, searched alone and after a letter, gives what the Like gives.
    void everyCp1251Character() {
        Dataset& m = *dm_->TabMain;
        for (const QChar c : cp1251Characters()) {
            for (const QString& text : {QString(c), u"Ж"_s + c, QString(c) + c + c}) {
                const QList<int> plain = plainSearch(m, text);
                QVERIFY2(indexedSearch(m, text) == plain, qPrintable(text));
            }
        }
    }

    // Each of the 37 fields is read into the index.
    void everySearchedField() {
        const QStringList& fields = FilterConditions::searchedFieldNames();
        OtherCopy other(folder_->databasePath());
        dm_.reset();
        for (int i = 0; i < fields.size(); ++i)
            other.insert(100 + i, {{fields[i], u"мрк%1щ"_s.arg(i, 2, 10, QChar(u'0'))}});
        // The new contacts are candidates by their change stamps anyway: the index is built anew so
        // that the fields the build reads are what is checked.
        buildAnew(folder_->databasePath());
        dm_ = folder_->openDM(ui_);
        Dataset& m = *dm_->TabMain;
        for (int i = 0; i < fields.size(); ++i) {
            const QString text = u"мрк%1щ"_s.arg(i, 2, 10, QChar(u'0'));
            const auto found = candidatesFor(m, text);
            QVERIFY(found);
            QCOMPARE(found->keys, std::vector<int>{100 + i});
            bool narrowed = false;
            QCOMPARE(indexedSearch(m, text, &narrowed), QList<int>{100 + i});
            QVERIFY(narrowed);
        }
    }

    // A text in most contacts is kept as a bitmap, a rare one as a list of keys; both give back
    // exactly the contacts that hold them.
    void denseAndSparseKeys_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("in every new contact") << u"общий"_s;
        QTest::newRow("in every seventh") << u"редкий"_s;
        QTest::newRow("in a few") << u"щий 12"_s;
        QTest::newRow("pieces around a wildcard") << u"й 1%9"_s;
    }
    void denseAndSparseKeys() {
        QFETCH(QString, text);
        dm_.reset();
        {
            OtherCopy other(folder_->databasePath());
            fb::Transaction tr;
            tr.start(other.db);
            for (int key = 1000; key < 1300; ++key) {
                Values values{{u"NOTES"_s, u"общий %1"_s.arg(key)}};
                if (key % 7 == 0)
                    values << qMakePair(u"JOB_ORG"_s, u"редкий"_s);
                insertRow(other.db, tr, key, values);
            }
            tr.commit();
        }
        // Chunks smaller than the keys' range: a text's keys come from several pieces.
        buildAnew(folder_->databasePath(), 64);
        dm_ = folder_->openDM(ui_);
        Dataset& m = *dm_->TabMain;
        const QList<int> plain = plainSearch(m, text);
        QVERIFY(!plain.isEmpty());
        const auto found = candidatesFor(m, text);
        QVERIFY(found);
        for (int key : plain)
            QVERIFY(std::find(found->keys.begin(), found->keys.end(), key) != found->keys.end());
        bool narrowed = false;
        QCOMPARE(indexedSearch(m, text, &narrowed), plain);
        QVERIFY(narrowed);
    }

    // "a%b" makes a candidate of a contact with "a" in one field and "b" in another; the Like
    // terms leave it out.
    void candidatesThatDoNotMatchAreLeftOut() {
        Dataset& m = *dm_->TabMain;
        const auto found = searchindex::candidates(m.database().attachment(), m.database().transaction(),
                                                   QByteArrayLiteral("a%b"), 100);
        QVERIFY(found);
        QVERIFY(std::find(found->keys.begin(), found->keys.end(), 8) != found->keys.end());
        const QList<int> listed = indexedSearch(m, u"a%b"_s);
        QVERIFY(!listed.contains(8));
        QCOMPARE(listed, plainSearch(m, u"a%b"_s));
    }

    // A search list read again (a refresh, as after another copy's save) lists what the database
    // holds now, with the condition made before the change: a contact changed to match is seen,
    // one changed not to match is gone, a deleted one is gone.
    void listReadAgainSeesAnotherCopysChanges_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("before");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QList<int>>("after");
        QTest::newRow("an older contact comes to match")
            << u"уникум"_s << QList<int>{} << u"update \"MAIN\" set JOB_ST = 'переулок уникум' where NUM_MAIN = 6"_s
            << QList<int>{6};
        QTest::newRow("a contact stops matching")
            << u"Иванов"_s << QList<int>{1} << u"update \"MAIN\" set FAM = 'Петров' where NUM_MAIN = 1"_s
            << QList<int>{};
        QTest::newRow("a contact is deleted")
            << u"ЁЛКИН"_s << QList<int>{3} << u"delete from \"MAIN\" where NUM_MAIN = 3"_s << QList<int>{};
        QTest::newRow("a new contact matches")
            << u"Ромашка"_s << QList<int>{3} << u"insert into \"MAIN\" (NUM_MAIN, NOTES) values (500, 'ООО Ромашка')"_s
            << QList<int>{3, 500};
    }
    void listReadAgainSeesAnotherCopysChanges() {
        QFETCH(QString, text);
        QFETCH(QList<int>, before);
        QFETCH(QString, change);
        QFETCH(QList<int>, after);
        Dataset& m = *dm_->TabMain;
        bool narrowed = false;
        QCOMPARE(indexedSearch(m, text, &narrowed), before);
        QVERIFY(narrowed);
        const QString condition = m.filter();
        OtherCopy(folder_->databasePath()).run(change);
        m.refresh();
        QCOMPARE(m.filter(), condition);
        QCOMPARE(listedKeys(m), after);
        QCOMPARE(listedKeys(m), plainSearch(m, text));
        // The same once the index has caught up with the change.
        dm_.reset();
        QTRY_VERIFY(indexReady(folder_->databasePath()));
        dm_ = folder_->openDM(ui_);
        Dataset& again = *dm_->TabMain;
        QCOMPARE(indexedSearch(again, text, &narrowed), after);
        QVERIFY(narrowed);
    }

    // A text with more candidates than the condition lists, in a small share of the book: they
    // are read by key from the connection's picks, and the list read again still sees another
    // copy's changes; after a reconnect (the picks are gone) and under another sort order the same
    // rows come.
    void manyCandidatesAreReadByKey() {
        dm_.reset();
        {
            OtherCopy other(folder_->databasePath());
            fb::Transaction tr;
            tr.start(other.db);
            for (int key = 1000; key < 1300; ++key)
                insertRow(other.db, tr, key,
                          {{u"NOTES"_s, u"шмель %1"_s.arg(key)}, {u"FAM"_s, u"Ф%1"_s.arg(2000 - key)}});
            tr.commit();
        }
        buildAnew(folder_->databasePath());
        dm_ = folder_->openDM(ui_);
        Dataset& m = *dm_->TabMain;
        const QString text = u"шмель"_s;
        const QList<int> plain = plainSearch(m, text);
        QCOMPARE(plain.size(), 300);
        // Limits scaled to this small book: 100 listed at most, up to its whole share by key.
        const indexedsearch::Limits limits{100, 100, 1000};
        const indexedsearch::Search search = indexedsearch::prepare(m.database(), text, limits);
        QVERIFY(indexedsearch::prepare(m.database(), text).drivingKeys.isEmpty()); // 96 % of the book
        QVERIFY(!search.drivingKeys.isEmpty());
        QCOMPARE(search.condition, FilterConditions::searchCondition(text, FilterConditions::searchedFieldNames()));
        m.setFilterState(search.condition, true, search.drivingKeys);
        QCOMPARE(listedKeys(m), plain);

        OtherCopy other(folder_->databasePath());
        other.run(u"update \"MAIN\" set JOB_ST = 'шмель' where NUM_MAIN = 6"_s);
        other.run(u"update \"MAIN\" set NOTES = 'оса' where NUM_MAIN = 1000"_s);
        other.run(u"delete from \"MAIN\" where NUM_MAIN = 1001"_s);
        m.refresh();
        QCOMPARE(m.drivingKeys(), search.drivingKeys);
        QList<int> expected = plain.mid(2);
        expected.prepend(6);
        QCOMPARE(listedKeys(m), expected);

        m.setSortField(u"FAM"_s);
        QList<int> sorted = listedKeys(m);
        QCOMPARE(sorted.size(), expected.size());
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(sorted, expected);
        m.setSortField(QString());

        dm_->Disconnect();
        QVERIFY(m.drivingKeys().isEmpty());
        dm_->DBConnect();
        QCOMPARE(m.filter(), search.condition);
        QCOMPARE(listedKeys(*dm_->TabMain), expected);
    }

    // The program's own save is found too: it carries a change stamp like any other.
    void ownSaveIsSeen() {
        Dataset& m = *dm_->TabMain;
        QCOMPARE(indexedSearch(m, u"Бравый"_s), QList<int>{});
        m.setFilterState(QString(), false);
        QVERIFY(m.locate(u"NUM_MAIN"_s, 8));
        m.setValue(u"NICKNAME"_s, u"Бравый"_s);
        m.post();
        QCOMPARE(indexedSearch(m, u"Бравый"_s), QList<int>{8});
    }

    // A catch-up indexes the contacts changed since the watermark and moves the watermark on: the
    // changed contact is then named by the index itself, not only by its stamp.
    void catchUpIndexesChangedContacts() {
        dm_.reset();
        OtherCopy other(folder_->databasePath());
        const qint64 before = stateOf(other.db).watermark;
        QVERIFY(!named(std::nullopt, 6));
        other.run(u"update \"MAIN\" set NOTES = 'зебра' where NUM_MAIN = 6"_s);
        QVERIFY(indexReady(folder_->databasePath()));
        const searchindex::State s = stateOf(other.db);
        QVERIFY(s.watermark > before);
        QCOMPARE(s.staleRows, 1);
        fb::Transaction tr;
        tr.start(other.db);
        const auto found = searchindex::candidates(other.db, tr, cp1251::encode(u"зебра"_s), 100);
        QVERIFY(found);
        QCOMPARE(found->keys, std::vector<int>{6});
    }

    // After many contacts were indexed again, the index is built anew as a new generation and the
    // old one's pieces are dropped.
    void manyCatchUpsBuildAnew() {
        dm_.reset();
        OtherCopy other(folder_->databasePath());
        const int gen = stateOf(other.db).gen;
        other.run(u"update \"MAIN\" set NICKNAME = 'бобр' where NUM_MAIN <= 5"_s);
        {
            searchindex::IndexBuilder b(other.db, schema::readScript(u":/data/schema.sql"_s));
            b.rebuildAfterStaleRows = 3;
            QVERIFY(b.runToEnd()); // the catch-up: 5 contacts indexed again
            QCOMPARE(stateOf(other.db).staleRows, 5);
            QVERIFY(b.runToEnd()); // the build
        }
        const searchindex::State s = stateOf(other.db);
        QCOMPARE(s.gen, gen + 1);
        QCOMPARE(s.staleRows, 0);
        fb::Transaction tr;
        tr.start(other.db);
        fb::Statement st(other.db, tr, u"select count(*) from SEARCH_GRAMS where GEN <> ?"_s);
        st.setParam(0, s.gen);
        st.execute();
        QVERIFY(st.fetch());
        QCOMPARE(st.integer(0), 0);
        dm_ = folder_->openDM(ui_);
        bool narrowed = false;
        QCOMPARE(indexedSearch(*dm_->TabMain, u"бобр"_s, &narrowed), (QList<int>{1, 2, 3, 4, 5}));
        QVERIFY(narrowed);
    }

    // Before the index covers the database a search takes the plain condition; while a build is
    // under way, and after, the same rows come.
    void sameRowsBeforeWhileAndAfterTheBuild() {
        dm_.reset();
        folder_ = std::make_unique<Folder>();
        writeFixture(folder_->databasePath());
        OtherCopy builder(folder_->databasePath());
        searchindex::IndexBuilder b(builder.db, schema::readScript(u":/data/schema.sql"_s));
        b.rowsPerChunk = 3;
        // The program's keeper waits while the build is this test's.
        fb::Transaction lock;
        lock.start(builder.db);
        fb::executeImmediate(builder.db, lock, u"update SEARCH_LOCK set RUNS = RUNS where ID = 1"_s);
        dm_ = folder_->openDM(ui_);
        Dataset& m = *dm_->TabMain;
        const QStringList texts{u"и"_s, u"Иван"_s, u"a%b"_s, u"ул. Ленина"_s, u"'"_s, u"Ё"_s};
        QList<QList<int>> expected;
        for (const QString& text : texts)
            expected << plainSearch(m, text);
        auto sameRows = [&](bool narrowedExpected) {
            for (int i = 0; i < texts.size(); ++i) {
                bool narrowed = false;
                QCOMPARE(indexedSearch(m, texts[i], &narrowed), expected[i]);
                QCOMPARE(narrowed, narrowedExpected);
            }
        };
        sameRows(false);
        lock.rollback();
        QCOMPARE(b.step(), searchindex::IndexBuilder::Step::Worked); // the build begins
        QCOMPARE(b.step(), searchindex::IndexBuilder::Step::Worked); // keys 1 to 3
        QCOMPARE(b.step(), searchindex::IndexBuilder::Step::Worked); // keys 4 to 6
        QVERIFY(stateOf(builder.db).buildGen != 0);
        sameRows(false);
        // Another copy goes on with the build from where this one left it.
        QTRY_VERIFY(indexReady(folder_->databasePath(), 3));
        sameRows(true);
    }

    // A build cancelled in the middle of a chunk leaves nothing of that chunk behind and goes on
    // from the last whole chunk.
    void cancelledBuildGoesOnFromItsLastChunk() {
        dm_.reset();
        OtherCopy builder(folder_->databasePath());
        std::atomic_bool cancel{false};
        searchindex::IndexBuilder b(builder.db, schema::readScript(u":/data/schema.sql"_s), &cancel);
        b.rowsPerChunk = 4;
        b.buildAnew();
        QCOMPARE(b.step(), searchindex::IndexBuilder::Step::Worked);
        const searchindex::State partway = stateOf(builder.db);
        QCOMPARE(partway.buildFrom, 5);
        cancel = true;
        QCOMPARE(b.step(), searchindex::IndexBuilder::Step::Idle);
        QCOMPARE(stateOf(builder.db).buildFrom, 5);
        QCOMPARE(stateOf(builder.db).nextPart, partway.nextPart);
        cancel = false;
        QVERIFY(b.runToEnd());
        QCOMPARE(stateOf(builder.db).gen, partway.buildGen);
        dm_ = folder_->openDM(ui_);
        Dataset& m = *dm_->TabMain;
        for (const QString& text : {u"Иван"_s, u"Москва"_s, u"ab"_s}) {
            bool narrowed = false;
            const QList<int> plain = plainSearch(m, text);
            QCOMPARE(indexedSearch(m, text, &narrowed), plain);
            QVERIFY(narrowed);
        }
    }

    // A database made before the search index existed opens at once and searches the plain way;
    // the program adds the index and builds it in the background.
    void olderDatabaseGetsTheIndexWithoutBlockingOpen() {
        dm_.reset();
        QVERIFY(QFile::remove(folder_->databasePath()));
        createWithoutIndex(folder_->databasePath());
        writeFixture(folder_->databasePath());
        {
            OtherCopy other(folder_->databasePath());
            QVERIFY(!hasRelation(other.db, u"SEARCH_GRAMS"_s));
        }
        dm_ = folder_->openDM(ui_);
        QVERIFY2(ui_.errors.isEmpty(), qPrintable(ui_.errors.join(u'\n')));
        QVERIFY(dm_->searchIndexKeeper());
        Dataset& m = *dm_->TabMain;
        QCOMPARE(indexedSearch(m, u"Ромашка"_s), QList<int>{3});
        // Nothing here builds it: the program's own background work does, on a thread of its own.
        struct Passes {
            std::atomic_bool offThread{true};
            std::atomic_int count{0};
        };
        const auto passes = std::make_shared<Passes>(); // the keeper may outlive this function
        connect(
            dm_->searchIndexKeeper(), &SearchIndexKeeper::passFinished, dm_->searchIndexKeeper(),
            [passes] {
                if (QThread::currentThread() == qApp->thread())
                    passes->offThread = false;
                ++passes->count;
            },
            Qt::DirectConnection);
        dm_->searchIndexKeeper()->wake();
        bool narrowed = false;
        QTRY_VERIFY((indexedSearch(m, u"Ромашка"_s, &narrowed), narrowed));
        QTRY_VERIFY(passes->count > 0);
        QVERIFY(passes->offThread);
        QCOMPARE(indexedSearch(m, u"Ромашка"_s), QList<int>{3});
        QVERIFY(named(candidatesFor(m, u"Ромашка"_s), 3));
    }

    // While another copy holds the index's lock (it is building), opening does not wait for it and
    // the search is plain; once the lock is free the program builds the index itself.
    void openingDoesNotWaitForAnotherCopysBuild() {
        dm_.reset();
        folder_ = std::make_unique<Folder>();
        writeFixture(folder_->databasePath());
        OtherCopy other(folder_->databasePath());
        fb::Transaction lock;
        lock.start(other.db);
        fb::executeImmediate(other.db, lock, u"update SEARCH_LOCK set RUNS = RUNS where ID = 1"_s);
        dm_ = folder_->openDM(ui_);
        Dataset& m = *dm_->TabMain;
        QVERIFY(m.isOpen());
        bool narrowed = true;
        QCOMPARE(indexedSearch(m, u"Иван"_s, &narrowed), QList<int>{1});
        QVERIFY(!narrowed);
        QCOMPARE(stateOf(other.db).gen, 0);
        lock.rollback();
        dm_->searchIndexKeeper()->wake();
        QTRY_VERIFY((indexedSearch(m, u"Иван"_s, &narrowed), narrowed));
        QCOMPARE(indexedSearch(m, u"Иван"_s), QList<int>{1});
    }
};

QTEST_MAIN(TstIndexedSearch)
#include "tst_indexedsearch.moc"
