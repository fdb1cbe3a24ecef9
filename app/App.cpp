#include "App.h"

#include "DMUnit.h"
#include "Edit.h"
#include "FormMain.h"
#include "FormMessage.h"
#include "FormScheduler.h"
#include "FormSchedulerEdit.h"
#include "FormSearch.h"
#include "FormStorage.h"
#include "LoginDialog.h"
#include "MessageBoxes.h"
#include "ProgramFolder.h"
#include "RefBook.h"
#include "Ring.h"
#include "Splash.h"
#include "servis.h"
#include "setphone.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QToolButton>
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
    TFormMain* mainWindow = main_;
    // The editor's picker exists before the editor, which keeps a reference to it.
    auto* refBookUse = create<TFormRefBookUse>(nullptr, 0, mainWindow);
    auto* formEdit = create<TFormEdit>(splash, 20, *dm_, *refBookUse, mainWindow);
    new FormStorage(formEdit, QStringLiteral("TFormEdit"), false);
    auto* formSearch = create<TFormSearch>(splash, 20, *dm_->TabMain, mainWindow);
    new FormStorage(formSearch, QStringLiteral("TFormSearch"), false);
    if (splash)
        splash->advance(20); // options comes with its window
    auto* formScheduler = create<TFormScheduler>(splash, 20, *dm_, mainWindow);
    new FormStorage(formScheduler, QStringLiteral("TFormScheduler"), false);
    if (splash)
        splash->advance(20); // about comes with its window
    auto* formMessage = create<TFormMessage>(splash, 10, mainWindow);
    auto* selectPhone = create<TFormSelectPhone>(splash, 10, *dm_, mainWindow);
    auto* formSchedulerEdit = create<TFormSchedulerEdit>(splash, 10, *dm_, mainWindow);
    if (splash)
        splash->advance(10); // sticky notes come with their window
    auto* refBook = create<TFormReferenceBook>(splash, 20, mainWindow);
    setMessengerPath(dm_->settings().icqPath);

    TDM* dmp = dm_.get();
    auto on = [mainWindow](const char* name, auto fn) {
        QObject::connect(mainWindow->action(QString::fromLatin1(name)), &QAction::triggered, mainWindow, fn);
    };
    mainWindow->openEditor = [formEdit] { formEdit->execModal(); };
    on("acAdd", [dmp, formEdit] {
        try {
            if (!dmp->TabMain->isOpen())
                dmp->TabMain->open();
            dmp->TabMain->append();
        } catch (const DbError& e) {
            msgbox::showError(e.message());
            return;
        }
        formEdit->execModal();
    });
    on("acSearch", [formSearch] { formSearch->exec(); });
    on("acRing", [dmp, selectPhone] { acRingExecute(QApplication::focusWidget(), *dmp, *selectPhone); });
    auto refBookCommand = [dmp, refBook](int kind) {
        return [dmp, refBook, kind] {
            try {
                RefBookShow(kind, *dmp, *refBook);
            } catch (...) {
                msgbox::showLastOsError();
            }
        };
    };
    on("acScheduler", [formScheduler] { formScheduler->exec(); });
    on("acSchedulerAdd", [formSchedulerEdit] { formSchedulerEdit->acSchedulerAddExecute(); });
    on("acSchedulerEdit", [formSchedulerEdit] { formSchedulerEdit->acSchedulerEditExecute(); });
    on("acMessage", [formMessage] { formMessage->exec(); });
    formScheduler->openEditor = [formSchedulerEdit] { formSchedulerEdit->acSchedulerEditExecute(); };
    QObject::connect(formScheduler->ToolButton1, &QToolButton::clicked,
                     mainWindow->action(QStringLiteral("acSchedulerAdd")), &QAction::trigger);
    QObject::connect(formScheduler->ToolButton2, &QToolButton::clicked,
                     mainWindow->action(QStringLiteral("acSchedulerEdit")), &QAction::trigger);
    on("acJobPostShow", refBookCommand(2));
    on("acBusinessLineShow", refBookCommand(0));
    on("acRefBookOrgFormShow", refBookCommand(1));
}

KorvaneApp::~KorvaneApp() {
    // Windows that keep a placement save it before they go.
    for (auto& w : windows_)
        for (FormStorage* storage : w->findChildren<FormStorage*>(Qt::FindDirectChildrenOnly))
            storage->saveIfShown();
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
