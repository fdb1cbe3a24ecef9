#pragma once

#include <QLabel>

namespace syncui {

// The sync's line in the status bar: it takes the room the bar has left and shortens its text with
// "…" where the room ends, the whole text in its tooltip; it never widens the main window.
class SyncStatusLabel : public QLabel {
    Q_OBJECT
public:
    explicit SyncStatusLabel(QWidget* parent = nullptr);
    void setLine(const QString& line);
    QString line() const { return line_; }
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();
    QString line_;
};

} // namespace syncui
