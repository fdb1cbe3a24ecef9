#pragma once

#include "ContactExport.h"

#include <QObject>
#include <functional>

class QMenu;
class QWidget;
class TDM;

// The main window's menu of exchange with other address books: export of the contact list as the
// grids show it to vCard 4.0, vCard 3.0 or CSV, and import of vCard or CSV files through a preview.
class ExchangeCommands : public QObject {
    Q_OBJECT
public:
    ExchangeCommands(TDM& dm, QWidget* window);

    // The menu, owned by the window; its actions are named for the language file.
    QMenu* menu() const { return menu_; }

    // Runs after an import stored something (the main window rebuilds its group tree).
    std::function<void()> onImported;
    // File choosers; tests replace them. An empty name means the user cancelled.
    std::function<QString(const QString& filter, const QString& suggested)> chooseSaveFile;
    std::function<QString(const QString& filter)> chooseOpenFile;
    // Shows the preview; true when the user chose to import. Tests replace it.
    std::function<bool(exchange::ImportPlan& plan, const QString& fileName)> preview;

public Q_SLOTS:
    void acExportVCard4Execute() { exportTo(exchange::ExportFormat::VCard4); }
    void acExportVCard3Execute() { exportTo(exchange::ExportFormat::VCard3); }
    void acExportCSVExecute() { exportTo(exchange::ExportFormat::Csv); }
    void acImportContactsExecute();

Q_SIGNALS:
    // "Sync with a CardDAV server...": the main window opens the sync window.
    void syncRequested();

public:
    // The work of the commands, file names given.
    bool exportToFile(exchange::ExportFormat format, const QString& fileName);
    bool importFile(const QString& fileName);
    // The grids' column titles in the exchange columns' order, in the current language.
    QStringList columnTitles() const;

private:
    void exportTo(exchange::ExportFormat format);
    QString groupTitle() const;

    TDM& dm_;
    QWidget* window_;
    QMenu* menu_ = nullptr;
};
