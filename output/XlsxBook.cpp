#include "XlsxBook.h"

#include "OutputStream.h"

#include <QDir>
#include <QFile>
#include <dlfcn.h>
#include <xlsxwriter.h>

// libxlsxwriter packs the finished sheet through minizip at zlib's default level and has no option
// for it. The sheet of a large list is tens of megabytes of repetitive XML: the default level takes
// about three times as long as the fastest for a file only a little smaller, and it is most of the
// export's time. This definition stands in for minizip's entry point (the dynamic linker finds the
// program's own definition first) and asks for the fastest level where the caller left the level to
// the library; everything else goes to minizip unchanged. Nothing else in the program uses minizip.
extern "C" {
using XlsxZipFile = void*;
struct zip_fileinfo;
int zipOpenNewFileInZip4_64(XlsxZipFile file, const char* filename, const zip_fileinfo* zipfi,
                            const void* extrafield_local, unsigned int size_extrafield_local,
                            const void* extrafield_global, unsigned int size_extrafield_global, const char* comment,
                            int method, int level, int raw, int windowBits, int memLevel, int strategy,
                            const char* password, unsigned long crcForCrypting, unsigned long versionMadeBy,
                            unsigned long flagBase, int zip64) {
    using Open = decltype(&zipOpenNewFileInZip4_64);
    static const Open minizipOpen = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "zipOpenNewFileInZip4_64"));
    constexpr int kZipInternalError = -104; // minizip's ZIP_INTERNALERROR
    constexpr int kDefaultLevel = -1;       // zlib's Z_DEFAULT_COMPRESSION
    constexpr int kFastestLevel = 1;        // zlib's Z_BEST_SPEED
    if (!minizipOpen)
        return kZipInternalError;
    return minizipOpen(file, filename, zipfi, extrafield_local, size_extrafield_local, extrafield_global,
                       size_extrafield_global, comment, method, level == kDefaultLevel ? kFastestLevel : level, raw,
                       windowBits, memLevel, strategy, password, crcForCrypting, versionMadeBy, flagBase, zip64);
}
}

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
