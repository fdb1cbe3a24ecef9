#pragma once

#include <QObject>
#include <QString>

class QAudioOutput;
class QMediaPlayer;

// The hidden sound player of the scheduler window: plays one wave file without waiting for its end.
// Playing again closes the sound that plays and starts from the beginning, so two reminders of one
// minute sound once. A missing file or sound device is passed over without a word.
class ReminderPlayer : public QObject {
    Q_OBJECT
public:
    explicit ReminderPlayer(QObject* parent = nullptr);
    ~ReminderPlayer() override;

    void play(const QString& file);
    // The file last asked for; empty before the first sound.
    const QString& fileName() const { return fileName_; }

private:
    QMediaPlayer* player_ = nullptr; // made at the first sound, so a run without reminders loads no media
    QAudioOutput* output_ = nullptr;
    QString fileName_;
};
