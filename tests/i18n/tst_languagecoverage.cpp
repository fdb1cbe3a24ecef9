// The shipped language files against the program as it is built: every message key the code asks
// for and every replaceable text of every translated window must have a non-empty text in both
// files, and nothing in the files may name a window or component that the program no longer has.
// Set KORVANE_LANG_DUMP=1 to print the texts of the running windows in language-file form.

#include "DbError.h"
#include "FormSearch.h"
#include "GridTexts.h"
#include "LanguageCoverage.h"
#include "LanguageFixture.h"
#include "RefBook.h"

#include <QAbstractButton>
#include <QAction>
#include <QDirIterator>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>
#include <QTabWidget>
#include <QTextDocument>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Every message key the sources name as a literal "Mnnn".
QStringList messageKeysInSources() {
    static const QRegularExpression literal(uR"re("(M\d{3})")re"_s);
    QSet<QString> keys;
    const QString root = QStringLiteral(KORVANE_SOURCE_DIR);
    QDirIterator it(root, {u"*.cpp"_s, u"*.h"_s}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString relative = file.mid(root.size() + 1);
        if (relative.startsWith("tests/"_L1) || relative.startsWith("build"_L1) || relative.startsWith('.'))
            continue;
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(f.readAll());
        for (auto m = literal.globalMatch(text); m.hasNext();)
            keys.insert(m.next().captured(1));
    }
    QStringList sorted(keys.begin(), keys.end());
    sorted.sort();
    return sorted;
}

// The windows that a language file is applied to and that this build has.
QList<QWidget*> translatedWindows() {
    QList<QWidget*> windows;
    for (const QString& name : LanguageSelection::translatedWindows())
        if (QWidget* w = langtest::window(name))
            windows << w;
    return windows;
}

} // namespace

class LanguageCoverageTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        program_ = std::make_unique<langtest::Program>();
        program_->start();
        if (qEnvironmentVariableIntValue("KORVANE_LANG_DUMP") != 0) {
            for (QWidget* w : translatedWindows())
                for (const langcoverage::TextEntry& e : langcoverage::translatableTexts(w))
                    std::printf("%s=%s\n", qPrintable(e.key), e.text.toUtf8().constData());
        }
    }
    void cleanupTestCase() { program_.reset(); }

    void sourcesNameMessageKeys() {
        // The scan itself must find the keys the program is known to use.
        const QStringList keys = messageKeysInSources();
        for (const char* key : {"M002", "M012", "M020", "M024", "M030", "M035"})
            QVERIFY2(keys.contains(QLatin1String(key)), key);
    }

    void fileHasEveryMessage_data() { files(); }
    void fileHasEveryMessage() {
        QFETCH(QString, file);
        const LangFile lang(readShipped(file));
        QStringList missing;
        for (const QString& key : messageKeysInSources())
            if (lang.read(u"Misc"_s, key, QString()).isEmpty())
                missing << key;
        QVERIFY2(missing.isEmpty(), qPrintable(file + u" lacks messages: "_s + missing.join(u", "_s)));
    }

    void fileHasEveryWindowText_data() { files(); }
    void fileHasEveryWindowText() {
        QFETCH(QString, file);
        const LangFile lang(readShipped(file));
        QStringList missing;
        for (QWidget* w : translatedWindows())
            for (const langcoverage::TextEntry& e : langcoverage::translatableTexts(w))
                if (lang.read(w->objectName(), e.key, QString()).isEmpty())
                    missing << e.key + u'=' + e.text;
        QVERIFY2(missing.isEmpty(), qPrintable(file + u" lacks:\n"_s + missing.join(u'\n')));
    }

    void fileNamesOnlyLiveComponents_data() { files(); }
    void fileNamesOnlyLiveComponents() {
        QFETCH(QString, file);
        // The entries as a translator wrote them; the reading rules of the profile functions are close
        // enough to list sections and keys.
        IniFile ini(shippedPath(file));
        QVERIFY(ini.exists());
        QStringList wrong;
        for (const QString& section : ini.sections()) {
            if (section.compare("Misc"_L1, Qt::CaseInsensitive) == 0) {
                static const QRegularExpression messageKey(u"^M\\d{3}$"_s);
                for (const QString& key : ini.keys(section))
                    if (!messageKey.match(key).hasMatch())
                        wrong << u"[Misc] "_s + key;
                continue;
            }
            if (!LanguageSelection::translatedWindows().contains(section)) {
                wrong << u"["_s + section + u"] is no translated window"_s;
                continue;
            }
            QWidget* w = langtest::window(section);
            if (w == nullptr) {
                qWarning("%s: window %s is not part of this build; its section is not checked", qPrintable(file),
                         qPrintable(section));
                continue;
            }
            for (const QString& key : ini.keys(section)) {
                if (!key.startsWith(section + u'.', Qt::CaseInsensitive)) {
                    wrong << key + u" does not start with the window's name"_s;
                    continue;
                }
                const QString rest = key.mid(section.size() + 1);
                if (rest.compare("Caption"_L1, Qt::CaseInsensitive) == 0)
                    continue;
                const qsizetype dot = rest.indexOf(u'.');
                if (dot <= 0 || !langcoverage::hasProperty(w, rest.left(dot), rest.mid(dot + 1)))
                    wrong << key;
            }
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(file + u" names what the windows lack:\n"_s + wrong.join(u'\n')));
    }

    void everyFieldHasATitle_data() {
        QTest::addColumn<QString>("code");
        QTest::newRow("en") << u"en"_s;
        QTest::newRow("ru") << u"ru"_s;
    }
    void everyFieldHasATitle() {
        QFETCH(QString, code);
        const IniFile grid(shippedPath(u"DBgrids."_s + code));
        QStringList missing;
        for (Dataset* table : program_->dm().tables())
            for (int i = 0; i < table->fieldCount(); ++i) {
                const QString name = table->field(i).name();
                const QString title = grid.readString(table->objectName(), name);
                if (title.isEmpty() || title == name)
                    missing << table->objectName() + u'.' + name;
            }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u", "_s)));
        // Nothing else: every section is a table and every key a field.
        QStringList extra;
        for (const QString& section : grid.sections()) {
            Dataset* table = nullptr;
            for (Dataset* t : program_->dm().tables())
                if (t->objectName().compare(section, Qt::CaseInsensitive) == 0)
                    table = t;
            if (table == nullptr) {
                extra << section;
                continue;
            }
            for (const QString& key : grid.keys(section))
                if (table->findField(key) == nullptr)
                    extra << section + u'.' + key;
        }
        QVERIFY2(extra.isEmpty(), qPrintable(extra.join(u", "_s)));
    }

    // After English is loaded no window shows Russian text that the English file did not put there
    // itself, named or not: an unnamed label with a Russian caption cannot be translated.
    void englishLeavesNoRussian() {
        program_->language().LoadLanguage(LanguageChoice::English);
        QVERIFY(CurrentLangFile() != nullptr);
        static const QRegularExpression cyrillic(u"\\p{Cyrillic}"_s);
        const LangFile& lang = *CurrentLangFile();
        QStringList russian;
        for (QWidget* w : translatedWindows()) {
            const QString section = w->objectName();
            QSet<QString> fromFile;
            for (const langcoverage::TextEntry& e : langcoverage::translatableTexts(w))
                if (lang.read(section, e.key, QString()) == e.text)
                    fromFile.insert(e.text);
            QList<QObject*> all{w};
            for (QObject* o : w->findChildren<QObject*>())
                if (langcoverage::owningWindow(o) == w)
                    all << o;
            for (QObject* o : all) {
                if (o->property(langcoverage::kDataTextProperty).toBool())
                    continue;
                QStringList texts;
                if (auto* a = qobject_cast<QAction*>(o))
                    texts << a->text() << a->toolTip();
                if (auto* l = qobject_cast<QLabel*>(o))
                    texts << l->text();
                if (auto* b = qobject_cast<QAbstractButton*>(o))
                    texts << b->text();
                if (auto* g = qobject_cast<QGroupBox*>(o))
                    texts << g->title();
                if (auto* m = qobject_cast<QMenu*>(o))
                    texts << m->title();
                if (auto* t = qobject_cast<QTabWidget*>(o))
                    for (int i = 0; i < t->count(); ++i)
                        texts << t->tabText(i) << t->tabToolTip(i);
                if (auto* ww = qobject_cast<QWidget*>(o))
                    texts << ww->toolTip() << (ww == w ? ww->windowTitle() : QString());
                for (const QString& t : texts)
                    if (cyrillic.match(t).hasMatch() && !fromFile.contains(t))
                        russian << section + u": "_s + o->metaObject()->className() + u' ' + o->objectName() +
                                       u" \""_s + t + u'"';
            }
        }
        russian.removeDuplicates();
        QVERIFY2(russian.isEmpty(), qPrintable(russian.join(u'\n')));
    }

    // The help document of each language names every menu of the menu bar and every command in it,
    // as the running main window shows them in that language.
    void helpNamesEveryMenu_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("help");
        QTest::newRow("en") << int(LanguageChoice::English) << u"korvane-en.html"_s;
        QTest::newRow("ru") << int(LanguageChoice::Russian) << u"korvane-ru.html"_s;
    }
    void helpNamesEveryMenu() {
        QFETCH(int, language);
        QFETCH(QString, help);
        program_->language().LoadLanguage(LanguageChoice(language));
        QFile file(QStringLiteral(KORVANE_SOURCE_DIR "/resources/Help/") + help);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTextDocument document;
        document.setHtml(QString::fromUtf8(file.readAll()));
        const QString text = document.toPlainText().simplified();
        auto caption = [](const QAction* a) { return a->text().remove(QRegularExpression(u"&(?!&)"_s)).simplified(); };
        QStringList missing;
        const QList<QAction*> bar = program_->main().menuBar()->actions();
        QVERIFY(bar.size() > 5);
        for (QAction* top : bar) {
            if (!top->isVisible())
                continue;
            if (!text.contains(caption(top)))
                missing << caption(top);
            if (QMenu* menu = top->menu())
                for (QAction* item : menu->actions())
                    if (item->isVisible() && !item->isSeparator() && !text.contains(caption(item)))
                        missing << caption(top) + u" / "_s + caption(item);
        }
        QVERIFY2(missing.isEmpty(), qPrintable(help + u" does not name: "_s + missing.join(u", "_s)));
    }

    // Windows that take their texts from the messages, and the messages the program builds itself,
    // speak the language loaded: no Russian in English, no English in Russian.
    void referenceBooksSpeakTheLanguage_data() { languages(); }
    void referenceBooksSpeakTheLanguage() {
        QFETCH(int, language);
        program_->language().LoadLanguage(LanguageChoice(language));
        for (const QString& name : {u"FormReferenceBook"_s, u"FormRefBookUse"_s}) {
            QWidget* w = langtest::window(name);
            QVERIFY2(w != nullptr, qPrintable(name));
            if (auto* book = qobject_cast<TFormReferenceBook*>(w))
                book->setBook(refbook::source(program_->dm(), refbook::JobPosts));
            else
                static_cast<TFormRefBookUse*>(w)->setBook(refbook::source(program_->dm(), refbook::JobPosts));
            w->show();
            QStringList wrong;
            for (QObject* o : w->findChildren<QObject*>()) {
                if (o->property(langcoverage::kDataTextProperty).toBool())
                    continue;
                QStringList texts;
                if (auto* b = qobject_cast<QAbstractButton*>(o))
                    texts << b->text() << b->toolTip();
                if (auto* l = qobject_cast<QLabel*>(o))
                    texts << l->text();
                for (const QString& t : texts)
                    if (!speaks(t, LanguageChoice(language)))
                        wrong << name + u": "_s + o->objectName() + u" \""_s + t + u'"';
            }
            w->hide();
            QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
        }
    }

    void refusedCharacterSpeaksTheLanguage_data() { languages(); }
    void refusedCharacterSpeaksTheLanguage() {
        QFETCH(int, language);
        program_->language().LoadLanguage(LanguageChoice(language));
        const QString outsideCp1251 = u"Smith \u4e2d"_s;
        // Saving a contact.
        Dataset& contacts = *program_->dm().TabMain;
        contacts.append();
        contacts.setValue(u"FAM"_s, outsideCp1251);
        QString saved;
        try {
            contacts.post();
        } catch (const DbError& e) {
            saved = e.message();
        }
        contacts.cancel();
        QVERIFY(!saved.isEmpty());
        QVERIFY2(speaks(saved, LanguageChoice(language)), qPrintable(saved));
        // Searching for it.
        auto* search = qobject_cast<TFormSearch*>(langtest::window(u"FormSearch"_s));
        QVERIFY(search != nullptr);
        program_->boxes.clear();
        search->EditSchStr->setText(outsideCp1251);
        search->BitBtn3Click();
        QCOMPARE(program_->boxes.size(), 1);
        const QString searched = program_->boxes.constFirst().text;
        QVERIFY2(speaks(searched, LanguageChoice(language)), qPrintable(searched));
    }

private:
    static void languages() {
        QTest::addColumn<int>("language");
        QTest::newRow("en") << int(LanguageChoice::English);
        QTest::newRow("ru") << int(LanguageChoice::Russian);
    }
    // Whether a text the program wrote is in the language: quoted values aside, English text holds no
    // Cyrillic letter and Russian text no Latin word of three letters or more.
    static bool speaks(const QString& text, LanguageChoice language) {
        static const QRegularExpression quoted(u"\"[^\"]*\"|«[^»]*»|'[^']*'"_s);
        static const QRegularExpression cyrillic(u"\\p{Cyrillic}"_s);
        static const QRegularExpression latinWord(u"\\b[A-Za-z]{3,}\\b"_s);
        QString bare = text;
        bare.remove(quoted);
        return language == LanguageChoice::English ? !cyrillic.match(bare).hasMatch()
                                                   : !latinWord.match(bare).hasMatch();
    }

    static void files() {
        QTest::addColumn<QString>("file");
        QTest::newRow("English.ini") << u"English.ini"_s;
        QTest::newRow("Custom.ini") << u"Custom.ini"_s;
    }
    static QString shippedPath(const QString& name) { return langtest::shippedPath(name); }
    static QByteArray readShipped(const QString& name) {
        QFile f(shippedPath(name));
        if (!f.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(f.fileName()));
        return f.readAll();
    }

    std::unique_ptr<langtest::Program> program_;
};

QTEST_MAIN(LanguageCoverageTest)
#include "tst_languagecoverage.moc"
