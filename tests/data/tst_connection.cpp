#include <QTest>
class Tst_connection : public QObject {
    Q_OBJECT
};
QTEST_GUILESS_MAIN(Tst_connection)
#include "tst_connection.moc"
