#include "FormTools.h"

#include "CaptionRoom.h"
#include "DMUnit.h"
#include "DbError.h"
#include "FileNameEdit.h"
#include "MessageBoxes.h"
#include "ToolsRun.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// A busy cursor for the length of a run.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

TFormTools::TFormTools(TDM& dm, QWidget* parent) : QDialog(parent), dm_(dm) {
    setObjectName(QStringLiteral("FormTools"));
    setWindowTitle(QStringLiteral("Tools"));
    resize(278, 375);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    v->addWidget(PageControl1, 1);

    acBackup = new QAction(QStringLiteral("Backup"), this);
    acBackup->setObjectName(QStringLiteral("acBackup"));
    acRestore = new QAction(QStringLiteral("Restore"), this);
    acRestore->setObjectName(QStringLiteral("acRestore"));
    connect(acBackup, &QAction::triggered, this, &TFormTools::acBackupExecute);
    connect(acRestore, &QAction::triggered, this, &TFormTools::acRestoreExecute);

    TabSheetBackup = addPage("TabSheetBackup", QStringLiteral("Backup"), edtDataBaseName, edtBackUpName,
                             "edtDataBaseName", "edtBackUpName");
    TabSheetRestore = addPage("TabSheetRestore", QStringLiteral("Restore "), edtResDataBaseName, edtResBackUpName,
                              "edtResDataBaseName", "edtResBackUpName");
    BitBtnBackup = new QPushButton(acBackup->text(), TabSheetBackup);
    BitBtnBackup->setObjectName(QStringLiteral("BitBtnBackup"));
    BitBtnBackup->setGeometry(94, 208, 75, 25);
    connect(BitBtnBackup, &QPushButton::clicked, acBackup, &QAction::trigger);
    BitBtnRestore = new QPushButton(acRestore->text(), TabSheetRestore);
    BitBtnRestore->setObjectName(QStringLiteral("BitBtnRestore"));
    BitBtnRestore->setGeometry(89, 208, 85, 25);
    connect(BitBtnRestore, &QPushButton::clicked, acRestore, &QAction::trigger);
    for (QPushButton* b : {BitBtnBackup, BitBtnRestore})
        b->setAutoDefault(false);
    PageControl1->setCurrentWidget(TabSheetRestore);

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFixedHeight(41);
    BitBtnClose = new QPushButton(QStringLiteral("Close"), panel);
    BitBtnClose->setObjectName(QStringLiteral("BitBtnClose"));
    BitBtnClose->setGeometry(98, 8, 75, 25);
    BitBtnClose->setAutoDefault(false);
    connect(BitBtnClose, &QPushButton::clicked, this, &QDialog::reject);
    v->addWidget(panel);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    v->addWidget(StatusBar1);
}

QWidget* TFormTools::addPage(const char* name, const QString& caption, FileNameEdit*& database, FileNameEdit*& backup,
                             const char* databaseName, const char* backupName) {
    auto* page = new QWidget(PageControl1);
    page->setObjectName(QString::fromLatin1(name));
    PageControl1->addTab(page, caption);
    auto box = [this, page](const char* boxName, const char* labelText, int y, FileKind kind) {
        auto* label = new QLabel(QString::fromUtf8(labelText), page);
        label->setObjectName(QStringLiteral("Label") + QString::fromLatin1(boxName).mid(3)); // LabelDataBaseName
        label->move(5, y + 4);
        label->adjustSize();
        auto* e = new FileNameEdit(page);
        e->setObjectName(QString::fromLatin1(boxName));
        e->setGeometry(112, y, 121, 21);
        label->setBuddy(e);
        connect(e, &FileNameEdit::doubleClicked, this, [this, e, kind] { askFileName(e, kind); });
        return e;
    };
    database = box(databaseName, "Data Base file", 44, FileKind::Database);
    backup = box(backupName, "BackUp file", 76, FileKind::Backup);
    return page;
}

void TFormTools::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        // The captions of the language loaded last get their room; the window grows when it must.
        for (QWidget* container : {TabSheetBackup, TabSheetRestore, BitBtnClose->parentWidget()})
            captionroom::fit(container);
        layout()->activate();
    }
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Centred on the screen, not on the main window.
    if (QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void TFormTools::askFileName(FileNameEdit* box, FileKind kind) {
    const bool database = kind == FileKind::Database;
    QFileDialog dialog(this);
    dialog.setObjectName(database ? QStringLiteral("OpenDialogDB") : QStringLiteral("OpenDialogBackUp"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (!database)
        dialog.setWindowTitle(QStringLiteral("Type or select backup gbk filename"));
    dialog.setNameFilter(database ? QStringLiteral("InterBase DB file (*.gdb)")
                                  : QStringLiteral("InterBase BackUp file (*.gbk)"));
    dialog.setDefaultSuffix(database ? QStringLiteral("gdb") : QStringLiteral("gbk"));
    // A file that does not exist yet may be named.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    const QString current = box->text().trimmed();
    if (!current.isEmpty() && QFileInfo(current).dir().exists()) {
        dialog.setDirectory(QFileInfo(current).absolutePath());
        dialog.selectFile(QFileInfo(current).fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    box->setText(QDir::toNativeSeparators(dialog.selectedFiles().constFirst()));
}

void TFormTools::showProgress(const QString& line) {
    StatusBar1->showMessage(line.trimmed());
}

void TFormTools::runTool(const std::function<void()>& run) {
    if (running_)
        return;
    running_ = true;
    setControlsEnabled(false);
    StatusBar1->clearMessage();
    try {
        const BusyCursor busy;
        run();
        StatusBar1->clearMessage();
    } catch (const DbError& e) {
        StatusBar1->clearMessage();
        setControlsEnabled(true);
        running_ = false;
        msgbox::showError(e.message());
        return;
    }
    setControlsEnabled(true);
    running_ = false;
}

void TFormTools::setControlsEnabled(bool on) {
    PageControl1->setEnabled(on);
    BitBtnClose->setEnabled(on);
}

void TFormTools::acBackupExecute() {
    const QString database = edtDataBaseName->text();
    const QString backup = edtBackUpName->text();
    runTool([this, database, backup] {
        ToolsRun(dm_).backup(database, backup, [this](const QString& line) { showProgress(line); });
    });
}

void TFormTools::acRestoreExecute() {
    const QString database = edtResDataBaseName->text();
    const QString backup = edtResBackUpName->text();
    runTool([this, database, backup] {
        ToolsRun(dm_).restore(backup, database, [this](const QString& line) { showProgress(line); });
    });
}

void TFormTools::closeEvent(QCloseEvent* event) {
    // The window stays while a run goes on: the connection is closed until it ends.
    if (running_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFormTools::reject() {
    if (!running_)
        QDialog::reject();
}
