// Applying a language file to live windows.
#include "IniLang.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>
#include <functional>

namespace {

// A window with one component of every kind the language file reaches, with Russian design texts.
class SampleWindow : public QWidget {
public:
    explicit SampleWindow(const QString& name = QStringLiteral("FormMain")) {
        setObjectName(name);
        setWindowTitle(QStringLiteral("Телефонная книга"));
        auto* layout = new QVBoxLayout(this);

        label = named(new QLabel(QStringLiteral("Фамилия"), this), "Label1");
        label->setToolTip(QStringLiteral("Подсказка"));
        layout->addWidget(label);
        button = named(new QPushButton(QStringLiteral("Отмена"), this), "BitBtn1");
        layout->addWidget(button);
        hiddenButton = named(new QPushButton(QStringLiteral("Создать"), this), "Button1");
        hiddenButton->hide();
        layout->addWidget(hiddenButton);
        unnamedLabel = new QLabel(QStringLiteral("Без имени"), this);
        layout->addWidget(unnamedLabel);

        action = named(new QAction(QStringLiteral("Печать"), this), "acPrint");
        menu = named(new QMenu(QStringLiteral("Файл"), this), "N1");
        menu->addAction(action);

        tabs = named(new QTabWidget(this), "PageControl1");
        tabs->addTab(named(new QWidget, "TabSheet1"), QStringLiteral("Основные"));
        tabs->addTab(named(new QWidget, "TabSheet2"), QStringLiteral("Дополнительно"));
        layout->addWidget(tabs);

        groupBox = named(new QGroupBox(QStringLiteral("Адрес"), this), "GroupBox1");
        auto* boxLayout = new QVBoxLayout(groupBox);
        innerLabel = named(new QLabel(QStringLiteral("Город"), groupBox), "Label2");
        boxLayout->addWidget(innerLabel);
        layout->addWidget(groupBox);

        combo = named(new QComboBox(this), "cmbPromt");
        combo->addItems({QStringLiteral("Да"), QStringLiteral("Нет")});
        layout->addWidget(combo);

        memo = named(new QPlainTextEdit(QStringLiteral("первая\nвторая"), this), "Memo1");
        layout->addWidget(memo);
        richMemo = named(new QTextEdit(this), "DBMemo1");
        richMemo->setPlainText(QStringLiteral("один\nдва\n"));
        layout->addWidget(richMemo);

        radioGroup = named(new QGroupBox(QStringLiteral("Вид"), this), "RadioGroup1");
        radioGroup->setProperty(kRadioGroupProperty, true);
        auto* radioLayout = new QVBoxLayout(radioGroup);
        for (const QString& text : {QStringLiteral("Все"), QStringLiteral("Рабочие"), QStringLiteral("Домашние")})
            radioLayout->addWidget(new QRadioButton(text, radioGroup));
        layout->addWidget(radioGroup);

        buttonGroup = named(new QButtonGroup(this), "ButtonGroup1");
        for (const QString& text : {QStringLiteral("Вкл"), QStringLiteral("Выкл")}) {
            auto* radio = new QRadioButton(text, this);
            buttonGroup->addButton(radio);
            layout->addWidget(radio);
        }
    }

    QString tabText(int index) const { return tabs->tabText(index); }
    QString radioText(int index) const { return radioGroup->findChildren<QRadioButton*>().at(index)->text(); }

    QLabel* label;
    QPushButton* button;
    QPushButton* hiddenButton;
    QLabel* unnamedLabel;
    QAction* action;
    QMenu* menu;
    QTabWidget* tabs;
    QGroupBox* groupBox;
    QLabel* innerLabel;
    QComboBox* combo;
    QPlainTextEdit* memo;
    QTextEdit* richMemo;
    QGroupBox* radioGroup;
    QButtonGroup* buttonGroup;

private:
    template <typename T> static T* named(T* object, const char* name) {
        object->setObjectName(QString::fromLatin1(name));
        return object;
    }
};

using Probe = std::function<QString(const SampleWindow&)>;

// What a row of the table looks at after the translation.
const QHash<QString, Probe>& probes() {
    static const QHash<QString, Probe> map = {
        {"title", [](const SampleWindow& w) { return w.windowTitle(); }},
        {"label", [](const SampleWindow& w) { return w.label->text(); }},
        {"label hint", [](const SampleWindow& w) { return w.label->toolTip(); }},
        {"button", [](const SampleWindow& w) { return w.button->text(); }},
        {"hidden button", [](const SampleWindow& w) { return w.hiddenButton->text(); }},
        {"unnamed label", [](const SampleWindow& w) { return w.unnamedLabel->text(); }},
        {"action", [](const SampleWindow& w) { return w.action->text(); }},
        {"action hint", [](const SampleWindow& w) { return w.action->toolTip(); }},
        {"menu", [](const SampleWindow& w) { return w.menu->title(); }},
        {"tab 0", [](const SampleWindow& w) { return w.tabText(0); }},
        {"tab 1", [](const SampleWindow& w) { return w.tabText(1); }},
        {"tab 1 hint", [](const SampleWindow& w) { return w.tabs->tabToolTip(1); }},
        {"group box", [](const SampleWindow& w) { return w.groupBox->title(); }},
        {"inner label", [](const SampleWindow& w) { return w.innerLabel->text(); }},
        {"combo",
         [](const SampleWindow& w) {
             return QStringList{w.combo->itemText(0), w.combo->itemText(1)}.join('|');
         }},
        {"combo count", [](const SampleWindow& w) { return QString::number(w.combo->count()); }},
        {"memo", [](const SampleWindow& w) { return w.memo->toPlainText(); }},
        {"rich memo", [](const SampleWindow& w) { return w.richMemo->toPlainText(); }},
        {"radio group",
         [](const SampleWindow& w) { return w.radioText(0) + '|' + w.radioText(1) + '|' + w.radioText(2); }},
        {"button group",
         [](const SampleWindow& w) {
             return w.buttonGroup->buttons().at(0)->text() + '|' + w.buttonGroup->buttons().at(1)->text();
         }},
    };
    return map;
}

} // namespace

class TranslateFormsTest : public QObject {
    Q_OBJECT

private slots:
    void translate_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("expected");

        const QString head = QStringLiteral("[FormMain]\n");
        QTest::newRow("window caption") << head + "FormMain.Caption=Phone book"
                                        << "title"
                                        << "Phone book";
        QTest::newRow("caption key in capitals, section in small letters") << "[formmain]\nFORMMAIN.CAPTION=Phone book"
                                                                           << "title"
                                                                           << "Phone book";
        QTest::newRow("empty window caption keeps it") << head + "FormMain.Caption="
                                                       << "title"
                                                       << "Телефонная книга";
        QTest::newRow("blank before = does not match") << head + "FormMain.Caption =Phone book"
                                                       << "title"
                                                       << "Телефонная книга";
        QTest::newRow("blank after = is kept") << head + "FormMain.Caption= Phone book"
                                               << "title"
                                               << " Phone book";
        QTest::newRow("second section of the window is ignored")
            << head + "FormMain.Label1.Caption=Name\n[FormMain]\nFormMain.Caption=Late"
            << "title"
            << "Телефонная книга";
        QTest::newRow("section of another window") << "[FormEdit]\nFormMain.Caption=Edit"
                                                   << "title"
                                                   << "Телефонная книга";
        QTest::newRow("key without the window name") << head + "Label1.Caption=Name"
                                                     << "label"
                                                     << "Фамилия";

        QTest::newRow("label caption") << head + "FormMain.Label1.Caption=Surname"
                                       << "label"
                                       << "Surname";
        QTest::newRow("empty label caption keeps it") << head + "FormMain.Label1.Caption="
                                                      << "label"
                                                      << "Фамилия";
        QTest::newRow("label hint") << head + "FormMain.Label1.Hint=Family name"
                                    << "label hint"
                                    << "Family name";
        QTest::newRow("empty hint keeps it") << head + "FormMain.Label1.Hint="
                                             << "label hint"
                                             << "Подсказка";
        QTest::newRow("button caption") << head + "FormMain.BitBtn1.Caption=Cancel"
                                        << "button"
                                        << "Cancel";
        QTest::newRow("hidden button caption") << head + "FormMain.Button1.Caption=Create"
                                               << "hidden button"
                                               << "Create";
        QTest::newRow("action caption") << head + "FormMain.acPrint.Caption=&Print"
                                        << "action"
                                        << "&Print";
        QTest::newRow("action hint") << head + "FormMain.acPrint.Hint=Print the grid"
                                     << "action hint"
                                     << "Print the grid";
        QTest::newRow("menu caption") << head + "FormMain.N1.Caption=&File"
                                      << "menu"
                                      << "&File";
        QTest::newRow("tab page caption") << head + "FormMain.TabSheet2.Caption=More"
                                          << "tab 1"
                                          << "More";
        QTest::newRow("other tab keeps its text") << head + "FormMain.TabSheet2.Caption=More"
                                                  << "tab 0"
                                                  << "Основные";
        QTest::newRow("tab page hint") << head + "FormMain.TabSheet2.Hint=More fields"
                                       << "tab 1 hint"
                                       << "More fields";
        QTest::newRow("group box caption") << head + "FormMain.GroupBox1.Caption=Address"
                                           << "group box"
                                           << "Address";
        QTest::newRow("component inside a group box") << head + "FormMain.Label2.Caption=City"
                                                      << "inner label"
                                                      << "City";
        QTest::newRow("first entry of a key wins")
            << head + "FormMain.Label1.Caption=First\nformmain.label1.caption=Second"
            << "label"
            << "First";

        QTest::newRow("combo item") << head + "FormMain.cmbPromt.items[1]=No"
                                    << "combo"
                                    << "Да|No";
        QTest::newRow("combo items") << head + "FormMain.cmbPromt.items[0]=Yes\nFormMain.cmbPromt.items[1]=No"
                                     << "combo"
                                     << "Yes|No";
        QTest::newRow("empty combo item keeps it") << head + "FormMain.cmbPromt.items[0]="
                                                   << "combo"
                                                   << "Да|Нет";
        QTest::newRow("combo items are never added") << head + "FormMain.cmbPromt.items[2]=Maybe"
                                                     << "combo count"
                                                     << "2";
        QTest::newRow("radio group item") << head + "FormMain.RadioGroup1.items[1]=Work"
                                          << "radio group"
                                          << "Все|Work|Домашние";
        QTest::newRow("radio group caption leaves the items") << head + "FormMain.RadioGroup1.Caption=Kind"
                                                              << "radio group"
                                                              << "Все|Рабочие|Домашние";
        QTest::newRow("button group items")
            << head + "FormMain.ButtonGroup1.items[0]=On\nFormMain.ButtonGroup1.items[1]=Off"
            << "button group"
            << "On|Off";

        QTest::newRow("memo line") << head + "FormMain.Memo1.lines[1]=second"
                                   << "memo"
                                   << "первая\nsecond";
        QTest::newRow("empty memo line value empties the line") << head + "FormMain.Memo1.lines[0]="
                                                                << "memo"
                                                                << "\nвторая";
        QTest::newRow("fsdef leaves the line") << head + "FormMain.Memo1.lines[0]=fsdef"
                                               << "memo"
                                               << "первая\nвторая";
        QTest::newRow("fsdef in other case replaces the line") << head + "FormMain.Memo1.lines[0]=FSDEF"
                                                               << "memo"
                                                               << "FSDEF\nвторая";
        QTest::newRow("memo with two lines, entries 0 to 4")
            << head + "FormMain.Memo1.lines[0]=a\nFormMain.Memo1.lines[1]=b\nFormMain.Memo1.lines[2]=c\n"
                      "FormMain.Memo1.lines[3]=d\nFormMain.Memo1.lines[4]=e"
            << "memo"
            << "a\nb";
        QTest::newRow("rich memo keeps its final break")
            << head + "FormMain.DBMemo1.lines[1]=two\nFormMain.DBMemo1.lines[2]=three"
            << "rich memo"
            << "один\ntwo\n";
        QTest::newRow("memo has no caption") << head + "FormMain.Memo1.Caption=x"
                                             << "memo"
                                             << "первая\nвторая";
    }

    void translate() {
        QFETCH(QString, file);
        QFETCH(QString, probe);
        QFETCH(QString, expected);
        SampleWindow window;
        TranslateForms({&window}, LangFile(file.toLatin1()));
        QVERIFY(probes().contains(probe));
        QCOMPARE(probes().value(probe)(window), expected);
    }

    void unnamedComponentsAreLeftAlone() {
        SampleWindow window;
        window.unnamedLabel->setObjectName(QString());
        TranslateForms({&window}, LangFile("[FormMain]\nFormMain..Caption=x\nFormMain.Caption=Book"));
        QCOMPARE(window.unnamedLabel->text(), QStringLiteral("Без имени"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Book"));
    }

    void cp1251Texts() {
        SampleWindow window;
        // "Имя" in cp1251
        TranslateForms({&window}, LangFile("[FormMain]\r\nFormMain.Label1.Caption=\xC8\xEC\xFF\r\n"));
        QCOMPARE(window.label->text(), QStringLiteral("Имя"));
    }

    void everyWindowOfTheListInOrder() {
        SampleWindow main;
        SampleWindow edit(QStringLiteral("FormEdit"));
        const LangFile file("[FormMain]\nFormMain.Caption=Main\n[FormEdit]\nFormEdit.Caption=Edit\n"
                            "FormEdit.Label1.Caption=Surname");
        TranslateForms({nullptr, &main, nullptr, &edit}, file);
        QCOMPARE(main.windowTitle(), QStringLiteral("Main"));
        QCOMPARE(edit.windowTitle(), QStringLiteral("Edit"));
        QCOMPARE(edit.label->text(), QStringLiteral("Surname"));
        QCOMPARE(main.label->text(), QStringLiteral("Фамилия"));
    }

    // The editor, the search window and the pickers are created with the main window as their parent:
    // the main window's section must not reach into them, while its own menus (popups) are still its own.
    void windowsInsideAWindowKeepTheirOwnTexts_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("mainTab");
        QTest::addColumn<QString>("dialogTab");
        QTest::addColumn<QString>("dialogButton");
        QTest::addColumn<QString>("mainMenu");
        QTest::newRow("main window's section")
            << "[FormMain]\nFormMain.TabSheet1.Caption=Main\nFormMain.BitBtn1.Caption=Close\nFormMain.N1.Caption=File"
            << "Main"
            << "Основные"
            << "Отмена"
            << "File";
        QTest::newRow("dialog's own section")
            << "[FormEdit]\nFormEdit.TabSheet1.Caption=General\nFormEdit.BitBtn1.Caption=Cancel"
            << "Основные"
            << "General"
            << "Cancel"
            << "Файл";
        QTest::newRow("dialog keys in the main section")
            << "[FormMain]\nFormEdit.TabSheet1.Caption=General\nFormMain.FormEdit.Caption=Edit"
            << "Основные"
            << "Основные"
            << "Отмена"
            << "Файл";
    }
    void windowsInsideAWindowKeepTheirOwnTexts() {
        QFETCH(QString, file);
        QFETCH(QString, mainTab);
        QFETCH(QString, dialogTab);
        QFETCH(QString, dialogButton);
        QFETCH(QString, mainMenu);
        SampleWindow main;
        auto* dialog = new QDialog(&main);
        dialog->setObjectName(QStringLiteral("FormEdit"));
        dialog->setWindowTitle(QStringLiteral("Редактирование"));
        auto* layout = new QVBoxLayout(dialog);
        auto* tabs = new QTabWidget(dialog);
        tabs->setObjectName(QStringLiteral("PageControl1"));
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("TabSheet1"));
        tabs->addTab(page, QStringLiteral("Основные"));
        layout->addWidget(tabs);
        auto* button = new QPushButton(QStringLiteral("Отмена"), dialog);
        button->setObjectName(QStringLiteral("BitBtn1"));
        layout->addWidget(button);
        const LangFile lang(file.toLatin1());
        TranslateForms({&main, dialog}, lang);
        QCOMPARE(main.tabText(0), mainTab);
        QCOMPARE(tabs->tabText(0), dialogTab);
        QCOMPARE(button->text(), dialogButton);
        QCOMPARE(main.menu->title(), mainMenu);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Редактирование"));
    }

    void switchingLanguagesKeepsUncoveredTexts() {
        SampleWindow window;
        TranslateForms({&window}, LangFile("[FormMain]\nFormMain.Label1.Caption=Surname\nFormMain.Caption=Book"));
        TranslateForms({&window}, LangFile("[FormMain]\nFormMain.Caption=Livre"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Livre"));
        QCOMPARE(window.label->text(), QStringLiteral("Surname"));
    }

    // Replacing a rich text makes the label drop a helper object that the walk has already listed.
    void richTextLabel() {
        SampleWindow window;
        window.label->setText(QStringLiteral("<b>Фамилия</b>"));
        // Name the label's text control so that the walk would touch it after its deletion.
        const QList<QObject*> helpers = window.label->findChildren<QObject*>(Qt::FindDirectChildrenOnly);
        QVERIFY(!helpers.isEmpty());
        for (QObject* helper : helpers)
            helper->setObjectName(QStringLiteral("LabelText"));
        TranslateForms({&window}, LangFile("[FormMain]\nFormMain.Label1.Caption=Surname\n"
                                           "FormMain.BitBtn1.Caption=Cancel"));
        QCOMPARE(window.label->text(), QStringLiteral("Surname"));
        QCOMPARE(window.button->text(), QStringLiteral("Cancel"));
    }

    void setTextProperty_data() {
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("set");
        QTest::addColumn<QString>("text");

        QTest::newRow("caption") << "Caption"
                                 << "Name" << true << "Name";
        QTest::newRow("caption in small letters") << "caption"
                                                  << "Name" << true << "Name";
        QTest::newRow("empty value does nothing") << "Caption"
                                                  << "" << false << "Фамилия";
        QTest::newRow("Qt property by its name") << "text"
                                                 << "Name" << true << "Name";
        QTest::newRow("unknown property") << "Font"
                                          << "Arial" << false << "Фамилия";
    }

    void setTextProperty() {
        QFETCH(QString, property);
        QFETCH(QString, value);
        QFETCH(bool, set);
        QFETCH(QString, text);
        QLabel label(QStringLiteral("Фамилия"));
        QCOMPARE(SetTextProperty(&label, property, value), set);
        QCOMPARE(label.text(), text);
        QVERIFY(label.dynamicPropertyNames().isEmpty());
    }

    void componentsWithoutCaption() {
        QWidget window;
        QLineEdit edit(QStringLiteral("text"), &window);
        QTimer timer;
        QVERIFY(!SetTextProperty(&edit, QStringLiteral("Caption"), QStringLiteral("x")));
        QCOMPARE(edit.text(), QStringLiteral("text"));
        QCOMPARE(edit.windowTitle(), QString());
        QVERIFY(!SetTextProperty(&timer, QStringLiteral("Caption"), QStringLiteral("x")));
        QVERIFY(!SetTextProperty(&timer, QStringLiteral("Hint"), QStringLiteral("x")));
        QVERIFY(!SetTextProperty(&timer, QStringLiteral("interval"), QStringLiteral("5"))); // not a text
        QCOMPARE(timer.interval(), 0);
        QVERIFY(timer.dynamicPropertyNames().isEmpty());
        QVERIFY(!SetTextProperty(nullptr, QStringLiteral("Caption"), QStringLiteral("x")));
    }
};

QTEST_MAIN(TranslateFormsTest)
#include "tst_translateforms.moc"
