#pragma once

// A connected data module on a fresh database with a way to add tasks, and a clock that tests move.

#include "MessageBoxes.h"
#include "TestDatabase.h"

#include <QDateTime>
#include <QList>

namespace schedtest {

struct Boxes {
    QList<msgbox::Shown> shown;
    QMessageBox::StandardButton answer = QMessageBox::Ok;

    Boxes() {
        msgbox::setResponder([this](const msgbox::Shown& s) {
            shown << s;
            return answer;
        });
    }
    ~Boxes() { msgbox::clearResponder(); }
    Boxes(const Boxes&) = delete;
    Boxes& operator=(const Boxes&) = delete;
};

struct Task {
    QString name;
    QVariant date, hour, minute, days, hours, minutes;
    QString desc;
};

struct Db {
    testdb::Folder folder;
    testdb::RecordedUi ui;
    std::unique_ptr<TDM> dm = folder.openDM(ui);

    Dataset& tasks() const { return *dm->TabScheduler; }

    // Saves a task and returns its key.
    int add(const Task& t) const {
        Dataset& d = tasks();
        d.append();
        d.setValue(QStringLiteral("Contact"), t.name);
        d.setValue(QStringLiteral("ContactDate"), t.date);
        d.setValue(QStringLiteral("ContactHour"), t.hour);
        d.setValue(QStringLiteral("ContactMin"), t.minute);
        d.setValue(QStringLiteral("NotyfiBehindDays"), t.days);
        d.setValue(QStringLiteral("NotyfiBehindHours"), t.hours);
        d.setValue(QStringLiteral("NotyfiBehindMin"), t.minutes);
        d.setValue(QStringLiteral("ContactDesc"), t.desc);
        d.post();
        return d.value(QStringLiteral("SH_NUM")).toInt();
    }
    // The task names as the database holds them.
    QStringList storedNames() const {
        Dataset& d = tasks();
        d.close();
        d.open();
        QStringList names;
        for (int r = 0; r < d.rowCount(); ++r)
            names << d.displayText(r, d.fieldByName(QStringLiteral("Contact")).index());
        return names;
    }
};

// A clock that stands still until a test moves it.
struct Clock {
    QDateTime now;
    std::function<QDateTime()> fn() {
        return [this] { return now; };
    }
};

} // namespace schedtest
