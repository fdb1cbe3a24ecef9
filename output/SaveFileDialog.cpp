#include "SaveFileDialog.h"

#include <QFileDialog>

namespace savefile {
namespace {
Asker& asker() {
    static Asker a;
    return a;
}
} // namespace

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
    dialog.setDirectory(request.startFolder);
    // The file is replaced without asking, as the command's users expect from it.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

} // namespace savefile
