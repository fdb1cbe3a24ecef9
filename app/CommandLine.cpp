#include "CommandLine.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Qt's own options that take a value, and those that do not; QApplication reads them.
const QStringList kQtOptionsWithValue = {QStringLiteral("-platform"),
                                         QStringLiteral("-platformpluginpath"),
                                         QStringLiteral("-platformtheme"),
                                         QStringLiteral("-plugin"),
                                         QStringLiteral("-display"),
                                         QStringLiteral("-style"),
                                         QStringLiteral("-stylesheet"),
                                         QStringLiteral("-geometry"),
                                         QStringLiteral("-qwindowgeometry"),
                                         QStringLiteral("-session"),
                                         QStringLiteral("-name"),
                                         QStringLiteral("-title"),
                                         QStringLiteral("-qwindowtitle"),
                                         QStringLiteral("-qwindowicon"),
                                         QStringLiteral("-font"),
                                         QStringLiteral("-fn"),
                                         QStringLiteral("-bg"),
                                         QStringLiteral("-fg")};
const QStringList kQtFlags = {QStringLiteral("-reverse"), QStringLiteral("-widgetcount"), QStringLiteral("-nograb"),
                              QStringLiteral("-dograb"), QStringLiteral("-sync")};

bool isQtOptionWithValue(const QString& a) {
    return kQtOptionsWithValue.contains(a) || (a.startsWith(u'-') && kQtOptionsWithValue.contains(a.mid(1)));
}

bool isQtFlag(const QString& a) {
    if (kQtFlags.contains(a) || (a.startsWith(QLatin1String("--")) && kQtFlags.contains(a.mid(1))))
        return true;
    // -style=fusion and the like.
    const qsizetype eq = a.indexOf(u'=');
    return eq > 0 && isQtOptionWithValue(a.left(eq));
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine cl;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (!optionsEnded && a.startsWith(u'-') && a != QLatin1String("-")) {
            if (a == QLatin1String("--")) {
                optionsEnded = true;
            } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
                cl.action = CommandLine::Action::Help;
                return cl;
            } else if (a == QLatin1String("--version")) {
                cl.action = CommandLine::Action::Version;
                return cl;
            } else if (isQtOptionWithValue(a)) {
                ++i;
            } else if (!isQtFlag(a)) {
                cl.action = CommandLine::Action::Usage;
                cl.error = QStringLiteral("unknown option %1").arg(a);
                return cl;
            }
            continue;
        }
        if (!cl.file.isEmpty()) {
            cl.action = CommandLine::Action::Usage;
            cl.error = QStringLiteral("one file at a time");
            return cl;
        }
        cl.file = QFileInfo(a).absoluteFilePath();
    }
    return cl;
}

QString usageText() {
    return QStringLiteral("Usage: korvane [OPTION] [FILE]\n"
                          "Korvane: a telephone and address book of organisations and persons.\n"
                          "\n"
                          "  FILE        a vCard (.vcf) or CSV file: its contacts are shown for import;\n"
                          "              a copy of Korvane already running is handed the file\n"
                          "  --help      print this text and exit\n"
                          "  --version   print the version and exit\n");
}

ContactFileCheck checkContactFile(const QString& file) {
    QFile f(file);
    if (!QFileInfo(file).isFile() || !f.open(QIODevice::ReadOnly))
        return ContactFileCheck::Unreadable;
    const QByteArray head = f.read(64 * 1024);
    if (head.toUpper().contains("BEGIN:VCARD"))
        return ContactFileCheck::Ok;
    const QString suffix = QFileInfo(file).suffix().toLower();
    // A CSV file is a text whose first line holds separated titles; the import preview checks them.
    const QByteArray firstLine = head.left(head.indexOf('\n'));
    const bool text = !head.contains('\0');
    const bool separated = firstLine.contains(',') || firstLine.contains(';') || firstLine.contains('\t');
    if ((suffix == QLatin1String("csv") || suffix == QLatin1String("txt")) && text && separated)
        return ContactFileCheck::Ok;
    return ContactFileCheck::NotContacts;
}
