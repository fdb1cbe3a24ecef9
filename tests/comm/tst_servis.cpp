#include "MessageBoxes.h"
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
    void mailAddressOnly_data();
    void mailAddressOnly();
    void webAddress_data();
    void webAddress();
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
    QTest::newRow("mail query dropped") << u"line"_s << QVariant(200) << u"a b?subject=x&y"_s << none
                                        << QStringList{u"mailto:a b"_s};
    QTest::newRow("mail attachment dropped")
        << u"line"_s << QVariant(200) << u"a@b.c?attach=/etc/passwd"_s << none << QStringList{u"mailto:a@b.c"_s};
    QTest::newRow("web as typed behind http") << u"line"_s << QVariant(300) << u"www.Example.ru/Путь?a=1 b"_s << none
                                              << QStringList{u"http://www.Example.ru/Путь?a=1 b"_s};
    QTest::newRow("web script refused") << u"line"_s << QVariant(300) << u"javascript:alert(1)"_s << none << none;
    QTest::newRow("web in a memo") << u"memo"_s << QVariant(300) << u"http://a.ru\nhttp://b.ru"_s << none
                                   << QStringList{u"http://a.ru\nhttp://b.ru"_s};
    QTest::newRow("empty web opens nothing") << u"line"_s << QVariant(300) << QString() << none << none;
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
    msgbox::setResponder([](const msgbox::Shown&) { return QMessageBox::Ok; });
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

// A mail value names the recipient and nothing else: headers and attachments a value (an imported
// card, say) asks for in a query never reach the mail program.
void ServisTest::mailAddressOnly_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("opened");
    QTest::newRow("plain") << u"ivanov@example.ru"_s << u"mailto:ivanov@example.ru"_s;
    QTest::newRow("attachment") << u"a@b.c?attach=/etc/passwd"_s << u"mailto:a@b.c"_s;
    QTest::newRow("headers") << u"a@b.c?subject=x&body=y&cc=z@z.z"_s << u"mailto:a@b.c"_s;
    QTest::newRow("mailto already in front") << u"MAILTO:a@b.c?attach=~/.ssh/id_rsa"_s << u"mailto:a@b.c"_s;
    QTest::newRow("line break") << u"a@b.c\nattach=/etc/passwd"_s << u"mailto:a@b.c attach=/etc/passwd"_s;
    QTest::newRow("name and address") << u"Иванов <ivanov@example.ru>"_s << u"mailto:Иванов <ivanov@example.ru>"_s;
    QTest::newRow("empty") << QString() << u"mailto:"_s;
}

void ServisTest::mailAddressOnly() {
    QFETCH(QString, value);
    QFETCH(QString, opened);
    RecordingShell shell;
    OpenMailTo(value);
    QCOMPARE(shell.executed, QStringList{opened});
}

// The web box opens http, https and ftp; a bare host is a web address; any other scheme is refused
// with a warning that names it, and nothing is opened.
void ServisTest::webAddress_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("opened");  // empty: nothing
    QTest::addColumn<QString>("refused"); // the scheme the warning names; empty: no warning
    QTest::newRow("http") << u"http://example.ru/a"_s << u"http://example.ru/a"_s << QString();
    QTest::newRow("https any case") << u"HTTPS://example.ru"_s << u"HTTPS://example.ru"_s << QString();
    QTest::newRow("ftp") << u"ftp://files.example.ru/x"_s << u"ftp://files.example.ru/x"_s << QString();
    QTest::newRow("bare host") << u"example.ru"_s << u"http://example.ru"_s << QString();
    QTest::newRow("www host with path") << u" www.example.ru/Путь "_s << u"http://www.example.ru/Путь"_s << QString();
    QTest::newRow("ftp host") << u"ftp.example.ru"_s << u"ftp://ftp.example.ru"_s << QString();
    QTest::newRow("host and port") << u"localhost:8080/app"_s << u"http://localhost:8080/app"_s << QString();
    QTest::newRow("javascript") << u"javascript:alert(1)"_s << QString() << u"javascript"_s;
    QTest::newRow("ssh") << u"ssh://root@example.ru"_s << QString() << u"ssh"_s;
    QTest::newRow("file") << u"file:///etc/passwd"_s << QString() << u"file"_s;
    QTest::newRow("mailto") << u"mailto:a@b.c"_s << QString() << u"mailto"_s;
    QTest::newRow("data") << u"data:text/html,<script>"_s << QString() << u"data"_s;
    QTest::newRow("empty") << QString() << QString() << QString();
}

void ServisTest::webAddress() {
    QFETCH(QString, value);
    QFETCH(QString, opened);
    QFETCH(QString, refused);
    RecordingShell shell;
    QList<msgbox::Shown> shown;
    msgbox::setResponder([&shown](const msgbox::Shown& s) {
        shown << s;
        return QMessageBox::Ok;
    });
    const auto box = makeBox(u"line"_s, QVariant(commtag::Web), value);
    CommunicateByTag(box.get());
    msgbox::clearResponder();
    QCOMPARE(shell.executed, opened.isEmpty() ? QStringList{} : QStringList{opened});
    QCOMPARE(shown.size(), refused.isEmpty() ? 0 : 1);
    if (!refused.isEmpty()) {
        QCOMPARE(shown.front().kind, msgbox::Kind::Warning);
        QVERIFY2(shown.front().text.contains(refused + u':'), qPrintable(shown.front().text));
        QVERIFY(shown.front().text.contains(value));
    }
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
