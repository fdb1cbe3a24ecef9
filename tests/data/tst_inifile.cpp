#include <QTest>
class Tst_inifile : public QObject {
    Q_OBJECT
};
QTEST_GUILESS_MAIN(Tst_inifile)
#include "tst_inifile.moc"
