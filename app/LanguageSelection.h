#pragma once

#include "LanguageChoice.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

class QMainWindow;
class QPushButton;
class QTranslator;
class QWidget;
class DBNavigator;
class GroupTree;
class TDM;

// The interface language of the main window: loading a language file with the column titles, the
// navigator hints and the names of the built-in groups that go with it, the two menu commands, the
// remembered choice and the hidden export of the column titles.
class LanguageSelection : public QObject {
    Q_OBJECT
public:
    // The windows a language file is applied to, in this order; a window the program does not have
    // is skipped.
    static const QStringList& translatedWindows();

    LanguageSelection(QMainWindow& mainWindow, TDM& dm, GroupTree& tree);

    // Loads the language file of the choice and applies every text that depends on the language.
    // A file that cannot be read (FileOpenError) keeps the current one; a failure while renaming
    // the built-in groups (DbError) goes on after the tree is rebuilt, and the windows are then not
    // translated.
    void LoadLanguage(LanguageChoice choice);
    // The menu commands: load, then remember the choice in Phones.ini. Failures are shown.
    void acSetLanguageEngExecute();
    void acSetLanguageRuExecute();
    // The remembered language, loaded when the main window is shown. Failures are shown.
    void AutoLoadLangSet();

    // The ten navigator hints M010 to M019 for every navigator of every window.
    void DBNavigatorLoadLabguage();
    // The built-in groups (the first six rows of the groups table) named by M030 to M035; the tree is
    // rebuilt afterwards, also when renaming failed.
    void TreeViewMainLoadLabguage();
    // Writes the current column titles to "DBgrids.ru" (the hidden button of the bottom panel).
    void Button1Click();

    // The hidden bottom panel of the main window with its navigator and the export button.
    QWidget* PanelBottom = nullptr;
    DBNavigator* DBNavigator1 = nullptr;
    QPushButton* Button1 = nullptr;

Q_SIGNALS:
    // The language file and the column titles of the new language are loaded: windows that take
    // their texts from the messages renew them.
    void languageLoaded();

private:
    void setLanguageFromMenu(LanguageChoice choice);
    // Qt's own texts (the buttons of message boxes and dialogs) in the chosen language, where the
    // desktop has them.
    void setStandardTexts(LanguageChoice choice);
    void buildBottomPanel();
    // The window of that name made at start-up: the first one found is kept, so that windows made
    // later under the same name (a new sticky note) keep their built-in texts.
    QWidget* translatedWindow(const QString& name);

    QMainWindow& main_;
    TDM& dm_;
    GroupTree& tree_;
    QTranslator* standardTexts_ = nullptr;
    QHash<QString, QPointer<QWidget>> windows_;
};
