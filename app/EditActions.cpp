#include "EditActions.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextEdit>

EditActions::EditActions(QWidget* window, QAction* copy, QAction* paste, QAction* cut, QAction* selectAll, QAction* del,
                         QAction* undo)
    : QObject(window), window_(window), copy_(copy), paste_(paste), cut_(cut), selectAll_(selectAll), delete_(del),
      undo_(undo) {
    for (QAction* a : {copy_, paste_, cut_, selectAll_, delete_, undo_})
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusChanged(now); });
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &EditActions::updateState);

    connect(copy_, &QAction::triggered, this, [this] {
        run([](QLineEdit* e) { e->copy(); }, [](QTextEdit* e) { e->copy(); }, [](QPlainTextEdit* e) { e->copy(); });
    });
    connect(paste_, &QAction::triggered, this, [this] {
        run([](QLineEdit* e) { e->paste(); }, [](QTextEdit* e) { e->paste(); }, [](QPlainTextEdit* e) { e->paste(); });
    });
    connect(cut_, &QAction::triggered, this, [this] {
        run([](QLineEdit* e) { e->cut(); }, [](QTextEdit* e) { e->cut(); }, [](QPlainTextEdit* e) { e->cut(); });
    });
    connect(selectAll_, &QAction::triggered, this, [this] {
        run([](QLineEdit* e) { e->selectAll(); }, [](QTextEdit* e) { e->selectAll(); },
            [](QPlainTextEdit* e) { e->selectAll(); });
    });
    connect(delete_, &QAction::triggered, this, [this] {
        run([](QLineEdit* e) { e->del(); }, [](QTextEdit* e) { e->textCursor().removeSelectedText(); },
            [](QPlainTextEdit* e) { e->textCursor().removeSelectedText(); });
    });
    connect(undo_, &QAction::triggered, this, [this] {
        run([](QLineEdit* e) { e->undo(); }, [](QTextEdit* e) { e->undo(); }, [](QPlainTextEdit* e) { e->undo(); });
    });
    focusChanged(QApplication::focusWidget());
}

QWidget* EditActions::textBoxOf(QWidget* focused) {
    if (!focused)
        return nullptr;
    if (qobject_cast<QLineEdit*>(focused) || qobject_cast<QTextEdit*>(focused) ||
        qobject_cast<QPlainTextEdit*>(focused))
        return focused;
    if (auto* combo = qobject_cast<QComboBox*>(focused))
        return combo->isEditable() ? combo->lineEdit() : nullptr;
    if (qobject_cast<QAbstractSpinBox*>(focused))
        return focused->findChild<QLineEdit*>();
    return nullptr;
}

void EditActions::focusChanged(QWidget* now) {
    for (const auto& c : watch_)
        disconnect(c);
    watch_.clear();
    QWidget* box = now && now->window() == window_ ? textBoxOf(now) : nullptr;
    target_ = box;
    auto watch = [this](auto* sender, auto signal) {
        watch_.push_back(connect(sender, signal, this, &EditActions::updateState));
    };
    if (auto* e = qobject_cast<QLineEdit*>(box)) {
        watch(e, &QLineEdit::selectionChanged);
        watch(e, &QLineEdit::textChanged);
    } else if (auto* t = qobject_cast<QTextEdit*>(box)) {
        watch(t, &QTextEdit::selectionChanged);
        watch(t, &QTextEdit::textChanged);
        watch(t, &QTextEdit::undoAvailable);
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(box)) {
        watch(p, &QPlainTextEdit::selectionChanged);
        watch(p, &QPlainTextEdit::textChanged);
        watch(p, &QPlainTextEdit::undoAvailable);
    }
    updateState();
}

void EditActions::updateState() {
    bool selection = false, writable = false, hasText = false, canUndo = false, secret = false;
    QWidget* box = target_;
    if (auto* e = qobject_cast<QLineEdit*>(box)) {
        selection = e->hasSelectedText();
        writable = !e->isReadOnly();
        hasText = !e->text().isEmpty();
        canUndo = e->isUndoAvailable();
        // A password box gives nothing away.
        secret = e->echoMode() != QLineEdit::Normal;
    } else if (auto* t = qobject_cast<QTextEdit*>(box)) {
        selection = t->textCursor().hasSelection();
        writable = !t->isReadOnly();
        hasText = !t->document()->isEmpty();
        canUndo = t->document()->isUndoAvailable();
    } else if (auto* p = qobject_cast<QPlainTextEdit*>(box)) {
        selection = p->textCursor().hasSelection();
        writable = !p->isReadOnly();
        hasText = !p->document()->isEmpty();
        canUndo = p->document()->isUndoAvailable();
    }
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    const bool clipboardText = clip && clip->hasText() && !clip->text().isEmpty();
    copy_->setEnabled(box && selection && !secret);
    cut_->setEnabled(box && selection && writable && !secret);
    delete_->setEnabled(box && selection && writable);
    paste_->setEnabled(box && writable && clipboardText);
    selectAll_->setEnabled(box && hasText);
    undo_->setEnabled(box && writable && canUndo);
}

void EditActions::run(void (*onLine)(QLineEdit*), void (*onText)(QTextEdit*), void (*onPlain)(QPlainTextEdit*)) {
    QWidget* box = target_;
    if (auto* e = qobject_cast<QLineEdit*>(box))
        onLine(e);
    else if (auto* t = qobject_cast<QTextEdit*>(box))
        onText(t);
    else if (auto* p = qobject_cast<QPlainTextEdit*>(box))
        onPlain(p);
    updateState();
}
