#include "SaveFileDialog.h"

#include <QFileDialog>
#include <QRegularExpression>

namespace savefile {
namespace {
Asker& asker() {
    static Asker a;
    return a;
}
} // namespace

QString suffixOfFilter(const QString& filter) {
    const qsizetype star = filter.indexOf(QLatin1String("(*."));
    if (star < 0)
        return {};
    const qsizetype end = filter.indexOf(QRegularExpression(QStringLiteral("[ ;)]")), star + 3);
    return filter.mid(star + 3, end < 0 ? -1 : end - star - 3);
}

void setAsker(Asker a) {
    asker() = std::move(a);
}

QString ask(QWidget* owner, const Request& request) {
    if (asker())
        return asker()(request);
    QFileDialog dialog(owner);
    dialog.setObjectName(request.objectName);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(request.filter);
    dialog.setDefaultSuffix(request.defaultSuffix);
    // With several file types, a name typed without extension gets the one of the type chosen.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &request](const QString& filter) {
        const QString suffix = suffixOfFilter(filter);
        dialog.setDefaultSuffix(suffix.isEmpty() ? request.defaultSuffix : suffix);
    });
    dialog.setDirectory(request.startFolder);
    // The file is replaced without asking, as the command's users expect from it.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

} // namespace savefile
