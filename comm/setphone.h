#pragma once

#include <QDialog>
#include <QList>

class Dataset;
class PhoneButton;
class QFrame;
class QPushButton;
class QStatusBar;
class QWidget;
class TDM;

// The number picker: a button for each phone number of the current contact. Pressing one dials
// it and leaves the picker open for the next; "Закрыть" closes it. The buttons are made afresh
// every time the picker is shown, from the shared contacts dataset.
class TFormSelectPhone : public QDialog {
    Q_OBJECT
public:
    explicit TFormSelectPhone(TDM& dm, QWidget* parent = nullptr);

    static constexpr int kClientWidth = 231;
    static constexpr int kBarHeight = 41;
    static constexpr int kFirstTop = 10;
    static constexpr int kStep = 50;
    static constexpr int kButtonLeft = 20;
    static constexpr int kButtonWidth = 200;
    static constexpr int kButtonHeight = 40;
    static constexpr int kBelowButtons = 100; // the bars and the frame below the last button

    // Opens the picker modally; tests replace it so nothing blocks.
    virtual int showModal() { return exec(); }

    void FormShow();
    void CreateControls();

    // The number buttons of the current showing, top to bottom.
    const QList<PhoneButton*>& numberButtons() const { return numberButtons_; }
    // The height the window has with its frame: the next top position plus kBelowButtons.
    int outerHeight() const { return outerHeight_; }

    PhoneButton* BitBtnPhone; // hidden template holding the phone picture
    QWidget* PanelNumbers;    // where the number buttons sit
    QFrame* Panel1;           // the bottom bar
    QPushButton* BitBtnClose; // "Закрыть"
    QStatusBar* StatusBar1;

    void setVisible(bool visible) override;

protected:
    void moveEvent(QMoveEvent* event) override;

private Q_SLOTS:
    void BitBtnPhoneClick();

private:
    int frameExtraHeight() const;
    void applyOuterHeight();
    void fitToFrame();
    void centreOnDesktop();
    Dataset& contacts() const;

    TDM& dm_;
    QList<PhoneButton*> numberButtons_;
    int outerHeight_ = kFirstTop + kBelowButtons;
    int appliedFrameExtra_ = 0;
};
