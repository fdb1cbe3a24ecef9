#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

// SIGTERM, SIGINT and SIGHUP (kill, Ctrl+C in the terminal, the end of the desktop session) turned
// into a Qt signal on the event loop, through a pipe the handler writes one byte into. The Firebird
// client library installs handlers of its own when it is loaded; install() must run after that so
// that these are the ones in force. One instance per process.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // Installs the handlers (again, if something replaced them); false when the pipe failed.
    bool install();
    // The signals whose handler is ours right now.
    static bool handlerInstalled(int signalNumber);

Q_SIGNALS:
    // Emitted on the event loop, once per signal received.
    void received(int signalNumber);

private:
    void readPipe();
    std::unique_ptr<QSocketNotifier> notifier_;
};
