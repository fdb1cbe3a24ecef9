#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>

class QAction;
class QLabel;
class QTabWidget;
class QTimer;
class QToolBar;
class QWidget;
class QScrollArea;
class QSplitter;
class QTableView;
class TDM;
class ExchangeCommands;
namespace syncui {
class SyncCommands;
}
class ContactPages;
class GroupTree;
class LetterBar;
class Dataset;
class FormStorage;
class IniFile;
class LanguageSelection;

// The main window: the frame from which every function is reached.
class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMain(TDM& dm, QWidget* parent = nullptr);
    ~TFormMain() override;

    TDM& dm() const { return dm_; }
    QAction* action(const QString& name) const;
    QLabel* statusPanel(int i) const { return panels_[i]; }

    // The grid that grid commands act on, and its dataset.
    QWidget* currentGrid() const { return currentGrid_; }
    Dataset* currentDataset() const { return currentDataset_; }

    // Commits, disconnects and writes the grid layouts; a failure ends it at that step.
    void CloseProcedure();
    static QString DateFormatStr(const QString& picture, const QDate& date);

    // The letter bar's folding state, the active page and the left panel's width, as stored.
    bool letterBarMaximized() const;
    void setLetterBarMaximized(bool on);

public Q_SLOTS:
    void Timer2Timer();
    void acHelpExecute();
    void acCloseExecute() { close(); }
    void acStickyMarksExecute();
    // A double-click on the status bar: the calculator, modally.
    void StatusBar1DblClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void createActions();
    void createMenus();
    void createSync(ExchangeCommands& exchange);
    void createToolbar();
    void createWorkArea();
    void createStatusBar();
    bool savePendingChanges();
    void restoreStoredProperties(const IniFile& file);
    void saveStoredProperties(IniFile& file);
    // Space: the list filter off and the all-button of the letter bar pressed.
    void spacePressed();

    TDM& dm_;
    std::map<QString, QAction*> actions_;
    QLabel* panels_[4] = {};
    QTimer* Timer2 = nullptr;
    syncui::SyncCommands* sync_ = nullptr; // owned by the window
    QWidget* PaneTop = nullptr;
    QToolBar* SpeedBar1 = nullptr;

public:
    LetterBar* dfsToolBar3 = nullptr;
    GroupTree* PanelLeft = nullptr;
    QSplitter* Splitter1 = nullptr;
    ContactPages* PageControl1 = nullptr;
    // The interface language: language files, column titles, navigator hints, group names.
    LanguageSelection* language() const { return language_; }
    // Set by the application: opens the contact editor on the current contact.
    std::function<void()> openEditor;
    // A close that nobody watches (a termination signal): a pending change that cannot be saved is
    // discarded instead of asking.
    bool unattendedClose = false;

private:
    FormStorage* FormStorageMain = nullptr;
    LanguageSelection* language_ = nullptr;
    QPointer<QWidget> currentGrid_;
    Dataset* currentDataset_ = nullptr;
    bool letterBarMaximized_ = true;
    bool closing_ = false;
};
