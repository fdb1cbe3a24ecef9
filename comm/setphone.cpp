#include "setphone.h"

#include "DMUnit.h"
#include "PhoneButton.h"
#include "servis.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMoveEvent>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

TFormSelectPhone::TFormSelectPhone(TDM& dm, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      dm_(dm) {
    setObjectName(QStringLiteral("FormSelectPhone"));
    setWindowTitle(QStringLiteral("Выбор номера"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    PanelNumbers = new QWidget(this);
    PanelNumbers->setObjectName(QStringLiteral("PanelNumbers"));
    layout->addWidget(PanelNumbers, 1);

    BitBtnPhone = new PhoneButton(QStringLiteral("Phone"), PanelNumbers);
    BitBtnPhone->setObjectName(QStringLiteral("BitBtnPhone"));
    BitBtnPhone->setIcon(phonePicture());
    BitBtnPhone->setGeometry(kButtonLeft, kFirstTop, kButtonWidth, kButtonHeight);
    BitBtnPhone->hide();

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setFixedHeight(kBarHeight);
    auto* bar = new QHBoxLayout(Panel1);
    bar->setContentsMargins(0, 0, 0, 0);
    BitBtnClose =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton), QStringLiteral("Закрыть"), Panel1);
    BitBtnClose->setObjectName(QStringLiteral("BitBtnClose"));
    BitBtnClose->setMinimumWidth(75);
    bar->addStretch(1);
    bar->addWidget(BitBtnClose);
    bar->addStretch(1);
    layout->addWidget(Panel1);
    connect(BitBtnClose, &QPushButton::clicked, this, &QDialog::close);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    layout->addWidget(StatusBar1);

    applyOuterHeight();
}

Dataset& TFormSelectPhone::contacts() const {
    return *dm_.TabMain;
}

void TFormSelectPhone::setVisible(bool visible) {
    // Built before the window is mapped, so the window system sees the final size and place.
    const bool showing = visible && !isVisible();
    if (showing)
        FormShow();
    QDialog::setVisible(visible);
    if (showing)
        fitToFrame(); // some window systems tell the frame only once the window is mapped
}

void TFormSelectPhone::FormShow() {
    CreateControls();
    centreOnDesktop();
}

void TFormSelectPhone::CreateControls() {
    qDeleteAll(numberButtons_); // no click is being handled while the picker is being shown
    numberButtons_.clear();

    int top = kFirstTop;
    const Dataset& d = contacts();
    const int row = d.currentRow();
    for (int i = 0; row >= 0 && i < d.fieldCount(); ++i) {
        const Field& f = d.field(i);
        if (!f.visible() || f.tag() != commtag::Phone)
            continue;
        const QString number = d.displayText(row, i);
        if (number.isEmpty())
            continue;
        auto* button = new PhoneButton(number, PanelNumbers);
        button->setObjectName(QStringLiteral("BitBtnPhone_") + f.name());
        button->setIcon(BitBtnPhone->icon());
        button->setIconSize(BitBtnPhone->iconSize());
        button->setGeometry(kButtonLeft, top, kButtonWidth, kButtonHeight);
        connect(button, &QPushButton::clicked, this, &TFormSelectPhone::BitBtnPhoneClick);
        button->show();
        numberButtons_.append(button);
        top += kStep;
    }
    outerHeight_ = top + kBelowButtons;
    applyOuterHeight();
}

void TFormSelectPhone::BitBtnPhoneClick() {
    auto* button = qobject_cast<QAbstractButton*>(sender());
    if (!button)
        button = qobject_cast<QAbstractButton*>(focusWidget());
    if (button)
        DialNumber(button->text());
}

int TFormSelectPhone::frameExtraHeight() const {
    // Zero until the window system has framed the window.
    return std::max(0, frameGeometry().height() - geometry().height());
}

void TFormSelectPhone::applyOuterHeight() {
    appliedFrameExtra_ = frameExtraHeight();
    setFixedSize(kClientWidth, outerHeight_ - appliedFrameExtra_);
}

void TFormSelectPhone::fitToFrame() {
    // The client area gives up the frame's height so that the outer height stays as laid out.
    if (frameExtraHeight() == appliedFrameExtra_)
        return;
    applyOuterHeight();
    centreOnDesktop();
}

void TFormSelectPhone::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    // A window manager may frame the window some time after it was mapped.
    if (isVisible())
        fitToFrame();
}

void TFormSelectPhone::centreOnDesktop() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect desktop = screen->geometry();
    const int outerWidth = kClientWidth + std::max(0, frameGeometry().width() - geometry().width());
    // move() places the frame's corner.
    move(desktop.center() - QPoint(outerWidth / 2, outerHeight_ / 2));
}
