#pragma once

#include <QWidget>
#include <vector>

class Dataset;
class QAction;
class QButtonGroup;
class QToolButton;

// The letter bar under the main toolbar: "ВСЁ" and one check button per letter of the Russian
// alphabet. A pressed letter keeps the contacts whose surname begins with it; "ВСЁ" shows every
// contact. A tab at the left end folds the bar to a thin strip and back.
class LetterBar : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool maximized READ maximized WRITE setMaximized NOTIFY maximizedChanged)
public:
    explicit LetterBar(Dataset& tabMain, QWidget* parent = nullptr);

    QToolButton* ToolButtonAll = nullptr;
    // ToolButton96 .. ToolButton126, in alphabet order.
    std::vector<QToolButton*> letterButtons;
    QAction* acFastSearch = nullptr;

    // Every button, the all-button first.
    std::vector<QToolButton*> buttons() const;
    QToolButton* pressedButton() const;

    // True while unfolded (the placement key dfsToolBar3_Maximized).
    bool maximized() const { return maximized_; }
    void setMaximized(bool maximized);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public Q_SLOTS:
    // Applies the pressed button to the contact list's filter; failures are ignored.
    void acFastSearchExecute();
    // Makes "ВСЁ" the pressed button without touching the filter (the Space key).
    void pressAll();
    void toggleFolded() { setMaximized(!maximized_); }

Q_SIGNALS:
    void maximizedChanged(bool maximized);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    class FoldTab;
    void layOut();
    // Makes the button the only pressed one (none when nullptr), without touching the filter.
    void pressOnly(QToolButton* button);

    Dataset& tabMain_;
    QButtonGroup* group_ = nullptr;
    FoldTab* tab_ = nullptr;
    QToolButton* applied_ = nullptr; // the button whose filter the list shows
    bool maximized_ = true;
};
