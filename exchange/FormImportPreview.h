#pragma once

#include "ImportPlan.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTableWidget;

// Shows what an import will do before anything is written: the cards to add, the cards that look
// like stored contacts (each with its action: add, skip or merge), the cards refused with the reason,
// the groups that will be created and the values cut to fit their columns. Accepting writes the chosen actions back
// into the plan.
class TFormImportPreview : public QDialog {
    Q_OBJECT
public:
    // columnTitles: the grids' column titles in field order, for the reasons of refused cards.
    TFormImportPreview(exchange::ImportPlan& plan, const QString& fileName, const QStringList& columnTitles,
                       QWidget* parent = nullptr);

    QTabWidget* PageControlImport = nullptr;
    QTableWidget* GridNew = nullptr;
    QTableWidget* GridDuplicates = nullptr;
    QTableWidget* GridRefused = nullptr;
    QListWidget* ListGroups = nullptr;
    QTableWidget* GridCut = nullptr; // values cut to their column's limit: card, field, length, limit
    QLabel* LabelSummary = nullptr;
    QPushButton* BtnAddAll = nullptr;
    QPushButton* BtnSkipAll = nullptr;
    QPushButton* BtnMergeAll = nullptr;
    QPushButton* BtnFillEmptyAll = nullptr;
    QPushButton* BtnTakeIncomingAll = nullptr;
    QPushButton* BitBtnImport = nullptr;
    QPushButton* BitBtnCancel = nullptr;

    // The action chosen for the duplicate shown in a row of GridDuplicates.
    void setDuplicateAction(int gridRow, exchange::Action action);
    exchange::Action duplicateAction(int gridRow) const;
    // What a merge of that duplicate does with the columns both hold: fill the empty ones (the card's
    // other values are dropped, as the last column lists) or take the card's values.
    void setMergeMode(int gridRow, exchange::MergeMode mode);
    exchange::MergeMode mergeMode(int gridRow) const;

    void accept() override;

private:
    void fill(const QStringList& columnTitles);
    void setAllDuplicates(exchange::Action action);
    void setAllMergeModes(exchange::MergeMode mode);
    void showDropped(int gridRow);
    void updateSummary();
    void fillCuts(const QStringList& columnTitles);

    exchange::ImportPlan& plan_;
    std::vector<int> duplicateCards_; // plan card of each GridDuplicates row
    QStringList columnTitles_;
};
