#include "App.h"

#include "DMUnit.h"
#include "FormMain.h"
#include "LoginDialog.h"
#include "MessageBoxes.h"
#include "ProgramFolder.h"
#include "Splash.h"

#include <QApplication>
#include <QGuiApplication>
#include <QProcess>
#include <cstdio>

template <typename W, typename... Args> W* KorvaneApp::create(TFormSplash* splash, int step, Args&&... args) {
    if (splash)
        splash->advance(step);
    auto w = std::make_unique<W>(std::forward<Args>(args)...);
    W* raw = w.get();
    windows_.push_back(std::move(w));
    return raw;
}

KorvaneApp::KorvaneApp(TFormSplash* splash) {
    DMUserInterface ui;
    ui.login = &LoginDialog::ask;
    ui.message = [](const QString& m) { msgbox::showPlain(m); };
    ui.error = [](const QString& m) { msgbox::showError(m); };
    ui.startServer = [](const QString& program) { QProcess::startDetached(program, {QStringLiteral("-a")}); };
    try {
        dm_ = std::make_unique<TDM>(programfolder::path(), ui);
    } catch (const DbError& e) {
        // The client library is missing: the program still starts, with the tables closed.
        msgbox::showError(e.message());
        throw;
    }
    main_ = create<TFormMain>(splash, 20, *dm_);
}

KorvaneApp::~KorvaneApp() {
    while (!windows_.empty())
        windows_.pop_back();
    dm_.reset();
}

int runKorvane(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "Korvane needs a display: set DISPLAY, or start it under xvfb-run -a.\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane Personal"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Korvane Personal"));

    auto splash = std::make_unique<TFormSplash>();
    splash->show();
    splash->repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    std::unique_ptr<KorvaneApp> korvane;
    try {
        korvane = std::make_unique<KorvaneApp>(splash.get());
    } catch (const DbError&) {
        return 1;
    }
    splash.reset();
    korvane->main().show();
    const int rc = QApplication::exec();
    korvane.reset();
    return rc;
}
