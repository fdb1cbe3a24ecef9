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

// The frame the window manager puts around the window. Until a window is first framed its frame is
// not known (reported as none): the frame of a window already framed stands in for it, so that a
// window as large as the screen does not open with its title bar or its buttons beyond the edge.
QMargins frameOf(const QWidget* w) {
    const QWindow* handle = w->windowHandle();
    const QMargins own = handle ? handle->frameMargins() : QMargins();
    if (!own.isNull() || w->windowFlags().testFlag(Qt::FramelessWindowHint))
        return own;
    for (const QWindow* other : QGuiApplication::topLevelWindows()) {
        if (other == handle || !other->isVisible() || other->flags().testFlag(Qt::FramelessWindowHint))
            continue;
        if (const QMargins frame = other->frameMargins(); !frame.isNull())
            return frame;
    }
    return own;
}

// The areas a window may take, the primary screen's first, less the window's frame.
QList<QRect> availableAreas(const QMargins& frame) {
    QList<QRect> areas;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        areas << primary->availableGeometry();
    for (const QScreen* s : QGuiApplication::screens())
        if (s != primary)
            areas << s->availableGeometry();
    for (QRect& a : areas)
        a = a.marginsRemoved(frame);
    return areas;
}

bool isNormalState(Qt::WindowStates s) {
    return !(s & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
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
    if (watched == window_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        geometryChanged();
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
    // A window out of reach is of no use: it is moved into view and shrunk to fit, frame included.
    restoredFrame_ = frameOf(window_);
    const QRect fitted = placement::fitOnScreen(wanted, availableAreas(restoredFrame_),
                                                sizeable ? window_->minimumSize() : window_->size());
    if (r.normal || fitted != window_->geometry()) {
        // The client area's rectangle; move() would place the frame's corner instead.
        window_->setGeometry(sizeable ? fitted : QRect(fitted.topLeft(), window_->size()));
    }
    shownNormal_ = window_->geometry();
    seenNormal_.clear();
    refitWhenFramed_ = true;
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
    s.normal = normalGeometry();
    s.visible = destroying;
    placement::write(file, section_, s);
    if (withProperties && saveProperties)
        saveProperties(file);
    file.save();
    shownSinceSave_ = false;
}

void FormStorage::geometryChanged() {
    if (!window_ || !window_->isVisible())
        return;
    const Qt::WindowStates state = window_->windowState();
    if (isNormalState(state)) {
        // The normal rectangles seen lately; the window manager's maximising resizes the window
        // before it reports the new state, so the last one may already be the maximised one.
        seenNormal_.append(window_->geometry());
        while (seenNormal_.size() > 4)
            seenNormal_.removeFirst();
    }
    // Once the window is framed, its real frame may be larger than the one it was fitted with.
    const QWindow* handle = window_->windowHandle();
    const QMargins frame = handle ? handle->frameMargins() : QMargins();
    if (!refitWhenFramed_ || frame.isNull())
        return;
    refitWhenFramed_ = false;
    if (frame == restoredFrame_ || !isNormalState(state))
        return;
    const bool sizeable = window_->minimumSize() != window_->maximumSize();
    const QRect fitted = placement::fitOnScreen(window_->geometry(), availableAreas(frame),
                                                sizeable ? window_->minimumSize() : window_->size());
    if (fitted != window_->geometry())
        window_->setGeometry(sizeable ? fitted : QRect(fitted.topLeft(), window_->size()));
}

QRect FormStorage::normalGeometry() const {
    const QRect now = window_->geometry();
    const Qt::WindowStates state = window_->windowState();
    if (isNormalState(state))
        return now;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        // Qt keeps the normal rectangle only when the program itself maximised the window; when the
        // window manager did, the last rectangle of another size seen in the normal state is it.
        for (auto it = seenNormal_.crbegin(); it != seenNormal_.crend(); ++it)
            if (it->size() != now.size())
                return *it;
    }
    const QRect kept = window_->normalGeometry();
    if (kept.isValid() && kept != now)
        return kept;
    // Never the maximised rectangle as the normal one: the one the window was shown with serves.
    if (!isNormalState(state) && shownNormal_.isValid())
        return shownNormal_;
    return kept.isValid() ? kept : now;
}
