#include "PhotoLoader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

Q_DECLARE_METATYPE(photo::Result)

class TestPhotoLoader : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString path(const QString& name) const { return dir_.path() + u'/' + name; }
    void write(const QString& name, const QByteArray& bytes) const {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void saveImage(const QString& name, const char* format) const {
        QImage image(40, 50, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QVERIFY(image.save(path(name), format));
    }

    // A bitmap header that claims 100000 x 100000 pixels and holds none.
    static QByteArray hugeBmpHeader() {
        QByteArray b(54, '\0');
        b[0] = 'B';
        b[1] = 'M';
        qToLittleEndian<quint32>(54, b.data() + 10);
        qToLittleEndian<quint32>(40, b.data() + 14);
        qToLittleEndian<qint32>(100000, b.data() + 18);
        qToLittleEndian<qint32>(100000, b.data() + 22);
        qToLittleEndian<quint16>(1, b.data() + 26);
        qToLittleEndian<quint16>(24, b.data() + 28);
        return b;
    }

private Q_SLOTS:
    void initTestCase() {
        saveImage(QStringLiteral("photo.jpg"), "JPEG");
        saveImage(QStringLiteral("photo.JPEG"), "JPEG");
        saveImage(QStringLiteral("photo.bmp"), "BMP");
        // Qt reads GIF but cannot write it: the smallest valid one, 1 x 1 pixel.
        write(QStringLiteral("photo.gif"),
              QByteArray::fromHex(
                  "47494638396101000100800000000000ffffff21f90401000000002c00000000010001000002024401003b"));
        saveImage(QStringLiteral("photo.ico"), "ICO");
        saveImage(QStringLiteral("png-inside.jpg"), "PNG");
        saveImage(QStringLiteral("photo.png"), "PNG");
        write(QStringLiteral("broken.jpg"), QByteArray("\xFF\xD8\xFF\xE0") + QByteArray(" this is no jpeg"));
        write(QStringLiteral("picture.wmf"), QByteArray("\xD7\xCD\xC6\x9A", 4) + QByteArray(40, '\0'));
        write(QStringLiteral("picture.emf"), QByteArray(88, '\1'));
        write(QStringLiteral("notes.txt"), "text");
        write(QStringLiteral("huge.bmp"), hugeBmpHeader());
        QDir(dir_.path()).mkdir(QStringLiteral("folder.jpg"));
    }

    void load_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<photo::Result>("expected");
        using R = photo::Result;
        QTest::newRow("jpg") << "photo.jpg" << R::Shown;
        QTest::newRow("extension in capitals") << "photo.JPEG" << R::Shown;
        QTest::newRow("bmp") << "photo.bmp" << R::Shown;
        QTest::newRow("gif") << "photo.gif" << R::Shown;
        QTest::newRow("ico") << "photo.ico" << R::Shown;
        QTest::newRow("content of another format") << "png-inside.jpg" << R::NotAPicture;
        QTest::newRow("png is no accepted format") << "photo.png" << R::NotAPicture;
        QTest::newRow("broken jpeg") << "broken.jpg" << R::NotAPicture;
        QTest::newRow("metafile wmf") << "picture.wmf" << R::NotAPicture;
        QTest::newRow("metafile emf") << "picture.emf" << R::NotAPicture;
        QTest::newRow("text file") << "notes.txt" << R::NotAPicture;
        QTest::newRow("missing text file") << "missing.txt" << R::NotAPicture;
        QTest::newRow("huge dimensions") << "huge.bmp" << R::NotAPicture;
        QTest::newRow("missing picture") << "missing.jpg" << R::Unreadable;
        QTest::newRow("missing metafile") << "missing.wmf" << R::Unreadable;
        QTest::newRow("folder") << "folder.jpg" << R::Unreadable;
        QTest::newRow("empty link") << "" << R::NotAPicture;
    }

    void load() {
        QFETCH(QString, name);
        QFETCH(photo::Result, expected);
        QImage image;
        const QSize box(105, 117);
        const photo::Result result = photo::load(name.isEmpty() ? QString() : path(name), box, image);
        QCOMPARE(result, expected);
        QCOMPARE(image.isNull(), expected != photo::Result::Shown);
        if (!image.isNull())
            QCOMPARE(image.size(), box);
    }

    void filterListsEveryFormat() {
        for (const QString& ext : photo::extensions())
            QVERIFY2(photo::dialogFilter().contains(QStringLiteral("*.") + ext), qPrintable(ext));
    }
};

QTEST_MAIN(TestPhotoLoader)
#include "tst_photoloader.moc"
