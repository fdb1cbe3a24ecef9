#include "SyncStatusLabel.h"

#include <QFontMetrics>

namespace syncui {

SyncStatusLabel::SyncStatusLabel(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("LabelSyncStatus"));
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void SyncStatusLabel::setLine(const QString& line) {
    line_ = line;
    setToolTip(line);
    elide();
    show();
}

QSize SyncStatusLabel::minimumSizeHint() const {
    return {0, QLabel::minimumSizeHint().height()};
}

void SyncStatusLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void SyncStatusLabel::elide() {
    setText(fontMetrics().elidedText(line_, Qt::ElideRight, std::max(0, contentsRect().width())));
}

} // namespace syncui
