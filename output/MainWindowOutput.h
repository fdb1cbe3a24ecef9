#pragma once

#include <QObject>

class ContactPages;
class DBGridEh;
class PrintDBGridEh;
class TPreviewForm;
class QWidget;

// The main window's export and print commands: the first tab's grid goes to XLS and HTML files, the
// current tab's grid to the printer through the preview.
class MainWindowOutput : public QObject {
    Q_OBJECT
public:
    MainWindowOutput(ContactPages& pages, TPreviewForm& preview, QWidget* window);

    PrintDBGridEh* PrintDBGridEh1 = nullptr;

    // The grid of the current tab.
    DBGridEh* currentGrid() const;

public Q_SLOTS:
    void acToExcelExecute();
    void acToHTMLExecute();
    // Prints the current tab's grid; each print adds its date and time to the footer.
    void acPrintExecute();

private:
    ContactPages& pages_;
    QWidget* window_;
};
