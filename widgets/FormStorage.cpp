#include "FormStorage.h"

#include "IniFile.h"
#include "ProgramFolder.h"
#include "WindowPlacement.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

int screenPixelsPerInch(const QWidget* w) {
    const QScreen* s = w->screen();
    return s ? qRound(s->logicalDotsPerInch()) : 96;
}

// The areas a window may take, the primary screen's first, less the frame the window manager adds.
QList<QRect> availableAreas(const QWidget* w) {
    QList<QRect> areas;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        areas << primary->availableGeometry();
    for (const QScreen* s : QGuiApplication::screens())
        if (s != primary)
            areas << s->availableGeometry();
    const QWindow* handle = w->windowHandle();
    const QMargins frame = handle ? handle->frameMargins() : QMargins();
    for (QRect& a : areas)
        a = a.marginsRemoved(frame);
    return areas;
}

} // namespace

FormStorage::FormStorage(QWidget* window, QString section, bool isMainWindow)
    : QObject(window), window_(window), windowClass_(window->metaObject()), section_(std::move(section)),
      isMain_(isMainWindow) {
    window->installEventFilter(this);
}

FormStorage::~FormStorage() = default;

void FormStorage::saveIfShown() {
    if (shownSinceSave_)
        save(true);
}

bool FormStorage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && !event->spontaneous()) {
        if (event->type() == QEvent::Show) {
            // Placement comes before the window's own show handler.
            restore();
            shownSinceSave_ = true;
        } else if (event->type() == QEvent::Hide && shownSinceSave_) {
            // Every close ends in a hide: the close box, close(), and QDialog::done, which sends no
            // close event. A hide inside the window's destructor finds the window's own part gone,
            // so its own values cannot be asked for any more.
            const bool destroying = window_->metaObject() != windowClass_;
            write(destroying, !destroying);
        }
    }
    return QObject::eventFilter(watched, event);
}

void FormStorage::restore() {
    if (!window_)
        return;
    const IniFile file(programfolder::placementFilePath());
    const placement::Restored r = placement::read(file, section_, screenPixelsPerInch(window_), isMain_);
    const bool sizeable = window_->minimumSize() != window_->maximumSize();
    QRect wanted = window_->geometry();
    if (r.normal)
        wanted = sizeable ? *r.normal : QRect(r.normal->topLeft(), window_->size());
    // A window out of reach is of no use: it is moved into view and shrunk to fit.
    const QRect fitted =
        placement::fitOnScreen(wanted, availableAreas(window_), sizeable ? window_->minimumSize() : window_->size());
    if (r.normal || fitted != window_->geometry()) {
        // The client area's rectangle; move() would place the frame's corner instead.
        window_->setGeometry(sizeable ? fitted : QRect(fitted.topLeft(), window_->size()));
    }
    Qt::WindowStates state = window_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    switch (r.state) {
    case placement::ShowState::Maximized:
        state |= Qt::WindowMaximized;
        break;
    case placement::ShowState::Minimized:
        // The main window opens normal and is then minimised; the others open minimised.
        if (isMain_)
            QTimer::singleShot(0, window_.data(), [w = window_] {
                if (w)
                    w->setWindowState(w->windowState() | Qt::WindowMinimized);
            });
        else
            state |= Qt::WindowMinimized;
        break;
    case placement::ShowState::Normal:
        break;
    }
    window_->setWindowState(state);
    if (restoreProperties)
        restoreProperties(file);
}

void FormStorage::save(bool destroying) {
    write(destroying, true);
}

void FormStorage::write(bool destroying, bool withProperties) {
    if (!window_)
        return;
    const QString path = programfolder::placementFilePath();
    // The configuration folder may not exist yet on a fresh account.
    QDir().mkpath(QFileInfo(path).absolutePath());
    IniFile file(path);
    placement::Saved s;
    const Qt::WindowStates st = window_->windowState();
    s.showCmd = placement::showCmdFor(st & Qt::WindowMinimized   ? placement::ShowState::Minimized
                                      : st & Qt::WindowMaximized ? placement::ShowState::Maximized
                                                                 : placement::ShowState::Normal);
    s.pixelsPerInch = screenPixelsPerInch(window_);
    s.normal = window_->normalGeometry().isValid() ? window_->normalGeometry() : window_->geometry();
    s.visible = destroying;
    placement::write(file, section_, s);
    if (withProperties && saveProperties)
        saveProperties(file);
    file.save();
    shownSinceSave_ = false;
}
