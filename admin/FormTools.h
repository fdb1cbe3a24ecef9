#pragma once

#include <QDialog>

class FileNameEdit;
class QAction;
class QLabel;
class QPushButton;
class QStatusBar;
class QTabWidget;
class TDM;

// "Tools": backs the database file up into a backup file, or rebuilds a database file from a backup,
// through the server's service manager. The connection is closed for a run and opened again after
// a success; a failure is shown with the server's text and leaves it closed.
class TFormTools : public QDialog {
    Q_OBJECT
public:
    explicit TFormTools(TDM& dm, QWidget* parent = nullptr);

    QTabWidget* PageControl1;
    QWidget* TabSheetBackup;
    QWidget* TabSheetRestore;
    FileNameEdit* edtDataBaseName;
    FileNameEdit* edtBackUpName;
    FileNameEdit* edtResDataBaseName;
    FileNameEdit* edtResBackUpName;
    QPushButton* BitBtnBackup;
    QPushButton* BitBtnRestore;
    QPushButton* BitBtnClose;
    QStatusBar* StatusBar1;
    QAction* acBackup;
    QAction* acRestore;

    // The window's own open-file dialog of a double-click: database files for the two database
    // boxes, backup files for the two backup boxes; a name typed without extension gets one.
    enum class FileKind { Database, Backup };
    void askFileName(FileNameEdit* box, FileKind kind);

    // True while a run is going on.
    bool running() const { return running_; }

public Q_SLOTS:
    void acBackupExecute();
    void acRestoreExecute();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    QWidget* addPage(const char* name, const QString& caption, FileNameEdit*& database, FileNameEdit*& backup,
                     const char* databaseName, const char* backupName);
    // Runs one backup or restore with the progress in the status bar and a busy cursor.
    void runTool(const std::function<void()>& run);
    void showProgress(const QString& line);
    void setControlsEnabled(bool on);

    TDM& dm_;
    bool running_ = false;
};
