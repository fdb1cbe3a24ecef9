#include "RecordingComm.h"
#include "servis.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString defaultMessenger = QString::fromLatin1(kDefaultMessengerPath);

// A box of the given kind showing the text, with the tag when one is given.
std::unique_ptr<QWidget> makeBox(const QString& kind, const QVariant& tag, const QString& text) {
    std::unique_ptr<QWidget> box;
    if (kind == u"line") {
        box = std::make_unique<QLineEdit>(text);
    } else if (kind == u"memo") {
        box = std::make_unique<QPlainTextEdit>(text);
    } else if (kind == u"combo") {
        auto combo = std::make_unique<QComboBox>();
        combo->setEditable(true);
        combo->setEditText(text);
        box = std::move(combo);
    } else if (kind == u"date") {
        auto date = std::make_unique<QDateEdit>(QDate(1970, 5, 17));
        date->setDisplayFormat(u"dd.MM.yyyy"_s);
        box = std::move(date);
    } else if (kind == u"composite") {
        box = std::make_unique<QWidget>();
        new QLineEdit(text, box.get());
        new QPushButton(u"…"_s, box.get());
    } else {
        box = std::make_unique<QLabel>(text);
    }
    if (tag.isValid())
        box->setProperty("Tag", tag);
    return box;
}

} // namespace

class ServisTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { setMessengerPath(QString()); }
    void communicateByTag_data();
    void communicateByTag();
    void nullControlDoesNothing();
    void dialNumberSendsFourTexts_data();
    void dialNumberSendsFourTexts();
    void openMailToAndShellOpenPassTextUnchanged();
    void messengerFromSettingsElseDefault();
};

void ServisTest::communicateByTag_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QVariant>("tag"); // invalid: the control has no tag
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("dialed");
    QTest::addColumn<QStringList>("executed");
    const QStringList none;

    QTest::newRow("phone") << u"line"_s << QVariant(100) << u"+7 (495) 123-45-67"_s
                           << QStringList{u"+7 (495) 123-45-67"_s} << none;
    QTest::newRow("empty phone still dials")
        << u"line"_s << QVariant(100) << QString() << QStringList{QString()} << none;
    QTest::newRow("phone in a pick box") << u"combo"_s << QVariant(100) << u"8 800 555"_s << QStringList{u"8 800 555"_s}
                                         << none;
    QTest::newRow("mail") << u"line"_s << QVariant(200) << u"ivanov@example.ru"_s << none
                          << QStringList{u"mailto:ivanov@example.ru"_s};
    QTest::newRow("empty mail") << u"line"_s << QVariant(200) << QString() << none << QStringList{u"mailto:"_s};
    QTest::newRow("mail not encoded") << u"line"_s << QVariant(200) << u"a b?subject=x&y"_s << none
                                      << QStringList{u"mailto:a b?subject=x&y"_s};
    QTest::newRow("web as typed") << u"line"_s << QVariant(300) << u"www.Example.ru/Путь?a=1 b"_s << none
                                  << QStringList{u"www.Example.ru/Путь?a=1 b"_s};
    QTest::newRow("web in a memo") << u"memo"_s << QVariant(300) << u"http://a.ru\nhttp://b.ru"_s << none
                                   << QStringList{u"http://a.ru\nhttp://b.ru"_s};
    QTest::newRow("empty web") << u"line"_s << QVariant(300) << QString() << none << QStringList{QString()};
    QTest::newRow("messenger with number")
        << u"line"_s << QVariant(400) << u"123456789"_s << none << QStringList{defaultMessenger};
    QTest::newRow("messenger empty") << u"line"_s << QVariant(400) << QString() << none
                                     << QStringList{defaultMessenger};
    QTest::newRow("tag as text") << u"line"_s << QVariant(u"200"_s) << u"x@y.z"_s << none
                                 << QStringList{u"mailto:x@y.z"_s};
    QTest::newRow("date box reads its text")
        << u"date"_s << QVariant(100) << QString() << QStringList{u"17.05.1970"_s} << none;
    QTest::newRow("tag 0") << u"line"_s << QVariant(0) << u"123"_s << none << none;
    QTest::newRow("no tag") << u"line"_s << QVariant() << u"123"_s << none << none;
    QTest::newRow("other tag") << u"line"_s << QVariant(101) << u"123"_s << none << none;
    QTest::newRow("pager") << u"line"_s << QVariant() << u"2345"_s << none << none;
    QTest::newRow("pick box made of parts")
        << u"composite"_s << QVariant(300) << u"http://a.ru"_s << none << QStringList{u"http://a.ru"_s};
    QTest::newRow("label with phone tag")
        << u"label"_s << QVariant(100) << u"55-55"_s << QStringList{u"55-55"_s} << none;
}

void ServisTest::communicateByTag() {
    QFETCH(QString, kind);
    QFETCH(QVariant, tag);
    QFETCH(QString, text);
    QFETCH(QStringList, dialed);
    QFETCH(QStringList, executed);

    RecordingShell shell;
    RecordingTelephony telephony;
    const auto box = makeBox(kind, tag, text);
    CommunicateByTag(box.get());
    QCOMPARE(telephony.numbers(), dialed);
    QCOMPARE(shell.executed, executed);
    for (const CallRequest& call : telephony.calls)
        QCOMPARE(call.appName, u"Korvane"_s);
}

void ServisTest::nullControlDoesNothing() {
    RecordingShell shell;
    RecordingTelephony telephony;
    CommunicateByTag(nullptr);
    QVERIFY(shell.executed.isEmpty());
    QVERIFY(telephony.calls.isEmpty());
}

void ServisTest::dialNumberSendsFourTexts_data() {
    QTest::addColumn<QString>("number");
    QTest::newRow("typed with plus, blanks, brackets, hyphens") << u"+7 (495) 123-45-67"_s;
    QTest::newRow("empty") << QString();
    QTest::newRow("letters and extension") << u"8-800-FLOWERS доб. 12"_s;
}

void ServisTest::dialNumberSendsFourTexts() {
    QFETCH(QString, number);
    RecordingShell shell;
    RecordingTelephony telephony;
    DialNumber(number);
    QCOMPARE(telephony.calls.size(), 1);
    const CallRequest& call = telephony.calls.front();
    QCOMPARE(call.destAddress, number);
    QCOMPARE(call.appName, u"Korvane"_s);
    QVERIFY(call.calledParty.isEmpty());
    QVERIFY(call.comment.isEmpty());
    QVERIFY(shell.executed.isEmpty()); // dialing is the telephony service's business alone
}

void ServisTest::openMailToAndShellOpenPassTextUnchanged() {
    RecordingShell shell;
    OpenMailTo(u"Иванов <ivanov@example.ru>"_s);
    ShellOpen(u"/opt/korvane/Help/phones.html"_s);
    ShellOpen(u"example.ru"_s);
    QCOMPARE(shell.executed, (QStringList{u"mailto:Иванов <ivanov@example.ru>"_s, u"/opt/korvane/Help/phones.html"_s,
                                          u"example.ru"_s}));
}

void ServisTest::messengerFromSettingsElseDefault() {
    RecordingShell shell;
    StartMessenger();
    setMessengerPath(u"/opt/icq/icq"_s);
    QCOMPARE(messengerPath(), u"/opt/icq/icq"_s);
    StartMessenger();
    setMessengerPath(QString());
    StartMessenger();
    QCOMPARE(shell.executed, (QStringList{defaultMessenger, u"/opt/icq/icq"_s, defaultMessenger}));
    // The messenger is started as the configured program, never opened like a contact's text.
    QCOMPARE(shell.programs, shell.executed);
}

QTEST_MAIN(ServisTest)
#include "tst_servis.moc"
