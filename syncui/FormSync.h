#pragma once

#include "SyncService.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

namespace syncui {
class PasswordKeeper;
class SyncRunner;
} // namespace syncui

// The sync window: the account (server, user, password, the address book chosen among those found,
// how often to sync), "Sync now" with its progress and Cancel, the result of the last sync, and the
// contacts in conflict with the desk's and the server's values side by side and a choice per contact,
// a column of which may take the other side.
class TFormSync : public QDialog {
    Q_OBJECT
public:
    TFormSync(syncui::SyncService& service, syncui::PasswordKeeper& passwords, syncui::SyncRunner& runner,
              QWidget* parent = nullptr);

    QLineEdit* EditServer = nullptr;
    QLineEdit* EditUser = nullptr;
    QLineEdit* EditPassword = nullptr;
    QLabel* LabelPasswordStore = nullptr;
    QPushButton* BtnFindBooks = nullptr;
    QComboBox* ComboBooks = nullptr;
    QRadioButton* RadioByHand = nullptr;
    QRadioButton* RadioEvery = nullptr;
    QSpinBox* SpinMinutes = nullptr;
    QPushButton* BtnSyncNow = nullptr;
    QPushButton* BtnCancel = nullptr;
    QProgressBar* ProgressSync = nullptr;
    QLabel* LabelResult = nullptr;
    QTableWidget* GridConflicts = nullptr; // contact, choice
    QTableWidget* GridColumns = nullptr;   // field, keep, desk, server, last synced; changed rows marked
    QPushButton* BtnKeepDesk = nullptr;
    QPushButton* BtnKeepServer = nullptr;
    QPushButton* BtnClose = nullptr;
    QLabel* LabelServer = nullptr;
    QLabel* LabelUser = nullptr;
    QLabel* LabelPassword = nullptr;
    QLabel* LabelBook = nullptr;
    QLabel* LabelEvery = nullptr;
    QLabel* LabelMinutes = nullptr;
    QLabel* LabelConflicts = nullptr;

    // The account as the fields show it.
    syncui::Account accountFromFields() const;
    // Shows the result of a sync (of this window or the periodic one).
    void showOutcome(const syncui::SyncOutcome& outcome);
    void refreshConflicts();
    // The choice for the conflict shown in a row of GridConflicts.
    void choose(int row, syncui::Choice choice);

Q_SIGNALS:
    // The account was saved (the periodic sync takes its new interval).
    void accountSaved(const syncui::Account& account);

public Q_SLOTS:
    void findBooks();
    // The interface language was switched while the window is open: its texts follow.
    void languageChanged();
    void syncNow();

private:
    void build();
    void retranslate();
    void showPasswordStore();
    void fillFromAccount();
    bool saveAccount(const syncui::Account& account);
    // Asks whether to trust the certificate; true (and the fingerprint kept) on yes.
    bool acceptCertificate(const syncui::Failure& failure);
    void onFound(const syncui::FoundBooks& found);
    void onSynced(const syncui::SyncOutcome& outcome);
    void showColumns(int row);
    static QComboBox* columnChoiceBox(QWidget* parent);
    // The columns of the conflict in that row whose choice differs from the contact's, as set.
    QHash<int, syncui::Choice> columnChoices(int row) const;
    void updateButtons();

    syncui::SyncService& service_;
    syncui::PasswordKeeper& passwords_;
    syncui::SyncRunner& runner_;
    syncui::Account account_;
    QList<syncui::Conflict> conflicts_;
    std::optional<syncui::SyncOutcome> lastOutcome_;
    bool ownJob_ = false; // the job running was started from this window: its questions may be asked
};
