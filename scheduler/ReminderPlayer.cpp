#include "ReminderPlayer.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

ReminderPlayer::ReminderPlayer(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("MediaPlayer1"));
}

ReminderPlayer::~ReminderPlayer() = default;

void ReminderPlayer::play(const QString& file) {
    fileName_ = file;
    if (player_) {
        player_->stop();
        player_->setSource(QUrl());
    }
    if (!QFileInfo(file).isFile())
        return;
    if (!player_) {
        player_ = new QMediaPlayer(this);
        output_ = new QAudioOutput(this);
        player_->setAudioOutput(output_);
        // Failures (no device, unreadable file) stay silent.
        connect(player_, &QMediaPlayer::errorOccurred, this, [] {});
    }
    player_->setSource(QUrl::fromLocalFile(file));
    player_->play();
}
