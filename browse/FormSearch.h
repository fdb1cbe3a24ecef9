#pragma once

#include <QDialog>

class Dataset;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The search window: keeps the contacts that hold the typed text in any of their text fields.
class TFormSearch : public QDialog {
    Q_OBJECT
public:
    explicit TFormSearch(Dataset& tabMain, QWidget* parent = nullptr);

    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* EditSchStr = nullptr;
    QPushButton* BitBtn3 = nullptr; // "Поиск", the default button
    QPushButton* BitBtn4 = nullptr; // "&Закрыть"

public Q_SLOTS:
    // Empties the text box each time the window is shown.
    void FormShow();
    // Applies the search condition and closes; a failure shows the standard error box and the window stays.
    void BitBtn3Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    Dataset& tabMain_;
};
