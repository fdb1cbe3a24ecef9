#include "FormStorage.h"

#include "IniFile.h"
#include "ProgramFolder.h"
#include "WindowPlacement.h"

#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace {
int screenPixelsPerInch(const QWidget* w) {
    const QScreen* s = w->screen();
    return s ? qRound(s->logicalDotsPerInch()) : 96;
}
} // namespace

FormStorage::FormStorage(QWidget* window, QString section, bool isMainWindow)
    : QObject(window), window_(window), section_(std::move(section)), isMain_(isMainWindow) {
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
        } else if (event->type() == QEvent::Close && event->isAccepted()) {
            save();
        }
    }
    return QObject::eventFilter(watched, event);
}

void FormStorage::restore() {
    if (!window_)
        return;
    const IniFile file(programfolder::placementFilePath());
    const placement::Restored r = placement::read(file, section_, screenPixelsPerInch(window_), isMain_);
    if (r.normal) {
        const bool sizeable = window_->minimumSize() != window_->maximumSize();
        if (sizeable)
            window_->setGeometry(*r.normal);
        else
            window_->move(r.normal->topLeft());
    }
    Qt::WindowStates state = window_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    switch (r.state) {
    case placement::ShowState::Maximized:
        state |= Qt::WindowMaximized;
        break;
    case placement::ShowState::Minimized:
        // The main window opens normal and is then minimised.
        if (isMain_)
            QTimer::singleShot(0, window_.data(), [w = window_] {
                if (w)
                    w->setWindowState(w->windowState() | Qt::WindowMinimized);
            });
        break;
    case placement::ShowState::Normal:
        break;
    }
    window_->setWindowState(state);
    if (restoreProperties)
        restoreProperties(file);
}

void FormStorage::save(bool destroying) {
    if (!window_)
        return;
    IniFile file(programfolder::placementFilePath());
    placement::Saved s;
    const Qt::WindowStates st = window_->windowState();
    s.showCmd = placement::showCmdFor(st & Qt::WindowMinimized   ? placement::ShowState::Minimized
                                      : st & Qt::WindowMaximized ? placement::ShowState::Maximized
                                                                 : placement::ShowState::Normal);
    s.pixelsPerInch = screenPixelsPerInch(window_);
    s.normal = window_->normalGeometry().isValid() ? window_->normalGeometry() : window_->geometry();
    s.visible = destroying;
    placement::write(file, section_, s);
    if (saveProperties)
        saveProperties(file);
    file.save();
    shownSinceSave_ = false;
}
