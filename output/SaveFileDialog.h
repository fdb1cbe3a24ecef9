#pragma once

#include <QString>
#include <functional>

class QWidget;

// The save dialogs of output behind a seam: a test names the file instead of a dialog asking.
namespace savefile {

struct Request {
    QString objectName;    // "SaveDialog1", "SaveDialog2"
    QString filter;        // "MS Excel files (*.xls)"
    QString defaultSuffix; // "xls": added when the user gives none
    QString startFolder;
};

// The extension of a name filter's first pattern: "xlsx" of "Excel 2007+ (*.xlsx)".
QString suffixOfFilter(const QString& filter);

using Asker = std::function<QString(const Request&)>;
void setAsker(Asker asker);

// The chosen file name, or empty when the user cancels.
QString ask(QWidget* owner, const Request& request);

} // namespace savefile
