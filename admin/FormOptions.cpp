#include "FormOptions.h"

#include "CaptionRoom.h"
#include "ConnectOptions.h"
#include "MessageBoxes.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

TFormOptions::TFormOptions(QString iniPath, QWidget* parent) : QDialog(parent), iniPath_(std::move(iniPath)) {
    setObjectName(QStringLiteral("FormOptions"));
    setWindowTitle(QStringLiteral("Настройка"));
    resize(346, 375);
    setSizeGripEnabled(false);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    auto* page = new QWidget(PageControl1);
    page->setObjectName(QStringLiteral("TabSheet1"));
    PageControl1->addTab(page, QStringLiteral("Подкчючение"));
    v->addWidget(PageControl1, 1);

    // The controls keep their places whatever the window's size.
    auto label = [page](const char* name, const char* caption, int y) {
        auto* l = new QLabel(QString::fromUtf8(caption), page);
        l->setObjectName(QString::fromLatin1(name));
        l->move(18, y);
        l->adjustSize();
        return l;
    };
    auto edit = [page](const char* name, int y, int width) {
        auto* e = new QLineEdit(page);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(96, y, width, 21);
        return e;
    };
    label("Label1", "Сервер", 32)->setBuddy(EditServer = edit("EditServer", 28, 121));
    label("Label2", "База", 68)->setBuddy(EditDB = edit("EditDB", 64, 223));
    label("Label3", "Пользователь", 104)->setBuddy(EditUser = edit("EditUser", 101, 121));
    label("Label4", "Пароль", 140)->setBuddy(EditPass = edit("EditPass", 137, 121));
    EditPass->setEchoMode(QLineEdit::Password);
    cmbPromt = new QComboBox(page);
    cmbPromt->setObjectName(QStringLiteral("cmbPromt"));
    cmbPromt->setEditable(false);
    cmbPromt->addItems({QStringLiteral("да"), QStringLiteral("нет")});
    cmbPromt->setGeometry(96, 173, 81, 21);
    label("Label5", "Диалог", 176)->setBuddy(cmbPromt);
    setTabOrder(EditServer, EditDB);
    setTabOrder(EditDB, EditUser);
    setTabOrder(EditUser, EditPass);
    setTabOrder(EditPass, cmbPromt);

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFixedHeight(41);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), panel);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(75, 8, 75, 25);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("&Close"), panel);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(179, 8, 75, 25);
    BitBtn2->setAutoDefault(false);
    v->addWidget(panel);
    setTabOrder(cmbPromt, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);

    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setSizeGripEnabled(false);
    v->addWidget(status);

    connect(BitBtn1, &QPushButton::clicked, this, &TFormOptions::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormOptions::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        // The captions of the language loaded last get their room; the boxes move right of the
        // longest and the window grows when it must.
        captionroom::fit(PageControl1->widget(0));
        captionroom::fit(BitBtn1->parentWidget());
        ConnectOptions();
    }
    QDialog::showEvent(event);
}

void TFormOptions::ConnectOptions() {
    const ConnectOptionsValues v = readConnectOptions(iniPath_);
    EditServer->setText(v.server);
    EditDB->setText(v.db);
    EditUser->setText(v.user);
    EditPass->setText(v.pass);
    cmbPromt->setCurrentIndex(v.prompt ? 0 : 1);
    EditServer->setFocus();
}

void TFormOptions::BitBtn1Click() {
    ConnectOptionsValues v;
    v.server = EditServer->text();
    v.db = EditDB->text();
    v.user = EditUser->text();
    v.pass = EditPass->text();
    v.prompt = cmbPromt->currentIndex() == 0;
    if (!writeConnectOptions(iniPath_, v))
        msgbox::showError(QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(iniPath_)));
    // The dialog closes whether or not the file could be written.
    accept();
}
