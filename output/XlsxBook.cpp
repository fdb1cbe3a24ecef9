#include "XlsxBook.h"

#include "OutputStream.h"

#include <QDir>
#include <QFile>
#include <xlsxwriter.h>

XlsxBook::XlsxBook(const QString& path) : path_(path) {
    // libxlsxwriter makes the file only when it is closed: a file that cannot be made is found
    // here, before any row is read, as the XLS export finds it.
    {
        OutputStream probe(path);
        probe.close();
    }
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = nullptr;     // the system's temporary folder
    options.use_zip64 = LXW_TRUE; // a million rows of long texts may pass 4 GB unpacked
    book_ = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    if (book_)
        sheet_ = workbook_add_worksheet(book_, nullptr);
    if (book_)
        bold_ = workbook_add_format(book_);
    if (!book_ || !sheet_ || !bold_)
        throw OutputError(QStringLiteral("Cannot create file %1").arg(QDir::toNativeSeparators(path)));
    format_set_bold(bold_);
}

XlsxBook::~XlsxBook() {
    if (!book_)
        return;
    // The library writes the file when the book is closed; a book given up leaves the probe's empty
    // file, which is removed with it.
    lxw_workbook_free(book_);
    QFile::remove(path_);
}

void XlsxBook::check(int error) const {
    if (error != LXW_NO_ERROR)
        throw OutputError(
            QStringLiteral("Cannot write file %1: %2")
                .arg(QDir::toNativeSeparators(path_), QString::fromUtf8(lxw_strerror(static_cast<lxw_error>(error)))));
}

void XlsxBook::setColumnPixels(int column, int pixels) {
    check(worksheet_set_column_pixels(sheet_, static_cast<lxw_col_t>(column), static_cast<lxw_col_t>(column),
                                      static_cast<uint32_t>(std::max(pixels, 0)), nullptr));
}

void XlsxBook::freezeTitleRow() {
    worksheet_freeze_panes(sheet_, 1, 0);
}

QByteArray XlsxBook::cellText(const QString& value) {
    if (value.isEmpty())
        return {};
    // A line break in a cell is a line feed; a carriage return would show as a character of its own.
    QString lines = value;
    if (lines.contains(u'\r'))
        lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    if (lines.size() > kMaxTextLength) {
        lines.truncate(kMaxTextLength);
        if (lines.back().isHighSurrogate())
            lines.chop(1);
    }
    return lines.toUtf8();
}

void XlsxBook::text(int row, int column, const QString& value, bool bold) {
    utf8Text(row, column, cellText(value), bold);
}

void XlsxBook::utf8Text(int row, int column, const QByteArray& utf8, bool bold) {
    if (utf8.isEmpty())
        return;
    check(worksheet_write_string(sheet_, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column), utf8.constData(),
                                 bold ? bold_ : nullptr));
}

void XlsxBook::number(int row, int column, double value) {
    check(worksheet_write_number(sheet_, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column), value, nullptr));
}

void XlsxBook::close() {
    lxw_workbook* book = book_;
    book_ = nullptr;
    const lxw_error error = workbook_close(book); // frees the book whatever the outcome
    if (error != LXW_NO_ERROR) {
        QFile::remove(path_);
        throw OutputError(QStringLiteral("Cannot write file %1: %2")
                              .arg(QDir::toNativeSeparators(path_), QString::fromUtf8(lxw_strerror(error))));
    }
}
