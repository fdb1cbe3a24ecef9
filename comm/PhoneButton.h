#pragma once

#include <QIcon>
#include <QPushButton>

// The phone picture of the number buttons and of the button bar's dial command.
QIcon phonePicture();

// A push button whose picture sits a fixed distance from its left edge with the caption after it,
// like a number on a card. The caption is drawn as it stands: an '&' in a number is not a mnemonic.
class PhoneButton : public QPushButton {
    Q_OBJECT
public:
    explicit PhoneButton(const QString& caption, QWidget* parent = nullptr);

    static constexpr int kPictureMargin = 10; // from the left edge to the picture
    static constexpr int kSpacing = 4;        // from the picture to the caption

    // Where the picture is drawn, in the button's coordinates.
    QRect pictureRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
