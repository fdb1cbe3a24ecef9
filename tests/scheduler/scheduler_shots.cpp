// Writes pictures of the scheduler window with a dozen tasks, the task editor and two reminder
// windows to /tmp/korvane-shots, for looking at under Xvfb or offscreen.
#include "FormLateReminders.h"
#include "FormMessage.h"
#include "FormScheduler.h"
#include "FormSchedulerEdit.h"
#include "IniLang.h"
#include "ReminderEngine.h"
#include "ReminderPlayer.h"
#include "TestDatabase.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPainter>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = QStringLiteral("/tmp/korvane-shots/");
    QDir().mkpath(out);
    testdb::Folder folder;
    testdb::RecordedUi ui;
    auto dm = folder.openDM(ui);
    Dataset& tasks = *dm->TabScheduler;
    const QDate today(2026, 12, 10);
    struct T {
        const char* name;
        int day, hour, minute, ahead;
        const char* desc;
    };
    const T list[] = {{"Позвонить в банк", 0, 9, 30, 15, "Уточнить платёж по договору № 17"},
                      {"Планёрка", 0, 10, 0, 10, "Переговорная 2"},
                      {"Обед с Петровым", 0, 13, 0, 30, "Кафе «Восток»"},
                      {"Отправить отчёт", 1, 11, 0, 60, "Квартальный отчёт главному бухгалтеру"},
                      {"День рождения Анны", 2, 9, 0, 0, "Купить цветы"},
                      {"Зубной врач", 3, 17, 45, 45, ""},
                      {"Call John Smith", 3, 15, 0, 5, "Contract renewal"},
                      {"Продлить домен", 5, 12, 0, 0, "korvane.example"},
                      {"Совещание", 6, 14, 30, 15, "Итоги года"},
                      {"Забрать документы", 7, 16, 0, 20, "Нотариус, ул. Садовая, 5"},
                      {"Ёлка в офисе", 14, 18, 0, 60, "Подарки сотрудникам"},
                      {"Без даты", -1, 24, 0, 0, "Срок не назначен"}};
    for (const T& t : list) {
        tasks.append();
        tasks.setValue(QStringLiteral("Contact"), QString::fromUtf8(t.name));
        if (t.day >= 0)
            tasks.setValue(QStringLiteral("ContactDate"), today.addDays(t.day));
        tasks.setValue(QStringLiteral("ContactHour"), t.hour);
        tasks.setValue(QStringLiteral("ContactMin"), t.minute);
        tasks.setValue(QStringLiteral("NotyfiBehindMin"), t.ahead);
        tasks.setValue(QStringLiteral("ContactDesc"), QString::fromUtf8(t.desc));
        tasks.post();
    }
    tasks.moveTo(2);

    TFormScheduler scheduler(*dm);
    scheduler.playSound = [](const QString&) {};
    scheduler.notifyDesktop = [](const Reminder&) {};
    scheduler.show();
    app.processEvents();
    scheduler.grab().save(out + QStringLiteral("scheduler-window.png"));

    TFormSchedulerEdit editor(*dm);
    editor.show();
    app.processEvents();
    editor.grab().save(out + QStringLiteral("scheduler-task-editor.png"));
    editor.hide();
    scheduler.hide();

    // Two tasks due in one minute: two reminder windows, one over the other.
    tasks.moveTo(0);
    tasks.setValue(QStringLiteral("ContactMin"), 15);
    tasks.setValue(QStringLiteral("NotyfiBehindMin"), 0);
    tasks.post();
    tasks.moveTo(1);
    tasks.setValue(QStringLiteral("ContactHour"), 9);
    tasks.setValue(QStringLiteral("ContactMin"), 25);
    tasks.setValue(QStringLiteral("NotyfiBehindMin"), 10);
    tasks.post();
    scheduler.engine->setClock([today] { return QDateTime(today, QTime(9, 15, 3)); });
    scheduler.engine->CheckReminders();
    app.processEvents();
    const auto windows = scheduler.reminderWindows();
    std::printf("reminder windows: %lld\n", static_cast<long long>(windows.size()));
    if (windows.size() == 2) {
        const QPixmap a = windows[0]->grab(), b = windows[1]->grab();
        QPixmap both(a.width() + b.width() + 12, std::max(a.height(), b.height()));
        both.fill(Qt::darkGray);
        QPainter p(&both);
        p.drawPixmap(0, 0, a);
        p.drawPixmap(a.width() + 12, 0, b);
        p.end();
        both.save(out + QStringLiteral("scheduler-two-reminders.png"));
    }
    // With a wave file named on the command line: the real player sounds it twice, as two reminders do.
    if (argc > 1) {
        ReminderPlayer player;
        player.play(QString::fromLocal8Bit(argv[1]));
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 300)
            app.processEvents();
        player.play(QString::fromLocal8Bit(argv[1]));
        t.restart();
        while (t.elapsed() < 1500)
            app.processEvents();
        std::printf("played %s twice\n", argv[1]);
    }
    // A long word in a reminder, and the list of reminders caught up after a suspend; with
    // KORVANE_SHOT_LANG naming a language file (cp1251), in that language.
    QString suffix;
    if (const QString lang = qEnvironmentVariable("KORVANE_SHOT_LANG"); !lang.isEmpty()) {
        const QString name = QFileInfo(lang).fileName();
        QFile::copy(lang, folder.path() + name);
        SetCurrentLangFile(OpenLangFile(name));
        suffix = u'-' + QFileInfo(lang).baseName();
    }
    Reminder longWord;
    longWord.task = QStringLiteral("Проверить ссылку");
    longWord.date = QLocale::system().toString(today, QLocale::ShortFormat);
    longWord.time = QStringLiteral("9:15");
    longWord.description = QStringLiteral("Смотри https://example.org/очень-длинный-адрес-без-пробелов/");
    scheduler.raiseReminder(longWord);
    app.processEvents();
    scheduler.reminderWindows().last()->grab().save(out + QStringLiteral("scheduler-long-word%1.png").arg(suffix));
    // Caught up from three days back: every task of the list whose minute has passed.
    tasks.append();
    tasks.setValue(QStringLiteral("Contact"), QStringLiteral("Подготовить договор поставки"));
    tasks.setValue(QStringLiteral("ContactDate"), today.addDays(-1));
    tasks.setValue(QStringLiteral("ContactHour"), 20);
    tasks.setValue(QStringLiteral("ContactMin"), 0);
    tasks.setValue(QStringLiteral("ContactDesc"),
                   QStringLiteral("Согласовать с юристом пункты о неустойке и сроках; черновик лежит по адресу "
                                  "https://example.org/документы/договор-поставки-2026-черновик-3.docx"));
    tasks.post();
    {
        ReminderEngine late(tasks);
        late.TimerScheduler->stop();
        QDateTime now(today.addDays(-3), QTime(18, 0));
        late.setClock([&now] { return now; });
        late.onReminder = [&scheduler](const Reminder& r) { scheduler.raiseReminder(r); };
        late.onLateReminders = [&scheduler](const std::vector<Reminder>& l) { scheduler.raiseLateReminders(l); };
        now = QDateTime(today.addDays(1), QTime(11, 5, 3));
        late.TimerSchedulerTimer();
    }
    app.processEvents();
    if (TFormLateReminders* lateList = scheduler.lateRemindersWindow())
        lateList->grab().save(out + QStringLiteral("scheduler-late-reminders%1.png").arg(suffix));

    TFormMessage shared;
    shared.show();
    app.processEvents();
    shared.grab().save(out + QStringLiteral("scheduler-message-shared.png"));
    return 0;
}
