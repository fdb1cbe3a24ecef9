#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class DataBindings;
class DateBox;
class DBNavigator;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class QTabWidget;
class TDM;
class TFormRefBookUse;

// The contact editor: every control is bound to a column of the current row of the shared contacts
// dataset, so it edits the contact the grids show. Created once and reused for every opening.
class TFormEdit : public QDialog {
    Q_OBJECT
public:
    TFormEdit(TDM& dm, TFormRefBookUse& picker, QWidget* parent = nullptr);

    // Opens modally on whatever contact is current; the caller starts a new row first for "add".
    int execModal() { return exec(); }

    // ---- handlers ----
    void FormShow();
    void BitBtn1Click(); // OK: saves a pending change and closes; a refused save is shown, the editor stays
    void BitBtn2Click(); // Cancel, Esc: discards a pending change, ignoring failures, closes
    void ImageFotoDblClick();
    void AddPhoto1Click();
    void DelPhoto1Click();
    // Fills the focused box from a reference book: 0 business lines, 1 legal forms, 2 job posts.
    void RefBookUseProc(int kind);
    void BusinessLineUse();
    void OrgRightFormUse();
    void JobPostUse();
    // Double-click on a text, date or memo box, and on a pick box.
    void DBEdit40DblClick(QWidget* box);
    void RunCoomunication(QWidget* box);

    // ---- seams ----
    // The picture-file dialog: the chosen file's full name, empty when cancelled.
    std::function<QString(QWidget* parent)> choosePhotoFile;
    // What a double-click does with a box (its "Tag" property and text).
    std::function<void(QWidget* box)> communicate;

    // ---- controls ----
    QTabWidget* PageControl1;
    DBNavigator* DBNavigator1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QLabel* ImageFoto;
    QMenu* PopupMenu1;
    QAction* AddPhoto1;
    QAction* EditPhoto1;
    QAction* DelPhoto1;
    QStatusBar* StatusBar1;

    DataBindings* bindings() const { return bindings_; }
    // The boxes bound to a column (the text box of pick and date controls), in page order.
    QList<QWidget*> boxesOf(const QString& fieldName) const;
    // The page a box lies on.
    QWidget* pageOf(const QWidget* box) const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Kind { Text, PickBusinessLine, PickOrgRightForm, PickJobPost, List, Date, Memo };
    // One control of a page: its designed row, column, kind, caption and communication tag.
    struct Entry {
        int row;
        const char* field;
        Kind kind;
        const char* caption;
        int tag = 0;
    };
    // The pages and their controls (EditPages.cpp).
    void buildPages();
    QWidget* buildPage(const QString& objectName, const QString& title, const std::vector<Entry>& entries);
    QWidget* buildOtherPage();
    QWidget* makeControl(const Entry& e, QWidget* page);
    // The width a box needs to show a typical value of its column.
    int typicalWidth(const Entry& e) const;
    QLabel* makeLabel(const QString& caption, QWidget* page);
    void watchDoubleClick(QWidget* box, bool pick);
    void showPhotoOfRow(bool reportUnreadable);
    void showPhotoSilently();
    // The first date box whose text is not a date, or nullptr.
    DateBox* unreadableDate() const;
    // Shows the stored dates again in boxes whose text is not a date.
    void dropUnreadableDates();
    // After a refused save: the box whose value the database cannot store comes into view.
    void showRefusedBox();
    QString photoLink() const;

    TDM& dm_;
    TFormRefBookUse& picker_;
    DataBindings* bindings_;
    QList<QPair<QString, QWidget*>> boxes_; // column, box
    QList<QWidget*> pickBoxes_;             // double-clicks go to RunCoomunication
    QString shownLink_;                     // the link whose picture the box shows
    int labels_ = 0, edits_ = 0, picks_ = 0, dates_ = 0, lists_ = 0;
};
