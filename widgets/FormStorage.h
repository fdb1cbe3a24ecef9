#pragma once

#include <QList>
#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <functional>

class QWidget;
class IniFile;
struct QMetaObject;

// Keeps a window's placement in the placement file, in the section named after the window's class:
// restored each time the window is shown (before its own show handler) and brought onto the
// available screen area; saved whenever the window closes, whichever way (close box, close(), a
// dialog's OK, Cancel or Esc), and again at destruction if it has not been saved since it was last
// shown.
class FormStorage : public QObject {
    Q_OBJECT
public:
    FormStorage(QWidget* window, QString section, bool isMainWindow);
    ~FormStorage() override;

    const QString& section() const { return section_; }
    // Extra values of the window's own, read and written in the same section.
    std::function<void(const IniFile&)> restoreProperties;
    std::function<void(IniFile&)> saveProperties;

    void restore();
    void save(bool destroying = false);
    // For the window's destructor: saves when shown and not saved since.
    void saveIfShown();
    bool shownSinceSave() const { return shownSinceSave_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void write(bool destroying, bool withProperties);
    // Follows the window's rectangle: the normal ones seen, and a refit once the frame is known.
    void geometryChanged();
    // The rectangle of the window in its normal state, also while it is maximised.
    QRect normalGeometry() const;

    QPointer<QWidget> window_;
    const QMetaObject* windowClass_; // differs once the window's own destructor has run
    QString section_;
    bool isMain_;
    bool shownSinceSave_ = false;
    QList<QRect> seenNormal_; // the last normal rectangles, newest last
    QRect shownNormal_;       // the normal rectangle the last show gave the window
    QMargins restoredFrame_;  // the frame the window was fitted with at the last show
    bool refitWhenFramed_ = false;
};
