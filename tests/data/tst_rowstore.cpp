// Packed rows read back exactly as built: nulls, empty texts, payloads on both sides of the
// one-byte offsets, null bitmaps of more than one byte, rows saved again and removed.
#include "RowStore.h"

#include <QTest>

namespace {

// A row of the given column lengths; a negative length is a null column.
std::string_view build(RowBuilder& b, const QByteArray& key, const QList<int>& lengths) {
    b.start(key.constData(), static_cast<int>(key.size()));
    for (int c = 0; c < lengths.size(); ++c) {
        if (lengths[c] < 0) {
            b.addNull();
            continue;
        }
        const QByteArray text(lengths[c], static_cast<char>('a' + c % 26));
        b.addBytes(text.constData(), static_cast<int>(text.size()));
    }
    return b.finish();
}

void compareRow(const PackedRow& row, const QByteArray& key, const QList<int>& lengths) {
    QVERIFY(row.valid());
    QCOMPARE(row.dbKey(), key.leftJustified(PackedRow::kKeySize, '\0', true));
    for (int c = 0; c < lengths.size(); ++c) {
        QCOMPARE(row.isNull(c), lengths[c] < 0);
        if (lengths[c] >= 0)
            QCOMPARE(QByteArray(row.data(c), row.length(c)), QByteArray(lengths[c], static_cast<char>('a' + c % 26)));
    }
}

} // namespace

class TstRowStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rowsReadBackAsBuilt_data() {
        QTest::addColumn<QList<int>>("lengths");
        QTest::newRow("short") << QList<int>{3, 0, -1, 7};
        QTest::newRow("every column null") << QList<int>{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
        QTest::newRow("payload of 255 bytes") << QList<int>{200, -1, 55};
        QTest::newRow("payload of 256 bytes") << QList<int>{200, -1, 56};
        QTest::newRow("long text") << QList<int>{10, 32000, -1, 4};
        QTest::newRow("nine columns") << QList<int>{1, -1, 2, -1, 3, -1, 4, -1, 5};
        QTest::newRow("forty columns") << QList<int>(40, 6);
    }
    void rowsReadBackAsBuilt() {
        QFETCH(QList<int>, lengths);
        const int columns = static_cast<int>(lengths.size());
        RowBuilder b(columns);
        RowStore store(columns);
        const QByteArray key("\x80\x01\x02\x03\x04\x05\x06\x07", 8);
        // Enough rows to fill more than one block.
        for (int r = 0; r < 3000; ++r)
            store.append(build(b, key, lengths));
        QCOMPARE(store.size(), 3000);
        compareRow(store.at(0), key, lengths);
        compareRow(store.at(2999), key, lengths);
    }

    void rowsAreSavedAgainRemovedAndAdded() {
        RowBuilder b(2);
        RowStore store(2);
        for (int r = 0; r < 3; ++r)
            store.append(build(b, QByteArray::number(r), {r, 1}));
        store.replace(1, build(b, QByteArrayLiteral("1"), {300, -1}));
        compareRow(store.at(1), QByteArrayLiteral("1"), {300, -1});
        store.erase(0);
        QCOMPARE(store.size(), 2);
        compareRow(store.at(0), QByteArrayLiteral("1"), {300, -1});
        compareRow(store.at(1), QByteArrayLiteral("2"), {2, 1});
        store.appendPlaceholder();
        QVERIFY(!store.at(2).valid());
        store.replace(2, build(b, QByteArrayLiteral("new"), {-1, 5}));
        compareRow(store.at(2), QByteArrayLiteral("new"), {-1, 5});
        store.clear();
        QVERIFY(store.empty());
    }
};

QTEST_GUILESS_MAIN(TstRowStore)

#include "tst_rowstore.moc"
