// Pictures of the exchange menu in the main window and of the main window after an import, for
// looking at: writes /tmp/exchange-shots/exchange-*.png. Run under xvfb-run -a.
#include "App.h"
#include "ExchangeMenu.h"
#include "FormImportPreview.h"
#include "FormMain.h"
#include "MessageBoxes.h"
#include "TestDatabase.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

namespace {
void pause(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane Personal"));
    const QString out = QDir::tempPath() + QStringLiteral("/exchange-shots/");
    QDir().mkpath(out);
    testdb::Folder folder;
    msgbox::setResponder([](const msgbox::Shown& s) {
        std::printf("box: %s\n", qPrintable(s.text));
        return QMessageBox::Ok;
    });
    KorvaneApp korvane;
    TFormMain& main = korvane.main();
    main.resize(1100, 600);
    main.show();
    pause(400);

    auto* commands = main.findChild<ExchangeCommands*>();
    QMenu* menu = commands->menu();
    const QRect item = main.menuBar()->actionGeometry(menu->menuAction());
    menu->popup(main.menuBar()->mapToGlobal(item.bottomLeft()));
    pause(300);
    QGuiApplication::primaryScreen()->grabWindow(0).save(out + QStringLiteral("exchange-menu.png"));
    menu->hide();

    const QString file = folder.path() + QStringLiteral("phone.vcf");
    QFile f(file);
    f.open(QIODevice::WriteOnly);
    f.write("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Петров;Пётр;Ильич;;\r\nORG:ООО Вектор;Снабжение\r\n"
            "item1.TEL:+7 916 111-22-33\r\nitem1.X-ABLabel:_$!<Mobile>!$_\r\nEMAIL;TYPE=WORK:petrov@vector.ru\r\n"
            "CATEGORIES:Работа/Клиенты\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D0=A1=D0=B8=D0=B4=D0=BE=D1=80=D0="
            "BE=D0=B2;"
            "=D0=98=D0=B2=D0=B0=D0=BD\r\nTEL;CELL:+79161234567\r\nEND:VCARD\r\n"
            "BEGIN:VCARD\r\nVERSION:4.0\r\nKIND:individual\r\nFN:Анна Смирнова\r\nN:Смирнова;Анна;;;\r\n"
            "BDAY:19850412\r\nCATEGORIES:Друзья/Школа\r\nEND:VCARD\r\n");
    f.close();
    commands->preview = [&](exchange::ImportPlan& plan, const QString& name) {
        TFormImportPreview form(plan, name, {}, &main);
        form.show();
        pause(200);
        form.grab().save(out + QStringLiteral("exchange-preview-in-app.png"));
        return true;
    };
    commands->importFile(file);
    pause(600);
    main.grab().save(out + QStringLiteral("exchange-after-import.png"));

    // A Google Contacts file: the preview names the layout and the columns left behind.
    const QString google = folder.path() + QStringLiteral("contacts.csv");
    QFile g(google);
    g.open(QIODevice::WriteOnly);
    g.write("First Name,Last Name,Labels,E-mail 1 - Label,E-mail 1 - Value,Phone 1 - Label,Phone 1 - Value,"
            "Relation 1 - Label,Relation 1 - Value\n"
            "Олег,Новиков,* myContacts ::: Поставщики,* Work,oleg@ural.ru,Mobile,+7 912 000-11-22 ::: 8 343 111-22-33,"
            "Spouse,Ольга\n"
            "Пётр,Петров,* myContacts,Home,petr@mail.ru,Mobile,8 (916) 111-22-33,,\n");
    g.close();
    commands->preview = [&](exchange::ImportPlan& plan, const QString& name) {
        TFormImportPreview form(plan, name, {}, &main);
        form.show();
        pause(200);
        form.grab().save(out + QStringLiteral("exchange-preview-google-csv.png"));
        form.PageControlImport->setCurrentIndex(1);
        pause(100);
        form.grab().save(out + QStringLiteral("exchange-preview-google-csv-duplicates.png"));
        return false;
    };
    commands->importFile(google);
    return 0;
}
