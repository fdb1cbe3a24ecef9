#pragma once

#include <QLineEdit>

class QToolButton;

// A file-name box: a text box with a browse button at its right (Alt+Down presses it too). The
// button picks any file in an open-file dialog titled "Список"; a double-click in the box is left
// to the window, which offers its own dialog.
class FileNameEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit FileNameEdit(QWidget* parent = nullptr);

    QToolButton* browseButton() const { return button_; }
    // The browse dialog: starts in the folder of the path in the box when that folder exists, with
    // the path's file name chosen; the chosen file's full path replaces the text.
    void browse();

Q_SIGNALS:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* button_;
};
