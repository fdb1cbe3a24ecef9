#pragma once

#include <QDialog>
#include <QString>

class DataSource;
class DatasetGridView;
class DBNavigator;
class QPushButton;
class QStatusBar;
class TDM;

// The reference books: 0 business lines, 1 organisational-legal forms, 2 job posts.
namespace refbook {
inline constexpr int BusinessLines = 0;
inline constexpr int OrgRightForms = 1;
inline constexpr int JobPosts = 2;

// The data source of a book; throws std::out_of_range for an unknown kind.
DataSource* source(TDM& dm, int kind);
// The window caption of a book: the text of its message key (M004, M005, M006).
QString caption(int kind);
} // namespace refbook

// The reference-book editor: an editable grid of one book with a record navigator, OK and Cancel.
class TFormReferenceBook : public QDialog {
    Q_OBJECT
public:
    explicit TFormReferenceBook(QWidget* parent = nullptr);

    // Binds the grid to a book's data source (the binding stays until the next call).
    void setBook(DataSource* source);

    void FormShow();
    void BitBtn1Click(); // OK: saves a pending change and closes; a refused save keeps the window open
    void BitBtn2Click(); // Cancel: discards a pending change, closes

    DatasetGridView* DBGridEh1;
    DBNavigator* DBNavigator1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QStatusBar* StatusBar1;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Esc
};

// The reference-book picker: a read-only grid of one book; a double-click picks the entry.
class TFormRefBookUse : public QDialog {
    Q_OBJECT
public:
    explicit TFormRefBookUse(QWidget* parent = nullptr);

    void setBook(DataSource* source);
    int execModal() { return exec(); }

    void FormShow();
    void FormClose();
    void DBGridEh1DblClick();

    // The double-clicked entry's text; left as the caller set it when the window closes otherwise.
    QString PickedValue;

    DatasetGridView* DBGridEh1;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Esc closes as the close box does
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Opens the editor modally on the book of the kind with the book's caption (the main menu's
// reference-book commands). Failures are reported with the operating system's last error text.
int RefBookShow(int kind, TDM& dm, TFormReferenceBook& form);
