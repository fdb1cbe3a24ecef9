#include "DatasetTableModel.h"
#include "PhoneButton.h"
#include "RecordingComm.h"
#include "Ring.h"
#include "TestDatabase.h"
#include "setphone.h"

#include <QDir>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTableView>
#include <QTreeView>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

using Values = QList<std::pair<QString, QString>>; // field name, text

const QStringList phoneFields = {u"JOB_TEL1"_s,  u"JOB_TEL2"_s,  u"JOB_TEL3"_s, u"JOB_TEL4"_s, u"JOB_FAX"_s,
                                 u"HOME_TEL1"_s, u"HOME_TEL2"_s, u"HOME_FAX"_s, u"CELLULAR"_s};

// The picker with its modal loop replaced: it is shown, looked at and hidden again.
class NonBlockingPicker : public TFormSelectPhone {
public:
    using TFormSelectPhone::TFormSelectPhone;
    int showModal() override {
        show();
        ++opened;
        for (const PhoneButton* b : numberButtons())
            captionsWhenOpened << b->text();
        hide();
        return QDialog::Rejected;
    }
    int opened = 0;
    QStringList captionsWhenOpened;
};

QStringList captions(const TFormSelectPhone& picker) {
    QStringList out;
    for (const PhoneButton* b : picker.numberButtons())
        out << b->text();
    return out;
}

// A database with its data module; every test starts from an empty contacts table.
struct Fixture {
    testdb::RecordedUi ui;
    testdb::Folder folder;
    std::unique_ptr<TDM> dm = folder.openDM(ui);
    Dataset& contacts() { return *dm->TabMain; }

    // Saves a contact and leaves it current; returns its key.
    QVariant addContact(const QString& surname, const Values& values) {
        Dataset& d = contacts();
        d.append();
        d.setValue(u"FAM"_s, surname);
        for (const auto& [name, text] : values)
            d.setValue(name, text);
        d.post();
        return d.value(u"NUM_MAIN"_s);
    }
    void makeCurrent(const QVariant& key) { QVERIFY(contacts().locate(u"NUM_MAIN"_s, key)); }
};

} // namespace

class PickerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void offersFilledNumbersInFieldOrder_data();
    void offersFilledNumbersInFieldOrder();
    void reopeningShowsOnlyTheCurrentContact();
    void fieldHiddenByOptionsIsNotOffered();
    void pressingANumberDialsItAndStaysOpen();
    void closeButtonCloses();
    void windowLooksAsDesigned();
    void ring_data();
    void ring();
    void screenshot();
};

void PickerTest::offersFilledNumbersInFieldOrder_data() {
    QTest::addColumn<Values>("values");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("no numbers") << Values{{u"JOB_EMAIL"_s, u"a@b.ru"_s}} << QStringList{};
    QTest::newRow("cellular and second work number")
        << Values{{u"CELLULAR"_s, u"+7 916 000-00-01"_s}, {u"JOB_TEL2"_s, u"(495) 222-22-22"_s}}
        << QStringList{u"(495) 222-22-22"_s, u"+7 916 000-00-01"_s};
    Values all;
    QStringList allNumbers;
    for (int i = phoneFields.size() - 1; i >= 0; --i) // filled backwards: the order comes from the fields
        all.append({phoneFields[i], u"+7 (495) 000-00-0%1"_s.arg(i + 1)});
    for (int i = 0; i < phoneFields.size(); ++i)
        allNumbers << u"+7 (495) 000-00-0%1"_s.arg(i + 1);
    QTest::newRow("all nine") << all << allNumbers;
    QTest::newRow("pager, area code and mail are no phones") << Values{{u"PAGER"_s, u"111"_s},
                                                                       {u"AREA_CODE"_s, u"495"_s},
                                                                       {u"JOB_ICQ"_s, u"12345"_s},
                                                                       {u"HOME_FAX"_s, u"333-33-33"_s}}
                                                             << QStringList{u"333-33-33"_s};
    QTest::newRow("ampersand shown as typed") << Values{{u"JOB_TEL1"_s, u"1&2"_s}} << QStringList{u"1&2"_s};
}

void PickerTest::offersFilledNumbersInFieldOrder() {
    QFETCH(Values, values);
    QFETCH(QStringList, expected);
    Fixture fx;
    fx.addContact(u"Петров"_s, values);

    TFormSelectPhone picker(*fx.dm);
    picker.show();
    QCOMPARE(captions(picker), expected);

    const int n = static_cast<int>(expected.size());
    for (int i = 0; i < n; ++i) {
        const PhoneButton* b = picker.numberButtons()[i];
        QCOMPARE(b->geometry(), QRect(20, 10 + 50 * i, 200, 40));
        QVERIFY(b->isVisible());
        QCOMPARE(b->icon().cacheKey(), picker.BitBtnPhone->icon().cacheKey());
        QCOMPARE(b->pictureRect().left(), 10);
        QVERIFY(b->shortcut().isEmpty());
    }
    QCOMPARE(picker.outerHeight(), 110 + 50 * n);
    QCOMPARE(picker.frameGeometry().height(), 110 + 50 * n);
    QCOMPARE(picker.width(), 231);
}

void PickerTest::reopeningShowsOnlyTheCurrentContact() {
    Fixture fx;
    const QVariant many =
        fx.addContact(u"Иванов"_s, {{u"JOB_TEL1"_s, u"111"_s}, {u"HOME_TEL1"_s, u"222"_s}, {u"CELLULAR"_s, u"333"_s}});
    const QVariant few = fx.addContact(u"Сидоров"_s, {{u"HOME_TEL2"_s, u"444"_s}});

    NonBlockingPicker picker(*fx.dm);
    fx.makeCurrent(many);
    picker.showModal();
    fx.makeCurrent(few);
    picker.showModal();
    QCOMPARE(picker.captionsWhenOpened, (QStringList{u"111"_s, u"222"_s, u"333"_s, u"444"_s}));
    QCOMPARE(captions(picker), QStringList{u"444"_s});
    // The buttons of the earlier showing are gone, not merely hidden.
    QCOMPARE(picker.findChildren<PhoneButton*>().size(), 2); // the template and "444"
    QCOMPARE(picker.outerHeight(), 160);
    QCOMPARE(picker.frameGeometry().height(), 160);
}

void PickerTest::fieldHiddenByOptionsIsNotOffered() {
    Fixture fx;
    fx.addContact(u"Петров"_s, {{u"JOB_TEL1"_s, u"111"_s}, {u"JOB_TEL2"_s, u"222"_s}});
    fx.contacts().fieldByName(u"JOB_TEL1"_s).setVisible(false);

    NonBlockingPicker picker(*fx.dm);
    picker.showModal();
    QCOMPARE(picker.captionsWhenOpened, QStringList{u"222"_s});
    QCOMPARE(picker.outerHeight(), 160);
}

void PickerTest::pressingANumberDialsItAndStaysOpen() {
    Fixture fx;
    fx.addContact(u"Петров"_s, {{u"JOB_TEL1"_s, u"+7 (495) 123-45-67"_s}, {u"CELLULAR"_s, u"8-916-000"_s}});
    RecordingTelephony telephony;
    RecordingShell shell;

    TFormSelectPhone picker(*fx.dm);
    picker.show();
    QTest::mouseClick(picker.numberButtons()[1], Qt::LeftButton);
    QTest::mouseClick(picker.numberButtons()[0], Qt::LeftButton);
    QVERIFY(picker.isVisible());
    QCOMPARE(telephony.calls, (QList<CallRequest>{{u"8-916-000"_s, u"Korvane"_s, {}, {}},
                                                  {u"+7 (495) 123-45-67"_s, u"Korvane"_s, {}, {}}}));
    QVERIFY(shell.executed.isEmpty());
}

void PickerTest::closeButtonCloses() {
    Fixture fx;
    fx.addContact(u"Петров"_s, {{u"JOB_TEL1"_s, u"111"_s}});
    RecordingTelephony telephony;
    TFormSelectPhone picker(*fx.dm);
    picker.show();
    QTest::mouseClick(picker.BitBtnClose, Qt::LeftButton);
    QVERIFY(!picker.isVisible());
    QVERIFY(telephony.calls.isEmpty());
}

void PickerTest::windowLooksAsDesigned() {
    Fixture fx;
    TFormSelectPhone picker(*fx.dm);
    picker.show();
    QCOMPARE(picker.objectName(), u"FormSelectPhone"_s);
    QCOMPARE(picker.windowTitle(), u"Выбор номера"_s);
    const Qt::WindowFlags flags = picker.windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(picker.minimumSize(), picker.maximumSize()); // fixed border
    QCOMPARE(picker.BitBtnClose->text(), u"Закрыть"_s);
    QCOMPARE(picker.Panel1->height(), 41);
    // The close button in the middle of the bar.
    const QRect close = picker.BitBtnClose->geometry();
    QVERIFY(qAbs(close.center().x() - picker.Panel1->width() / 2) <= 1);
    QVERIFY(qAbs(close.center().y() - picker.Panel1->height() / 2) <= 1);
    QVERIFY(picker.StatusBar1->isVisible());
    QVERIFY(picker.StatusBar1->currentMessage().isEmpty());
    QVERIFY(picker.StatusBar1->geometry().top() >= picker.Panel1->geometry().bottom());
    QVERIFY(!picker.BitBtnPhone->isVisible());
    QCOMPARE(picker.BitBtnPhone->text(), u"Phone"_s);
    QVERIFY(!picker.BitBtnPhone->icon().isNull());
    // Centred on the desktop.
    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    QVERIFY((picker.frameGeometry().center() - desktop.center()).manhattanLength() <= 2);
}

namespace {
enum class Focus {
    PhoneCell,
    EmptyPhoneCell,
    NameCell,
    NoCurrentCell,
    Viewport,
    OtherWidget,
    Nothing,
    OtherModel,
    ClosedContacts
};
}
Q_DECLARE_METATYPE(Focus)

void PickerTest::ring_data() {
    QTest::addColumn<Focus>("focus");
    QTest::addColumn<QStringList>("dialed");
    QTest::addColumn<int>("pickerOpened");
    const QStringList number{u"+7 (495) 123-45-67"_s};
    QTest::newRow("phone cell with a number") << Focus::PhoneCell << number << 0;
    QTest::newRow("grid's viewport focused") << Focus::Viewport << number << 0;
    QTest::newRow("empty phone cell") << Focus::EmptyPhoneCell << QStringList{} << 1;
    QTest::newRow("name column") << Focus::NameCell << QStringList{} << 1;
    QTest::newRow("no column selected") << Focus::NoCurrentCell << QStringList{} << 1;
    QTest::newRow("group tree focused") << Focus::OtherWidget << QStringList{} << 1;
    QTest::newRow("nothing focused") << Focus::Nothing << QStringList{} << 1;
    QTest::newRow("grid of something else") << Focus::OtherModel << QStringList{} << 1;
    QTest::newRow("contacts closed") << Focus::ClosedContacts << QStringList{} << 1;
}

void PickerTest::ring() {
    QFETCH(Focus, focus);
    QFETCH(QStringList, dialed);
    QFETCH(int, pickerOpened);

    Fixture fx;
    fx.addContact(u"Аникин"_s, {{u"JOB_TEL1"_s, u"000"_s}});
    const QVariant key = fx.addContact(u"Петров"_s, {{u"JOB_TEL1"_s, u"+7 (495) 123-45-67"_s}});
    fx.makeCurrent(key);
    const int row = fx.contacts().currentRow();
    RecordingTelephony telephony;
    NonBlockingPicker picker(*fx.dm);

    DatasetTableModel model;
    model.setDataset(&fx.contacts(), {u"FAM"_s, u"JOB_TEL1"_s, u"CELLULAR"_s});
    QTableView grid;
    grid.setModel(&model);
    QStandardItemModel otherModel(1, 1);
    otherModel.setItem(0, 0, new QStandardItem(u"123"_s));
    QTableView otherGrid;
    otherGrid.setModel(&otherModel);
    otherGrid.setCurrentIndex(otherModel.index(0, 0));
    QTreeView tree;

    QWidget* focused = &grid;
    switch (focus) {
    case Focus::PhoneCell:
    case Focus::ClosedContacts:
        grid.setCurrentIndex(model.index(row, 1));
        break;
    case Focus::Viewport:
        grid.setCurrentIndex(model.index(row, 1));
        focused = grid.viewport();
        break;
    case Focus::EmptyPhoneCell:
        grid.setCurrentIndex(model.index(row, 2));
        break;
    case Focus::NameCell:
        grid.setCurrentIndex(model.index(row, 0));
        break;
    case Focus::NoCurrentCell:
        grid.setCurrentIndex(QModelIndex());
        break;
    case Focus::OtherWidget:
        focused = &tree;
        break;
    case Focus::Nothing:
        focused = nullptr;
        break;
    case Focus::OtherModel:
        focused = &otherGrid;
        break;
    }
    if (focus == Focus::ClosedContacts)
        fx.contacts().close();

    acRingExecute(focused, *fx.dm, picker);
    QCOMPARE(telephony.numbers(), dialed);
    QCOMPARE(picker.opened, pickerOpened);
    if (pickerOpened && focus != Focus::ClosedContacts)
        QCOMPARE(picker.captionsWhenOpened, QStringList{u"+7 (495) 123-45-67"_s});
}

void PickerTest::screenshot() {
    Fixture fx;
    fx.addContact(u"Петров"_s, {{u"JOB_TEL1"_s, u"+7 (495) 123-45-67"_s},
                                {u"HOME_TEL1"_s, u"(495) 765-43-21"_s},
                                {u"CELLULAR"_s, u"8-916-000-00-01"_s}});
    TFormSelectPhone picker(*fx.dm);
    picker.show();
    const QImage image = picker.grab().toImage();
    QCOMPARE(picker.frameGeometry().height(), 260);
    QCOMPARE(image.size() / image.devicePixelRatio(), picker.size());

    // The phone picture starts just right of the button's 10-pixel margin.
    const QImage button = picker.numberButtons()[0]->grab().toImage();
    int firstGreen = -1;
    for (int x = 0; x < button.width() && firstGreen < 0; ++x)
        for (int y = 0; y < button.height(); ++y) {
            const QColor c = button.pixelColor(x, y);
            if (c.green() > c.red() + 40 && c.green() > c.blue() + 40) {
                firstGreen = x;
                break;
            }
        }
    QVERIFY(firstGreen >= 10 && firstGreen <= 14);

    const QString dir = qEnvironmentVariable("KORVANE_SHOT_DIR");
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        QVERIFY(image.save(dir + u"/comm-picker.png"_s));
    }
}

QTEST_MAIN(PickerTest)
#include "tst_picker.moc"
