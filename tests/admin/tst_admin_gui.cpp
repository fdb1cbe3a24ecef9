// The options dialog and the backup window driven as a user would, offscreen.
#include "ConnectOptions.h"
#include "FileNameEdit.h"
#include "FormOptions.h"
#include "FormTools.h"
#include "MessageBoxes.h"
#include "TestDatabase.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using testdb::Folder;
using testdb::RecordedUi;

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Answers the next modal file dialog by typing a name into it and pressing OK; the chosen paths are
// returned through selected.
void answerFileDialog(const QString& typed, QStringList* selected, QString* title) {
    QTimer::singleShot(0, [typed, selected, title] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            answerFileDialog(typed, selected, title);
            return;
        }
        *title = dialog->windowTitle();
        // What the user types replaces the preselected file.
        for (auto* view : dialog->findChildren<QAbstractItemView*>())
            if (view->selectionModel())
                view->selectionModel()->clearSelection();
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(typed);
        *selected = dialog->selectedFiles();
        QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
    });
}

// The next widget that Tab moves to.
QWidget* nextTab(QWidget* w) {
    QWidget* n = w->nextInFocusChain();
    while (n != w && !(n->focusPolicy() & Qt::TabFocus))
        n = n->nextInFocusChain();
    return n;
}

} // namespace

class TstAdminGui : public QObject {
    Q_OBJECT
    QStringList shown_;

private Q_SLOTS:
    void init() {
        shown_.clear();
        msgbox::setResponder([this](const msgbox::Shown& s) {
            shown_ << s.text;
            return QMessageBox::Ok;
        });
    }

    // ---- options ----

    void optionsLayout() {
        Folder folder;
        TFormOptions form(folder.iniPath());
        QCOMPARE(form.windowTitle(), QStringLiteral("Настройка"));
        QCOMPARE(form.PageControl1->tabText(0), QStringLiteral("Подкчючение"));
        QCOMPARE(form.EditServer->geometry(), QRect(96, 28, 121, 21));
        QCOMPARE(form.EditDB->geometry(), QRect(96, 64, 223, 21));
        QCOMPARE(form.EditUser->geometry(), QRect(96, 101, 121, 21));
        QCOMPARE(form.EditPass->geometry(), QRect(96, 137, 121, 21));
        QCOMPARE(form.cmbPromt->geometry().topLeft(), QPoint(96, 173));
        QCOMPARE(form.EditPass->echoMode(), QLineEdit::Password);
        QCOMPARE(form.cmbPromt->isEditable(), false);
        QCOMPARE(form.BitBtn1->geometry(), QRect(75, 8, 75, 25));
        QCOMPARE(form.BitBtn2->text(), QStringLiteral("&Close"));
        QVERIFY(form.BitBtn1->isDefault());
        // Tab order: the table's order, then the buttons.
        QCOMPARE(nextTab(form.EditServer), form.EditDB);
        QCOMPARE(nextTab(form.EditDB), form.EditUser);
        QCOMPARE(nextTab(form.EditUser), form.EditPass);
        QCOMPARE(nextTab(form.EditPass), form.cmbPromt);
    }

    // Each show re-reads the file; OK writes the boxes as they stand.
    void optionsShowAndOk() {
        Folder folder;
        TFormOptions form(folder.iniPath());
        form.show();
        QCOMPARE(form.EditUser->text(), QStringLiteral("SYSDBA"));
        QCOMPARE(form.EditPass->text(), QStringLiteral("masterkey"));
        QCOMPARE(form.cmbPromt->currentText(), QStringLiteral("нет"));
        form.EditServer->setText(QStringLiteral("localhost:"));
        form.cmbPromt->setCurrentIndex(0);
        QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Accepted));
        const IniFile ini(folder.iniPath());
        QCOMPARE(ini.readString("DataBase", "Server"), QStringLiteral("localhost:"));
        QCOMPARE(ini.readString("DataBase", "Promt"), QStringLiteral("1"));
        QCOMPARE(ini.readString("DataBase", "pass"), QStringLiteral("masterkey"));
        QVERIFY(shown_.isEmpty());

        // Someone else edits the file: the next show has their values.
        IniFile other(folder.iniPath());
        other.writeString("DataBase", "user", QStringLiteral("Иван"));
        other.save();
        form.show();
        QCOMPARE(form.EditUser->text(), QStringLiteral("Иван"));
        QCOMPARE(form.EditServer->text(), QStringLiteral("localhost:"));
        form.reject();
    }

    // OK changes the file only: the running connection keeps the values it started with.
    void optionsOkDoesNotReconnect() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        QVERIFY(dm->TabMain->isOpen());
        const QString before = dm->IBPhones->databaseName;
        TFormOptions form(folder.iniPath());
        form.show();
        form.EditDB->setText(QStringLiteral("/nowhere/else.gdb"));
        QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
        QCOMPARE(IniFile(folder.iniPath()).readString("DataBase", "db"), QStringLiteral("/nowhere/else.gdb"));
        QVERIFY(dm->IBPhones->connected());
        QVERIFY(dm->TabMain->isOpen());
        QCOMPARE(dm->IBPhones->databaseName, before);
    }

    // Close, Esc and the close box write nothing.
    void optionsCloseWritesNothing_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("Close button") << 0;
        QTest::newRow("Esc") << 1;
        QTest::newRow("close box") << 2;
    }
    void optionsCloseWritesNothing() {
        QFETCH(int, how);
        Folder folder;
        const QByteArray before = readFile(folder.iniPath());
        TFormOptions form(folder.iniPath());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.EditDB->setText(QStringLiteral("/elsewhere.gdb"));
        if (how == 0)
            QTest::mouseClick(form.BitBtn2, Qt::LeftButton);
        else if (how == 1)
            QTest::keyClick(form.EditDB, Qt::Key_Escape);
        else
            form.close();
        QVERIFY(!form.isVisible());
        QCOMPARE(readFile(folder.iniPath()), before);
    }

    // Enter in a box presses OK.
    void optionsEnterIsOk() {
        Folder folder;
        TFormOptions form(folder.iniPath());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.EditDB->setFocus();
        form.EditDB->setText(QStringLiteral("/typed.gdb"));
        QTest::keyClick(form.EditDB, Qt::Key_Return);
        QVERIFY(!form.isVisible());
        QCOMPARE(IniFile(folder.iniPath()).readString("DataBase", "db"), QStringLiteral("/typed.gdb"));
    }

    // A file that cannot be written: the message names it and the dialog closes all the same.
    void optionsUnwritable() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("no/such/folder/Phones.ini"));
        TFormOptions form(path);
        form.show();
        QCOMPARE(form.EditServer->text(), kOptionsMissing);
        QCOMPARE(form.EditPass->text(), kOptionsMissingPass);
        QCOMPARE(form.cmbPromt->currentText(), QStringLiteral("да"));
        QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QCOMPARE(shown_, QStringList{QStringLiteral("Unable to write to %1.").arg(path)});
    }

    // ---- backup window ----

    void toolsLayout() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        TFormTools form(*dm);
        QCOMPARE(form.windowTitle(), QStringLiteral("Tools"));
        QCOMPARE(form.PageControl1->currentWidget(), form.TabSheetRestore);
        QCOMPARE(form.PageControl1->tabText(form.PageControl1->indexOf(form.TabSheetRestore)),
                 QStringLiteral("Restore "));
        QCOMPARE(form.edtDataBaseName->geometry(), QRect(112, 44, 121, 21));
        QCOMPARE(form.edtBackUpName->geometry(), QRect(112, 76, 121, 21));
        QCOMPARE(form.BitBtnBackup->geometry(), QRect(94, 208, 75, 25));
        QCOMPARE(form.BitBtnRestore->geometry(), QRect(89, 208, 85, 25));
        QCOMPARE(form.BitBtnClose->geometry(), QRect(98, 8, 75, 25));
        for (FileNameEdit* e :
             {form.edtDataBaseName, form.edtBackUpName, form.edtResDataBaseName, form.edtResBackUpName})
            QVERIFY(e->text().isEmpty());
    }

    // The double-click dialogs complete a name typed without extension.
    void doubleClickDialogs_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("title");
        QTest::newRow("database") << "edtDataBaseName"
                                  << "new"
                                  << "new.gdb" << QString();
        QTest::newRow("restore database") << "edtResDataBaseName"
                                          << "other"
                                          << "other.gdb" << QString();
        QTest::newRow("backup") << "edtBackUpName"
                                << "copy"
                                << "copy.gbk"
                                << "Type or select backup gbk filename";
        QTest::newRow("restore backup") << "edtResBackUpName"
                                        << "in"
                                        << "in.gbk"
                                        << "Type or select backup gbk filename";
        QTest::newRow("extension kept") << "edtBackUpName"
                                        << "copy.gbk"
                                        << "copy.gbk"
                                        << "Type or select backup gbk filename";
    }
    void doubleClickDialogs() {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QFETCH(QString, title);
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        TFormTools form(*dm);
        form.show();
        auto* edit = form.findChild<FileNameEdit*>(box);
        QVERIFY(edit);
        edit->setText(folder.path() + QStringLiteral("start.gdb"));
        QStringList selected;
        QString shownTitle;
        answerFileDialog(typed, &selected, &shownTitle);
        QTest::mouseDClick(edit, Qt::LeftButton);
        QCOMPARE(edit->text(), folder.path() + expected);
        if (!title.isEmpty())
            QCOMPARE(shownTitle, title);
    }

    // The browse button (Alt+Down too) takes an existing file's full path.
    void browseButton() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        TFormTools form(*dm);
        form.show();
        form.edtResBackUpName->setText(folder.iniPath());
        QStringList selected;
        QString shownTitle;
        answerFileDialog(folder.databasePath(), &selected, &shownTitle);
        QTest::keyClick(form.edtResBackUpName, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(shownTitle, QStringLiteral("Список"));
        QCOMPARE(form.edtResBackUpName->text(), folder.databasePath());
    }

    // A run with progress in the status bar; a success shows nothing and the window stays open.
    void backupFromTheWindow() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        TFormTools form(*dm);
        form.show();
        form.PageControl1->setCurrentWidget(form.TabSheetBackup);
        form.edtDataBaseName->setText(folder.databasePath());
        form.edtBackUpName->setText(folder.path() + QStringLiteral("w.gbk"));
        QSignalSpy progress(form.StatusBar1, &QStatusBar::messageChanged);
        // While the run goes on: a busy cursor, the controls held, the clock of the program ticking.
        bool busy = false, held = false;
        connect(form.StatusBar1, &QStatusBar::messageChanged, &form, [&](const QString& line) {
            if (line.isEmpty())
                return;
            busy = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            held = !form.PageControl1->isEnabled() && !form.BitBtnClose->isEnabled() && form.running();
        });
        QTest::mouseClick(form.BitBtnBackup, Qt::LeftButton);
        QVERIFY(busy);
        QVERIFY(held);
        QVERIFY(QFileInfo(folder.path() + QStringLiteral("w.gbk")).size() > 0);
        QVERIFY(shown_.isEmpty());
        QVERIFY(form.isVisible());
        QVERIFY(progress.size() > 2);
        QVERIFY(form.StatusBar1->currentMessage().isEmpty());
        QVERIFY(dm->TabMain->isOpen());
        QVERIFY(form.PageControl1->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
    }

    // An empty backup box: the server's message, the connection closed, the window usable again.
    void emptyBackupBox() {
        Folder folder;
        RecordedUi ui;
        auto dm = folder.openDM(ui);
        TFormTools form(*dm);
        form.show();
        form.PageControl1->setCurrentWidget(form.TabSheetBackup);
        form.edtDataBaseName->setText(folder.databasePath());
        QTest::mouseClick(form.BitBtnBackup, Qt::LeftButton);
        QCOMPARE(shown_.size(), 1);
        QVERIFY(!shown_.first().isEmpty());
        QVERIFY(!dm->IBPhones->connected());
        QVERIFY(form.PageControl1->isEnabled());
        QVERIFY(form.BitBtnClose->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
    }
};

QTEST_MAIN(TstAdminGui)
#include "tst_admin_gui.moc"
