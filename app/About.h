#pragma once

#include <QDialog>
#include <QWidget>

class QLabel;
class QTimer;

// A small animated picture drawn in code: a telephone-book card whose ring pulses. It may animate
// all the time or only while the mouse is over it; a click is reported.
class AnimatedPicture : public QWidget {
    Q_OBJECT
public:
    enum class Style { Book, Handset };
    AnimatedPicture(Style style, bool onlyUnderMouse, QWidget* parent = nullptr);
    bool animating() const;
    int frame() const { return frame_; }

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Style style_;
    bool onlyUnderMouse_;
    int frame_ = 0;
    QTimer* timer_;
};

// "О программе": the product, its version, the author and how to reach him. The top picture and
// the mail and web lines open the address through the desktop; the bottom picture closes the window.
class TFormAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFormAbout(QWidget* parent = nullptr);

    static const QString kMail;
    static const QString kSupportMail;
    static const QString kWeb;

    AnimatedPicture* ImageTop;
    AnimatedPicture* ImageBottom;
    QLabel* LabelMail;
    QLabel* LabelSupportMail;
    QLabel* LabelWeb;

protected:
    void showEvent(QShowEvent* event) override;
};
