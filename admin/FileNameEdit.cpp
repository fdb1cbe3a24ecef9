#include "FileNameEdit.h"

#include "IniLang.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QToolButton>

FileNameEdit::FileNameEdit(QWidget* parent) : QLineEdit(parent), button_(new QToolButton(this)) {
    // The button is a part of the box, not a component of the window: it stays unnamed so that the
    // language file has nothing of it to translate.
    button_->setText(QStringLiteral("…"));
    button_->setCursor(Qt::ArrowCursor);
    button_->setFocusPolicy(Qt::NoFocus);
    button_->setToolTip(QStringLiteral("Alt+Down"));
    connect(button_, &QToolButton::clicked, this, &FileNameEdit::browse);
    setTextMargins(0, 0, 20, 0);
}

void FileNameEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    const int w = std::min(20, height());
    button_->setGeometry(width() - w - 1, 1, w, height() - 2);
}

void FileNameEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    QLineEdit::mouseDoubleClickEvent(event);
    Q_EMIT doubleClicked();
}

void FileNameEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier)) {
        browse();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void FileNameEdit::browse() {
    QFileDialog dialog(window(), LangText("M265", "Список"));
    dialog.setObjectName(QStringLiteral("BrowseDialog"));
    dialog.setNameFilter(LangText("M266", "Все файлы (*)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    const QFileInfo current(text().trimmed());
    if (!text().trimmed().isEmpty() && current.dir().exists()) {
        dialog.setDirectory(current.absolutePath());
        dialog.selectFile(current.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    setText(QDir::toNativeSeparators(dialog.selectedFiles().constFirst()));
}
