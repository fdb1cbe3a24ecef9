#pragma once

// Recording stand-ins for the desktop opener and the telephony service: installed for the
// lifetime of the object, they keep every request instead of starting programs.

#include "Shell.h"
#include "Telephony.h"

#include <QList>
#include <QString>
#include <QStringList>

class RecordingShell : public Shell {
public:
    RecordingShell() : previous_(Shell::setCurrent(this)) {}
    ~RecordingShell() override { Shell::setCurrent(previous_); }
    RecordingShell(const RecordingShell&) = delete;
    RecordingShell& operator=(const RecordingShell&) = delete;

    void ShellExecute(const QString& text) override { executed << text; }
    void StartProgram(const QString& program) override {
        executed << program;
        programs << program;
    }

    QStringList executed; // every request, in order
    QStringList programs; // the programs among them

private:
    Shell* previous_;
};

struct CallRequest {
    QString destAddress, appName, calledParty, comment;
    bool operator==(const CallRequest&) const = default;
};

class RecordingTelephony : public Telephony {
public:
    RecordingTelephony() : previous_(Telephony::setCurrent(this)) {}
    ~RecordingTelephony() override { Telephony::setCurrent(previous_); }
    RecordingTelephony(const RecordingTelephony&) = delete;
    RecordingTelephony& operator=(const RecordingTelephony&) = delete;

    void tapiRequestMakeCall(const QString& destAddress, const QString& appName, const QString& calledParty,
                             const QString& comment) override {
        calls.append({destAddress, appName, calledParty, comment});
    }

    // The destination addresses in the order they were requested.
    QStringList numbers() const {
        QStringList out;
        for (const CallRequest& c : calls)
            out << c.destAddress;
        return out;
    }

    QList<CallRequest> calls;

private:
    Telephony* previous_;
};
