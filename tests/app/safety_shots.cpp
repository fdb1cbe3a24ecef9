// Pictures of the boxes that guard the data, for looking at: writes /tmp/korvane-shots/safety-*.png.
// Run offscreen: QT_QPA_PLATFORM=offscreen safety_shots
#include "App.h"
#include "DMUnit.h"
#include "FormMain.h"
#include "FormSearch.h"
#include "TestDatabase.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

// Grabs the box that opens next, then answers it with its first button.
void grabNextBox(const QString& file) {
    QTimer::singleShot(400, [file] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            box->grab().save(file);
            box->close();
            if (box->isVisible())
                box->hide();
        }
    });
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDir().mkpath(QStringLiteral("/tmp/korvane-shots"));
    testdb::Folder folder;
    {
        KorvaneApp korvane;
        korvane.main().show();
        auto* search = korvane.main().findChild<TFormSearch*>();
        TFormSearch standalone(*korvane.dm().TabMain);
        TFormSearch* form = search ? search : &standalone;
        form->show();
        form->EditSchStr->setText(QStringLiteral("Иван中"));
        grabNextBox(QStringLiteral("/tmp/korvane-shots/safety-search-refused.png"));
        form->BitBtn3->click();
        form->grab().save(QStringLiteral("/tmp/korvane-shots/safety-search-after.png"));
        form->hide();

        Dataset& contacts = *korvane.dm().TabMain;
        contacts.append();
        contacts.setValue(QStringLiteral("FAM"), QString::fromUtf8("Кот \xF0\x9F\x90\x88"));
        grabNextBox(QStringLiteral("/tmp/korvane-shots/safety-close-asks.png"));
        korvane.main().close(); // the box is answered with No by closing it: back to the program
        contacts.cancel();
        korvane.main().close();
    }
    return 0;
}
