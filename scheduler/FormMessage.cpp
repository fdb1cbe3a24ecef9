#include "FormMessage.h"

#include "ReminderEngine.h"
#include "WrappingLabel.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

TFormMessage::TFormMessage(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormMessage"));
    setWindowTitle(QStringLiteral("Задача"));
    // A fixed border with the close box only; above other windows.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    setFixedSize(319, 223);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(8, 8, 8, 4);
    body->setSpacing(10);
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setFixedSize(89, 97);
    auto* picture = new QVBoxLayout(Panel1);
    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(32, 32);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    picture->addWidget(Image1, 0, Qt::AlignCenter);
    body->addWidget(Panel1, 0, Qt::AlignTop);

    auto* texts = new QGridLayout;
    texts->setHorizontalSpacing(8);
    texts->setVerticalSpacing(6);
    auto caption = [this](const char* name, const char* text) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setObjectName(QString::fromLatin1(name));
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        return l;
    };
    auto value = [this](const char* name, bool wraps) {
        QLabel* l =
            wraps ? new WrappingLabel(QString::fromLatin1(name), this) : new QLabel(QString::fromLatin1(name), this);
        l->setObjectName(QString::fromLatin1(name));
        l->setTextFormat(Qt::PlainText);
        if (!wraps)
            l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return l;
    };
    Label1 = caption("Label1", "Задача");
    Label2 = caption("Label2", "Дата");
    Label3 = caption("Label3", "Время");
    Label4 = caption("Label4", "Описание");
    // The task and its description wrap, a long word included, within the window's width.
    lbTask = value("lbTask", true);
    lbDate = value("lbDate", false);
    lbTime = value("lbTime", false);
    lbDesc = value("lbDesc", true);
    lbDesc->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QLabel* rows[4][2] = {{Label1, lbTask}, {Label2, lbDate}, {Label3, lbTime}, {Label4, lbDesc}};
    for (int r = 0; r < 4; ++r) {
        texts->addWidget(rows[r][0], r, 0, Qt::AlignLeft | Qt::AlignTop);
        texts->addWidget(rows[r][1], r, 1, Qt::AlignTop);
    }
    texts->setColumnStretch(1, 1);
    texts->setRowStretch(3, 1);
    body->addLayout(texts, 1);
    layout->addLayout(body, 1);

    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(41);
    auto* bar = new QHBoxLayout(Panel2);
    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), Panel2);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    bar->addStretch(1);
    bar->addWidget(BitBtn1);
    bar->addStretch(1);
    layout->addWidget(Panel2);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    layout->addWidget(StatusBar1);

    connect(BitBtn1, &QPushButton::clicked, this, &TFormMessage::BitBtn1Click);
    centreOnDesktop();
}

void TFormMessage::showReminder(const Reminder& r) {
    lbTask->setText(r.task);
    lbDate->setText(r.date);
    lbTime->setText(r.time);
    lbDesc->setText(r.description);
}

void TFormMessage::centreOnDesktop() {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect area = s->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void TFormMessage::BitBtn1Click() {
    close();
}
