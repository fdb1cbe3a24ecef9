#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <vector>

class QAction;
class QLineEdit;
class QPlainTextEdit;
class QTextEdit;
class QWidget;

// The six Edit actions of the main window (copy, paste, cut, select all, delete, undo) acting on the
// text box that has the focus in that window. Without a focused text box they are all disabled; with
// one, each is enabled when it can do something there (a selection to copy, cut or delete, text on
// the clipboard to paste into a writable box, text to select, a change to undo), so that a key
// like Del reaches the box when the action has nothing to do.
class EditActions : public QObject {
    Q_OBJECT
public:
    EditActions(QWidget* window, QAction* copy, QAction* paste, QAction* cut, QAction* selectAll, QAction* del,
                QAction* undo);

    // The focused text box of the window, or nullptr: a line edit, a multi-line text box, the text
    // part of an editable list or of a spin box.
    QWidget* target() const { return target_; }
    static QWidget* textBoxOf(QWidget* focused);

    void updateState();

private:
    void focusChanged(QWidget* now);
    void run(void (*onLine)(QLineEdit*), void (*onText)(QTextEdit*), void (*onPlain)(QPlainTextEdit*));

    QWidget* window_;
    QAction* copy_;
    QAction* paste_;
    QAction* cut_;
    QAction* selectAll_;
    QAction* delete_;
    QAction* undo_;
    QPointer<QWidget> target_;
    std::vector<QMetaObject::Connection> watch_;
};
