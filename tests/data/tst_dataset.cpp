#include <QTest>
class Tst_dataset : public QObject {
    Q_OBJECT
};
QTEST_GUILESS_MAIN(Tst_dataset)
#include "tst_dataset.moc"
