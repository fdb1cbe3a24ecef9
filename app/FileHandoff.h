#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

// Files opened from the file manager while the program runs go to the running copy, which shows
// them for import, instead of starting a second copy. The first copy of a user's session listens
// on a local socket; a later `korvane FILE` hands the file over and ends.
class FileHandoff : public QObject {
    Q_OBJECT
public:
    explicit FileHandoff(QString settingsFolder, QObject* parent = nullptr);
    ~FileHandoff() override;

    // The socket's name, one per user and settings folder: a file goes to a copy that works on the
    // same settings (and so the same database).
    static QString serverName(const QString& settingsFolder);

    // Gives the file to a running copy; true when one took it.
    static bool handToRunningCopy(const QString& settingsFolder, const QString& file);

    // Listens for files unless another copy already does; received files go to onFile.
    void listen();
    bool listening() const;
    std::function<void(const QString& file)> onFile;

private:
    void accept();

    QString name_;
    QLocalServer* server_ = nullptr;
};
