#include "LanguageSelection.h"

#include "DBNavigator.h"
#include "DMUnit.h"
#include "DbError.h"
#include "GridTexts.h"
#include "GroupTree.h"
#include "IniLang.h"
#include "MessageBoxes.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLibraryInfo>
#include <QMainWindow>
#include <QPushButton>
#include <QSplitter>
#include <QTranslator>

namespace {

// The hints of the navigator buttons in button order: first, prior, next, last, insert, delete, edit,
// post, cancel, refresh.
const char* const kNavigatorKeys[] = {"M010", "M011", "M012", "M013", "M014", "M015", "M016", "M017", "M018", "M019"};
// The names of the six built-in groups, the root group first.
const char* const kGroupKeys[] = {"M030", "M031", "M032", "M033", "M034", "M035"};

QString message(const char* key) {
    const QString k = QString::fromLatin1(key);
    return LangMessage(k, k);
}

QWidget* windowNamed(const QString& name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name)
            return w;
    return nullptr;
}

} // namespace

const QStringList& LanguageSelection::translatedWindows() {
    static const QStringList names = {
        QStringLiteral("FormMain"),        QStringLiteral("FormEdit"),        QStringLiteral("FormSearch"),
        QStringLiteral("FormOptions"),     QStringLiteral("FormScheduler"),   QStringLiteral("FormAbout"),
        QStringLiteral("FormMessage"),     QStringLiteral("FormSelectPhone"), QStringLiteral("FormSchedulerEdit"),
        QStringLiteral("FormStickyMarks"), QStringLiteral("FormTools")};
    return names;
}

LanguageSelection::LanguageSelection(QMainWindow& mainWindow, TDM& dm, GroupTree& tree)
    : QObject(&mainWindow), main_(mainWindow), dm_(dm), tree_(tree) {
    setObjectName(QStringLiteral("LanguageSelection"));
    buildBottomPanel();
}

void LanguageSelection::buildBottomPanel() {
    // Nothing in the program shows this panel: the export is a tool for whoever writes grid texts.
    PanelBottom = new QWidget(&main_);
    PanelBottom->setObjectName(QStringLiteral("PanelBottom"));
    PanelBottom->hide();
    auto* row = new QHBoxLayout(PanelBottom);
    auto* splitter = new QSplitter(PanelBottom);
    splitter->setObjectName(QStringLiteral("RxSplitter3"));
    DBNavigator1 = new DBNavigator(splitter);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setDataSource(dm_.DSMain.get());
    splitter->addWidget(DBNavigator1);
    row->addWidget(splitter);
    Button1 = new QPushButton(QStringLiteral("Создать в ini заголовки столбцов"), PanelBottom);
    Button1->setObjectName(QStringLiteral("Button1"));
    row->addWidget(Button1);
    connect(Button1, &QPushButton::clicked, this, [this] {
        try {
            Button1Click();
        } catch (const UnableToWriteError& e) {
            msgbox::showError(e.message());
        }
    });
}

void LanguageSelection::LoadLanguage(LanguageChoice choice) {
    // A file that exists but cannot be read throws here, and the current file stays.
    SetCurrentLangFile(OpenLangFile(language::fileName(choice)));
    setStandardTexts(choice);
    TranslateGrid(dm_.tables(), language::code(choice));
    DBNavigatorLoadLabguage();
    TreeViewMainLoadLabguage();
    Q_EMIT languageLoaded();
    const LangFile* file = CurrentLangFile();
    if (file == nullptr)
        return;
    for (const QString& name : translatedWindows())
        if (QWidget* window = translatedWindow(name))
            TranslateForms({window}, *file);
}

QWidget* LanguageSelection::translatedWindow(const QString& name) {
    QPointer<QWidget>& known = windows_[name];
    if (known.isNull())
        known = windowNamed(name);
    return known;
}

void LanguageSelection::setStandardTexts(LanguageChoice choice) {
    if (standardTexts_ != nullptr) {
        QCoreApplication::removeTranslator(standardTexts_);
        delete standardTexts_;
        standardTexts_ = nullptr;
    }
    if (choice != LanguageChoice::Russian)
        return;
    auto translator = std::make_unique<QTranslator>(this);
    if (!translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return;
    standardTexts_ = translator.release();
    QCoreApplication::installTranslator(standardTexts_);
}

void LanguageSelection::DBNavigatorLoadLabguage() {
    QStringList hints;
    for (const char* key : kNavigatorKeys)
        hints << message(key);
    for (QWidget* window : QApplication::topLevelWidgets())
        for (DBNavigator* navigator : window->findChildren<DBNavigator*>())
            if (navigator->window() == window)
                navigator->setHints(hints);
}

void LanguageSelection::TreeViewMainLoadLabguage() {
    // While the database is not connected nothing connects behind the user's back: the groups and
    // the tree stay as they are.
    if (!dm_.IBPhones->connected())
        return;
    // Without a language file every name would be a bare key; the groups keep their names then.
    if (CurrentLangFile() == nullptr) {
        tree_.RebuildTree();
        return;
    }
    try {
        Dataset& groups = *dm_.TabContactGroups;
        if (!groups.isOpen())
            groups.open();
        groups.first();
        for (int i = 0; i < int(std::size(kGroupKeys)) && i < groups.rowCount(); ++i) {
            groups.moveTo(i);
            const QString name = message(kGroupKeys[i]);
            // A file that lacks a name leaves the group as it is rather than nameless.
            if (name.isEmpty())
                continue;
            groups.edit();
            groups.setValue(QStringLiteral("GROUP_NAME"), name);
            groups.post();
        }
    } catch (...) {
        try {
            if (dm_.TabContactGroups->isEditing())
                dm_.TabContactGroups->cancel();
        } catch (const DbError&) {
        }
        tree_.RebuildTree();
        throw;
    }
    tree_.RebuildTree();
}

void LanguageSelection::Button1Click() {
    ExportColumnTitles(dm_.tables(), gridtexts::filePath(QStringLiteral("ru")));
}

void LanguageSelection::setLanguageFromMenu(LanguageChoice choice) {
    try {
        LoadLanguage(choice);
        language::writeStoredValue(choice);
    } catch (const FileOpenError& e) {
        msgbox::showError(e.message());
    } catch (const DbError& e) {
        msgbox::showError(e.message());
    } catch (const UnableToWriteError& e) {
        msgbox::showError(e.message());
    }
}

void LanguageSelection::acSetLanguageEngExecute() {
    setLanguageFromMenu(LanguageChoice::English);
}

void LanguageSelection::acSetLanguageRuExecute() {
    setLanguageFromMenu(LanguageChoice::Russian);
}

void LanguageSelection::AutoLoadLangSet() {
    const std::optional<LanguageChoice> choice = language::fromStoredValue(language::readStoredValue());
    if (!choice)
        return;
    try {
        LoadLanguage(*choice);
    } catch (const FileOpenError& e) {
        msgbox::showError(e.message());
    } catch (const DbError& e) {
        msgbox::showError(e.message());
    }
}
