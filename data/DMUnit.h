#pragma once

#include "ConnectionSettings.h"
#include "Database.h"
#include "Dataset.h"

#include <QObject>
#include <functional>

class SearchIndexKeeper;
#include <memory>

// How the data module talks to the user; the application gives real dialogs, tests record.
struct DMUserInterface {
    Database::LoginPrompt login;                   // "Database Login"
    std::function<void(const QString&)> message;   // a plain message ("Error connect to server")
    std::function<void(const QString&)> error;     // the standard error box
    std::function<void(const QString&)> startServer; // runs the local server program with "-a"
    int serverWaitMs = 1000;
};

// The data module: the one connection, its transaction, a dataset and key procedure per table and
// the group query. Every window works on these shared datasets.
class TDM : public QObject {
    Q_OBJECT
public:
    // Reads Phones.ini from the program folder and connects (DataModuleCreate).
    TDM(const QString& programFolder, DMUserInterface ui, QObject* parent = nullptr);
    ~TDM() override;

    void LoadSettings();
    // Opens the connection if needed and every closed table, with the values read at start-up.
    void DBConnect();
    void ServerRun(const QString& program);
    // Commits and closes the connection; every table closes.
    void Disconnect();

    const ConnectionSettings& settings() const { return settings_; }
    const QString& programFolder() const { return settings_.programFolder; }
    const QString& serverProgram() const { return serverProgram_; }
    int launchCount() const { return launchCount_; }

    std::unique_ptr<Database> IBPhones;
    Database& IBTrMain() { return *IBPhones; } // the transaction lives with the connection

    std::unique_ptr<Dataset> TabContactGroups; // created first: TabMain looks group names up in it
    std::unique_ptr<Dataset> TabMain;
    std::unique_ptr<Dataset> TabScheduler;
    std::unique_ptr<Dataset> TabBusinessLine;
    std::unique_ptr<Dataset> TabOrgRightForm;
    std::unique_ptr<Dataset> TabJobPost;

    std::unique_ptr<DataSource> DSMain, dsScheduler, DSBusinessLine, DSOrgRightForm, DSJobPost, DSContactGroups;
    std::unique_ptr<KeyProcedure> IBSPMain, IBSPScheduler, IBSPBusinessLine, IBSPOrgRightForm, IBSPJobPost,
        IBSPContactGroups;
    std::unique_ptr<Query> IBQueryDBTree;

    // Keeps the search index of the connected database current in the background; none while
    // disconnected.
    SearchIndexKeeper* searchIndexKeeper() const { return searchIndex_.get(); }

    // The table datasets in the module's order.
    std::vector<Dataset*> tables() const;

    // New-row handlers: each draws the key of its table.
    void TabMainNewRecord(Dataset& d);
    void TabSchedulerNewRecord(Dataset& d);
    void TabBusinessLineNewRecord(Dataset& d);
    void TabOrgRightFormNewRecord(Dataset& d);
    void TabJobPostNewRecord(Dataset& d);
    void TabContactGroupsNewRecord(Dataset& d);

private:
    void openTables();
    DMUserInterface ui_;
    ConnectionSettings settings_;
    QString serverProgram_;
    int launchCount_ = 0;
    std::unique_ptr<SearchIndexKeeper> searchIndex_;
};

// The field lists of the six tables.
namespace tables {
std::vector<FieldDef> mainFields(Dataset* groups);
std::vector<FieldDef> schedulerFields();
std::vector<FieldDef> businessLineFields();
std::vector<FieldDef> orgRightFormFields();
std::vector<FieldDef> jobPostFields();
std::vector<FieldDef> groupsFields();
} // namespace tables
