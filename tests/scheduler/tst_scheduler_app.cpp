// The menu "Планировщик" of the main window: its four commands open the scheduler windows.
#include "App.h"
#include "FormMain.h"
#include "FormMessage.h"
#include "FormScheduler.h"
#include "FormSchedulerEdit.h"
#include "ReminderEngine.h"
#include "SaveFileDialog.h"
#include "SchedulerFixture.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

class TestSchedulerApp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void commands();
};

void TestSchedulerApp::commands() {
    testdb::Folder folder;
    schedtest::Boxes boxes;
    KorvaneApp app;
    TFormMain& main = app.main();
    auto* scheduler = main.findChild<TFormScheduler*>(QStringLiteral("FormScheduler"));
    auto* editor = main.findChild<TFormSchedulerEdit*>(QStringLiteral("FormSchedulerEdit"));
    auto* message = main.findChild<TFormMessage*>(QStringLiteral("FormMessage"));
    QVERIFY(scheduler && editor && message);
    scheduler->engine->TimerScheduler->stop();
    // Created in the fixed order: the scheduler, then the shared reminder window, then the editor.
    const QObjectList children = main.children();
    QVERIFY(children.indexOf(scheduler) < children.indexOf(message));
    QVERIFY(children.indexOf(message) < children.indexOf(editor));
    Dataset& tasks = *app.dm().TabScheduler;

    // acSchedulerAdd: a new task with its key, in the editor.
    bool seen = false;
    QTimer::singleShot(0, editor, [&] {
        seen = editor->isVisible() && editor->isModal() && tasks.state() == Dataset::State::Insert &&
               !tasks.value(QStringLiteral("SH_NUM")).isNull();
        editor->DBEdit1->setText(QStringLiteral("Встреча"));
        Q_EMIT editor->DBEdit1->textEdited(editor->DBEdit1->text());
        editor->BitBtn1->click();
    });
    main.action(QStringLiteral("acSchedulerAdd"))->trigger();
    QVERIFY(seen);
    QCOMPARE(tasks.rowCount(), 1);
    QCOMPARE(tasks.text(QStringLiteral("Contact")), QStringLiteral("Встреча"));

    // acSchedulerEdit: the editor on the current task.
    seen = false;
    QTimer::singleShot(0, editor, [&] {
        seen = editor->isVisible() && editor->DBEdit1->text() == QStringLiteral("Встреча");
        editor->BitBtn2->click();
    });
    main.action(QStringLiteral("acSchedulerEdit"))->trigger();
    QVERIFY(seen);

    // acScheduler: the scheduler window, modal; its "Добавить" opens the editor on top of it.
    seen = false;
    bool editorOnTop = false;
    QTimer::singleShot(0, scheduler, [&] {
        seen = scheduler->isVisible() && scheduler->isModal();
        QTimer::singleShot(0, editor, [&] {
            editorOnTop = editor->isVisible() && scheduler->isVisible();
            editor->BitBtn2->click(); // Cancel removes the new task
        });
        scheduler->ToolButton1->click();
        scheduler->BitBtn1->click();
    });
    main.action(QStringLiteral("acScheduler"))->trigger();
    QVERIFY(seen);
    QVERIFY(editorOnTop);
    QCOMPARE(tasks.rowCount(), 1);

    // acMessage: the shared reminder window with its labels' own texts.
    seen = false;
    QTimer::singleShot(0, message, [&] {
        seen = message->isVisible() && message->lbTask->text() == QStringLiteral("lbTask") &&
               message->lbDesc->text() == QStringLiteral("lbDesc");
        message->BitBtn1->click();
    });
    main.action(QStringLiteral("acMessage"))->trigger();
    QVERIFY(seen);
    QVERIFY(!message->isVisible());

    // The scheduler's Excel button writes the task grid to the file the user names.
    const QString xls = folder.path() + QStringLiteral("tasks.xls");
    QString askedFilter;
    savefile::setAsker([&](const savefile::Request& r) {
        askedFilter = r.filter;
        return xls;
    });
    scheduler->ToolButton6->click();
    savefile::setAsker({});
    QCOMPARE(askedFilter, QStringLiteral("Excel files (*.xls);;Excel 2007+ (*.xlsx)"));
    QFile written(xls);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    QVERIFY(bytes.startsWith(QByteArray::fromHex("0908")));
    QVERIFY(bytes.contains(QByteArray("\xc2\xf1\xf2\xf0\xe5\xf7\xe0"))); // "Встреча" in cp1251
}

QTEST_MAIN(TestSchedulerApp)
#include "tst_scheduler_app.moc"
