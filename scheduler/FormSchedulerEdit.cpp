#include "FormSchedulerEdit.h"

#include "DBNavigator.h"
#include "DMUnit.h"
#include "DataBindings.h"
#include "DataWindowBar.h"
#include "DbControls.h"
#include "DbError.h"
#include "MessageBoxes.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

TFormSchedulerEdit::TFormSchedulerEdit(TDM& dm, QWidget* parent)
    : QDialog(parent), dm_(dm), bindings_(new DataBindings(dm.dsScheduler.get(), this)) {
    setObjectName(QStringLiteral("FormSchedulerEdit"));
    setWindowTitle(QStringLiteral("Задача"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    resize(427, 419);
    move(330, 109);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(8, 8, 8, 8);
    body->setSpacing(10);
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Panel1->setFixedSize(95, 304);
    auto* picture = new QVBoxLayout(Panel1);
    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(32, 32);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_FileDialogDetailedView).pixmap(32, 32));
    picture->addWidget(Image1, 0, Qt::AlignCenter);
    body->addWidget(Panel1, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(1);
    auto label = [this](const char* name, const char* text) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    auto edit = [this](const char* name, const char* field, bool narrow) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        if (narrow) {
            e->setFixedWidth(64);
            e->setValidator(new QIntValidator(-32768, 32767, e));
        }
        bindings_->bindText(e, QString::fromLatin1(field));
        return e;
    };
    auto addCaptioned = [&](QLabel* l, QWidget* w) {
        l->setBuddy(w);
        column->addWidget(l);
        column->addWidget(w, 0, Qt::AlignLeft);
        column->addSpacing(5);
    };

    Label1 = label("Label1", "Задача");
    DBEdit1 = edit("DBEdit1", "Contact", false);
    DBEdit1->setMinimumWidth(260);
    addCaptioned(Label1, DBEdit1);

    Label2 = label("Label2", "Дата");
    DBDateEdit1 = new DateBox(this);
    DBDateEdit1->setObjectName(QStringLiteral("DBDateEdit1"));
    DBDateEdit1->lineEdit()->setObjectName(QStringLiteral("DBDateEdit1Edit"));
    DBDateEdit1->setFixedWidth(130);
    bindings_->bindDate(DBDateEdit1, QStringLiteral("ContactDate"));
    addCaptioned(Label2, DBDateEdit1);

    // Hour and minutes side by side.
    Label3 = label("Label3", "Час");
    Label4 = label("Label4", "Минуты");
    DBEdit2 = edit("DBEdit2", "ContactHour", true);
    DBEdit3 = edit("DBEdit3", "ContactMin", true);
    Label3->setBuddy(DBEdit2);
    Label4->setBuddy(DBEdit3);
    auto* time = new QGridLayout;
    time->setHorizontalSpacing(12);
    time->setVerticalSpacing(1);
    time->addWidget(Label3, 0, 0);
    time->addWidget(Label4, 0, 1);
    time->addWidget(DBEdit2, 1, 0);
    time->addWidget(DBEdit3, 1, 1);
    time->setColumnStretch(2, 1);
    column->addLayout(time);
    column->addSpacing(5);

    Label5 = label("Label5", "Сообщать за дней");
    DBEdit4 = edit("DBEdit4", "NotyfiBehindDays", true);
    addCaptioned(Label5, DBEdit4);
    Label6 = label("Label6", "Сообщать за часов");
    DBEdit5 = edit("DBEdit5", "NotyfiBehindHours", true);
    addCaptioned(Label6, DBEdit5);
    Label7 = label("Label7", "Сообщать за минут");
    DBEdit6 = edit("DBEdit6", "NotyfiBehindMin", true);
    addCaptioned(Label7, DBEdit6);

    Label8 = label("Label8", "Описание");
    DBMemo1 = new QPlainTextEdit(this);
    DBMemo1->setObjectName(QStringLiteral("DBMemo1"));
    DBMemo1->setTabChangesFocus(true);
    DBMemo1->setFixedHeight(DBMemo1->fontMetrics().lineSpacing() * 2 + 12);
    bindings_->bindMemo(DBMemo1, QStringLiteral("ContactDesc"));
    Label8->setBuddy(DBMemo1);
    column->addWidget(Label8);
    column->addWidget(DBMemo1);
    column->addStretch(1);
    body->addLayout(column, 1);
    layout->addLayout(body, 1);

    // The tab order is the order of the column.
    QWidget* order[] = {DBEdit1, DBDateEdit1->lineEdit(), DBEdit2, DBEdit3, DBEdit4, DBEdit5, DBEdit6, DBMemo1};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    const DataWindowBar bar = makeDataWindowBar(this, QStringLiteral("Panel2"), 41, dm_.dsScheduler.get(), 64);
    DBNavigator1 = bar.navigator;
    BitBtn1 = bar.ok;
    BitBtn2 = bar.cancel;
    // As in the contact editor: a click leaves the focus in the date box, so a half-typed date is
    // judged by the button's own rule.
    for (QPushButton* b : {BitBtn1, BitBtn2})
        b->setFocusPolicy(Qt::TabFocus);
    layout->addWidget(bar.panel);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    layout->addWidget(StatusBar1);

    connect(BitBtn1, &QPushButton::clicked, this, &TFormSchedulerEdit::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFormSchedulerEdit::BitBtn2Click);
}

void TFormSchedulerEdit::acSchedulerAddExecute() {
    Dataset& tasks = *dm_.TabScheduler;
    try {
        if (!tasks.isOpen())
            tasks.open();
        tasks.append();
    } catch (const DbError& e) {
        // No key, no task: the editor does not open.
        msgbox::showError(e.message());
        return;
    }
    execModal();
}

void TFormSchedulerEdit::acSchedulerEditExecute() {
    Dataset& tasks = *dm_.TabScheduler;
    try {
        if (!tasks.isOpen())
            tasks.open();
    } catch (const DbError& e) {
        msgbox::showError(e.message());
        return;
    }
    execModal();
}

void TFormSchedulerEdit::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormSchedulerEdit::FormShow() {
    bindings_->refresh();
    DBEdit1->setFocus();
}

void TFormSchedulerEdit::BitBtn1Click() {
    if (!postClosingWindow(*dm_.TabScheduler))
        return; // refused: the editor stays open with the typed values
    done(QDialog::Accepted);
}

void TFormSchedulerEdit::BitBtn2Click() {
    cancelClosingWindow(*dm_.TabScheduler);
    done(QDialog::Rejected);
}

void TFormSchedulerEdit::reject() {
    BitBtn2Click();
}

void TFormSchedulerEdit::closeEvent(QCloseEvent* event) {
    // The close box neither saves nor discards: a pending change waits for the cursor to move.
    event->accept();
    done(QDialog::Rejected);
}
