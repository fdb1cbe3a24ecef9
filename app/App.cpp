#include "App.h"

#include "About.h"
#include "CommandLine.h"
#include "DBGridEh.h"
#include "DMUnit.h"
#include "Edit.h"
#include "ExchangeMenu.h"
#include "FbClient.h"
#include "FileHandoff.h"
#include "FirstStart.h"
#include "FormMain.h"
#include "FormMessage.h"
#include "FormOptions.h"
#include "FormScheduler.h"
#include "FormSchedulerEdit.h"
#include "FormSearch.h"
#include "FormStorage.h"
#include "FormTools.h"
#include "IniLang.h"
#include "LanguageChoice.h"
#include "LoginDialog.h"
#include "MainActions.h"
#include "MainWindowOutput.h"
#include "MessageBoxes.h"
#include "PreviewForm.h"
#include "ProgramFolder.h"
#include "RefBook.h"
#include "Ring.h"
#include "SchedulerOutput.h"
#include "Splash.h"
#include "TerminationSignals.h"
#include "ToolsRun.h"
#include "servis.h"
#include "setphone.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QProcess>
#include <QTimer>
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
        // Without the client library nothing can work: start-up stops with its message alone.
        fb::api();
    } catch (const DbError& e) {
        msgbox::showError(e.message());
        throw;
    }
    // An installed program makes the user's settings and database at its first start.
    if (const QString failed = firststart::prepareUserFiles(language::valueForUserLocale()); !failed.isEmpty())
        msgbox::showError(failed);
    dm_ = std::make_unique<TDM>(programfolder::userSettingsPath(), ui);
    // Copies that a restore cut short left beside the database file (the server's wait for a run).
    if (dm_->settings().serverPrefix.isEmpty())
        ToolsRun(*dm_).removeLeftovers();
    main_ = create<TFormMain>(splash, 20, *dm_);
    TFormMain* mainWindow = main_;
    // The editor's picker exists before the editor, which keeps a reference to it.
    auto* refBookUse = create<TFormRefBookUse>(nullptr, 0, mainWindow);
    auto* formEdit = create<TFormEdit>(splash, 20, *dm_, *refBookUse, mainWindow);
    new FormStorage(formEdit, QStringLiteral("TFormEdit"), false);
    auto* formSearch = create<TFormSearch>(splash, 20, *dm_->TabMain, mainWindow);
    new FormStorage(formSearch, QStringLiteral("TFormSearch"), false);
    auto* formOptions =
        create<TFormOptions>(splash, 20, programfolder::userSettingsPath() + QStringLiteral("Phones.ini"), mainWindow);
    auto* formScheduler = create<TFormScheduler>(splash, 20, *dm_, mainWindow);
    new FormStorage(formScheduler, QStringLiteral("TFormScheduler"), false);
    auto* formAbout = create<TFormAbout>(splash, 20, mainWindow);
    auto* formMessage = create<TFormMessage>(splash, 10, mainWindow);
    auto* selectPhone = create<TFormSelectPhone>(splash, 10, *dm_, mainWindow);
    auto* formSchedulerEdit = create<TFormSchedulerEdit>(splash, 10, *dm_, mainWindow);
    if (splash)
        splash->advance(10); // sticky notes come with their window
    if (splash)
        splash->advance(10); // the reference-book picker was made before the editor, which keeps it
    auto* refBook = create<TFormReferenceBook>(splash, 10, mainWindow);
    auto* formTools = create<TFormTools>(splash, 10, *dm_, mainWindow);
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
    // Export and printing; the preview window is one for every print command.
    auto* preview = create<TPreviewForm>(nullptr, 0);
    auto* output = new MainWindowOutput(*mainWindow->PageControl1, *preview, mainWindow);
    on("acToExcel", [output] { output->acToExcelExecute(); });
    on("acToHTML", [output] { output->acToHTMLExecute(); });
    on("acPrint", [output] { output->acPrintExecute(); });
    auto* schedulerOutput = new SchedulerOutput(*formScheduler->DBGridEh1, *preview, formScheduler);
    QObject::connect(formScheduler->acToExcel, &QAction::triggered, schedulerOutput,
                     &SchedulerOutput::acToExcelExecute);
    QObject::connect(formScheduler->acPrint, &QAction::triggered, schedulerOutput, &SchedulerOutput::acPrintExecute);
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

    // Connection options, backup and restore, the about window: each opens modally.
    on("acOptionsShow", [formOptions] { formOptions->exec(); });
    on("acAbout", [formAbout] { formAbout->exec(); });
    on("acTools", [formTools] { formTools->exec(); });
}

void KorvaneApp::openImport(const QString& file) {
    // A window the user is working in comes first: the file waits until it closes.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(500, main_, [this, file] { openImport(file); });
        return;
    }
    main_->showNormal();
    main_->raise();
    main_->activateWindow();
    if (auto* exchange = main_->findChild<ExchangeCommands*>())
        exchange->importFile(file);
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

namespace {

// Modal windows go first, as their close box closes them (a pending change stays pending); then the
// main window closes through its normal close, which saves, commits and writes the layouts.
void closeModalWindows() {
    for (int i = 0; i < 50; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            break;
        modal->close();
        if (modal->isVisible()) {
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->hide();
        }
    }
}

void closeOnSignal(TFormMain& main) {
    main.unattendedClose = true;
    closeModalWindows();
    // The nested loops of the modal windows end first; the main window closes from the outer one.
    QTimer::singleShot(0, &main, [&main] {
        if (QApplication::activeModalWidget()) {
            closeOnSignal(main);
            return;
        }
        if (main.close() || !main.isVisible())
            QCoreApplication::exit(0);
    });
}

} // namespace

namespace {

bool haveDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// A file that is no contact file is refused before anything starts: on the terminal, and in a box
// for the user who opened it from the file manager, in the interface language of Phones.ini.
int refuseFile(int argc, char** argv, const QString& file, ContactFileCheck check) {
    const bool unreadable = check == ContactFileCheck::Unreadable;
    std::fprintf(stderr, "korvane: %s: %s\n", qPrintable(file),
                 unreadable ? "cannot be read" : "not a vCard or CSV file");
    if (haveDisplay()) {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Korvane Personal"));
        if (const auto choice = language::fromStoredValue(language::readStoredValue())) {
            try {
                SetCurrentLangFile(OpenLangFile(language::fileName(*choice)));
            } catch (const std::exception&) {
                // Without its language file the box speaks Russian, the program's own language.
            }
        }
        const QString key = unreadable ? QStringLiteral("M291") : QStringLiteral("M290");
        QString text = LangMessage(key, key);
        if (text.isEmpty() || text == key)
            text = unreadable ? QStringLiteral("Не удалось прочитать файл %1")
                              : QStringLiteral("%1: не файл vCard и не файл CSV");
        msgbox::showWarning(text.arg(file));
    }
    return 2;
}

} // namespace

int runKorvane(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine commandLine = parseCommandLine(arguments);
    switch (commandLine.action) {
    case CommandLine::Action::Help:
        std::fputs(qPrintable(usageText()), stdout);
        return 0;
    case CommandLine::Action::Version:
        std::printf("korvane %s\n", KORVANE_VERSION);
        return 0;
    case CommandLine::Action::Usage:
        std::fprintf(stderr, "korvane: %s\n%s", qPrintable(commandLine.error), qPrintable(usageText()));
        return 2;
    case CommandLine::Action::Run:
        break;
    }
    const QString& importFile = commandLine.file;
    if (!importFile.isEmpty())
        if (const ContactFileCheck check = checkContactFile(importFile); check != ContactFileCheck::Ok)
            return refuseFile(argc, argv, importFile, check);
    if (!haveDisplay()) {
        std::fprintf(stderr, "Korvane needs a display: set DISPLAY, or start it under xvfb-run -a.\n");
        return 1;
    }
    QApplication app(argc, argv);
    // The title of the message boxes; no display name, which Qt would append to every caption.
    QApplication::setApplicationName(QStringLiteral("Korvane Personal"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/korvane.svg")));
    // A file opened while the program runs goes to the running copy.
    if (!importFile.isEmpty() && FileHandoff::handToRunningCopy(programfolder::userSettingsPath(), importFile))
        return 0;
    mainactions::useIconTheme();

    auto splash = std::make_unique<TFormSplash>();
    splash->show();
    splash->repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    // kill, Ctrl+C and the end of the session close the program as its close box does. The client
    // library installs handlers of its own at its first attach: ours are installed again after
    // every attach, so that they are the ones in force.
    TerminationSignals termination;
    termination.install();
    fb::setAttachObserver([&termination] { termination.install(); });
    std::unique_ptr<KorvaneApp> korvane;
    bool endedWhileStarting = false;
    QTimer startupCloser; // a signal during start-up closes the boxes the start-up may show
    startupCloser.setInterval(100);
    QObject::connect(&startupCloser, &QTimer::timeout, [] { closeModalWindows(); });
    QObject::connect(&termination, &TerminationSignals::received, [&] {
        if (korvane) {
            closeOnSignal(korvane->main());
        } else {
            endedWhileStarting = true;
            closeModalWindows();
            startupCloser.start();
        }
    });
    try {
        korvane = std::make_unique<KorvaneApp>(splash.get());
    } catch (const DbError&) {
        fb::setAttachObserver(nullptr);
        return 1;
    }
    startupCloser.stop();
    splash.reset();
    if (endedWhileStarting) {
        // Nothing was shown or changed yet: the program ends as it came.
        fb::setAttachObserver(nullptr);
        korvane.reset();
        return 0;
    }
    korvane->main().show();
    FileHandoff handoff(programfolder::userSettingsPath());
    handoff.onFile = [&korvane](const QString& file) { korvane->openImport(file); };
    handoff.listen();
    if (!importFile.isEmpty())
        QTimer::singleShot(0, &korvane->main(), [&korvane, importFile] { korvane->openImport(importFile); });
    const int rc = QApplication::exec();
    fb::setAttachObserver(nullptr);
    korvane.reset();
    return rc;
}
