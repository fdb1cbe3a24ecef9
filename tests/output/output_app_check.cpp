// The whole program's windows over a fresh database: the main window's print command opens the
// preview of the current tab's grid, and its export commands write their files. Writes pictures to
// /tmp/korvane-shots/output-app-*.png. Not a test: run under xvfb-run -a.

#include "App.h"
#include "FormMain.h"
#include "MessageBoxes.h"
#include "PreviewForm.h"
#include "SaveFileDialog.h"
#include "TestDatabase.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Korvane Personal"_s);
    QDir().mkpath(u"/tmp/korvane-shots"_s);
    testdb::Folder folder;
    QStringList boxes;
    msgbox::setResponder([&boxes](const msgbox::Shown& s) {
        boxes << s.text;
        return QMessageBox::Ok;
    });
    QString next;
    savefile::setAsker([&next](const savefile::Request& r) {
        std::printf("dialog %s %s %s start=%s\n", qPrintable(r.objectName), qPrintable(r.filter),
                    qPrintable(r.defaultSuffix), qPrintable(r.startFolder));
        return next;
    });
    KorvaneApp korvane;
    TFormMain& main = korvane.main();
    main.resize(1100, 700);
    main.show();
    QApplication::processEvents();
    next = folder.path() + u"app.xls"_s;
    main.action(u"acToExcel"_s)->trigger();
    next = folder.path() + u"app.html"_s;
    main.action(u"acToHTML"_s)->trigger();
    std::printf("boxes: %s\n", qPrintable(boxes.join(u" | "_s)));
    std::printf("xls %lld bytes, html %lld bytes\n", QFileInfo(folder.path() + u"app.xls"_s).size(),
                QFileInfo(folder.path() + u"app.html"_s).size());
    main.action(u"acPrint"_s)->trigger();
    QApplication::processEvents();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* preview = qobject_cast<TPreviewForm*>(w)) {
            std::printf("preview visible=%d maximized=%d title=%s status=%s\n", preview->isVisible(),
                        preview->isMaximized(), qPrintable(preview->windowTitle()),
                        qPrintable(preview->StatusBar1->text()));
            preview->grab().save(u"/tmp/korvane-shots/output-app-preview.png"_s);
            preview->close();
        }
    }
    main.grab().save(u"/tmp/korvane-shots/output-app-main.png"_s);
    main.close();
    return 0;
}
