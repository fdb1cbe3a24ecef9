#pragma once

#include <QByteArray>
#include <QString>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// One worksheet of an Office Open XML (Excel 2007+) file, written by libxlsxwriter in its
// constant-memory mode: each row goes to a temporary file as soon as the next one starts, so memory
// stays flat however many rows there are; rows must come in order. The file is made by close().
// Failures throw OutputError naming the user's file.
class XlsxBook {
public:
    // The most rows (1,048,576) and the longest text of a cell (32,767 characters) of a worksheet.
    static constexpr int kMaxRows = 1048576;
    static constexpr int kMaxTextLength = 32767;

    explicit XlsxBook(const QString& path);
    ~XlsxBook(); // without close(), nothing is written
    XlsxBook(const XlsxBook&) = delete;
    XlsxBook& operator=(const XlsxBook&) = delete;

    // The width of a column as the grid shows it, in screen pixels.
    void setColumnPixels(int column, int pixels);
    // The first row stays in view while the rest scrolls.
    void freezeTitleRow();
    // A text cell (cut to the longest a cell holds), its line breaks as line feeds; bold for titles.
    void text(int row, int column, const QString& value, bool bold = false);
    // The text of a cell as the book takes it: UTF-8, line breaks as line feeds, cut to the longest
    // a cell holds.
    static QByteArray cellText(const QString& value);
    // A cell of a text made by cellText; nothing for an empty one.
    void utf8Text(int row, int column, const QByteArray& utf8, bool bold = false);
    // A number cell.
    void number(int row, int column, double value);
    // Writes the file.
    void close();

private:
    void check(int error) const;

    QString path_;
    lxw_workbook* book_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format* bold_ = nullptr;
};
