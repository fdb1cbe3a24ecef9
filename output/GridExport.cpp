#include "GridExport.h"

#include "AnsiText.h"
#include "BiffWriter.h"
#include "Dataset.h"
#include "HtmlWriter.h"
#include "IniLang.h"
#include "OutputStream.h"
#include "XlsxBook.h"
#include "XlsxRowFeed.h"

#include <vector>

namespace gridexport {
namespace {

enum class CellKind { Empty, Text, Integer };

struct ColumnSource {
    CellKind kind = CellKind::Empty;
    int fieldIndex = -1;
};

std::vector<ColumnSource> sources(const OutputGrid& grid) {
    std::vector<ColumnSource> out;
    for (const OutputColumn& c : grid.columns) {
        ColumnSource s;
        const Field* f = grid.dataset && !c.field.isEmpty() ? grid.dataset->findField(c.field) : nullptr;
        if (f) {
            s.fieldIndex = f->index();
            const bool integer =
                !f->isLookup() && (f->type() == FieldType::Integer || f->type() == FieldType::SmallInt);
            s.kind = integer ? CellKind::Integer : CellKind::Text;
        }
        out.push_back(s);
    }
    return out;
}

// Every row of the list: the rows still coming are read first.
int dataRows(const OutputGrid& grid) {
    if (!grid.dataset || !grid.dataset->isOpen())
        return 0;
    grid.dataset->fetchAll();
    return grid.dataset->rowCount();
}

} // namespace

int maxXlsDataRows(const OutputGrid& grid) {
    return grid.showTitles ? kMaxXlsRows - 1 : kMaxXlsRows;
}

bool fitsXls(const OutputGrid& grid) {
    return dataRows(grid) <= maxXlsDataRows(grid);
}

namespace {
// A message of the language file, or the Russian text where no language file is read.
QString message(const char* key, const char* russian) {
    const QString k = QString::fromLatin1(key);
    const QString t = LangMessage(k, k);
    return t.isEmpty() || t == k ? QString::fromUtf8(russian) : t;
}
} // namespace

QString tooManyRowsMessage(int rows, int limit) {
    return message("M231", "Список содержит %1 строк, а файл Excel (XLS) вмещает не более %2. Сохраните список "
                           "в формате Excel 2007+ (XLSX) или в HTML или сузьте его фильтром.")
        .arg(rows)
        .arg(limit);
}

int dataRowCount(const OutputGrid& grid) {
    return dataRows(grid);
}

bool xlsTooLongForSomeReaders(const OutputGrid& grid) {
    return dataRows(grid) + (grid.showTitles ? 1 : 0) > kXlsReadableRows;
}

int maxXlsxDataRows(const OutputGrid& grid) {
    return grid.showTitles ? XlsxBook::kMaxRows - 1 : XlsxBook::kMaxRows;
}

bool fitsXlsx(const OutputGrid& grid) {
    return dataRows(grid) <= maxXlsxDataRows(grid);
}

QString tooManyXlsxRowsMessage(int rows, int limit) {
    return message("M232", "Список содержит %1 строк, а файл Excel 2007+ (XLSX) вмещает не более %2. Сохраните "
                           "список в HTML или сузьте его фильтром.")
        .arg(rows)
        .arg(limit);
}

void writeXlsx(const OutputGrid& grid, const QString& path) {
    if (!fitsXlsx(grid))
        throw OutputError(tooManyXlsxRowsMessage(dataRows(grid), maxXlsxDataRows(grid)));
    XlsxBook book(path);
    int row = 0;
    for (int c = 0; c < static_cast<int>(grid.columns.size()); ++c)
        book.setColumnPixels(c, grid.columns[static_cast<size_t>(c)].width);
    if (grid.showTitles) {
        for (int c = 0; c < static_cast<int>(grid.columns.size()); ++c)
            book.text(row, c, grid.columns[static_cast<size_t>(c)].title, true);
        book.freezeTitleRow();
        ++row;
    }
    // The dataset is read here; the library escapes and writes the cells on a thread of its own.
    const std::vector<ColumnSource> src = sources(grid);
    const int rows = dataRows(grid);
    XlsxRowFeed feed(book);
    for (int r = 0; r < rows; ++r, ++row) {
        for (int c = 0; c < static_cast<int>(src.size()); ++c) {
            const ColumnSource& s = src[static_cast<size_t>(c)];
            switch (s.kind) {
            case CellKind::Empty:
                break;
            case CellKind::Integer: {
                const QVariant v = grid.dataset->value(r, s.fieldIndex);
                if (!v.isNull())
                    feed.number(row, c, static_cast<double>(v.toLongLong()));
                break;
            }
            case CellKind::Text:
                feed.text(row, c, XlsxBook::cellText(grid.dataset->displayText(r, s.fieldIndex)));
                break;
            }
        }
        feed.endRow();
    }
    feed.finish();
}

void writeXls(const OutputGrid& grid, const QString& path) {
    if (!fitsXls(grid))
        throw OutputError(tooManyRowsMessage(dataRows(grid), maxXlsDataRows(grid)));
    OutputStream out(path);
    BiffWriter biff(out);
    biff.beginFile();
    if (grid.showTitles) {
        for (const OutputColumn& c : grid.columns)
            biff.label(ansitext::encode(c.title));
        biff.newRow();
    }
    const std::vector<ColumnSource> src = sources(grid);
    const int rows = dataRows(grid);
    QByteArray text;
    for (int r = 0; r < rows; ++r) {
        for (const ColumnSource& s : src) {
            switch (s.kind) {
            case CellKind::Empty:
                biff.label(QByteArray());
                break;
            case CellKind::Integer: {
                const QVariant v = grid.dataset->value(r, s.fieldIndex);
                biff.integer(v.isNull() ? 0 : v.toLongLong());
                break;
            }
            case CellKind::Text:
                text.clear();
                ansitext::append(text, grid.dataset->displayText(r, s.fieldIndex));
                biff.label(text);
                break;
            }
        }
        biff.newRow();
    }
    biff.endFile();
    out.close();
}

void writeHtml(const OutputGrid& grid, const QString& path, bool charsetLine) {
    OutputStream out(path);
    html::writeHead(out, grid.name, charsetLine);
    html::writeTableStart(out, grid.columnLines || grid.rowLines, grid.ctl3d, grid.flat, grid.fixedColor);
    if (grid.showTitles) {
        out.write(QByteArrayLiteral("<TR>\r\n"));
        for (const OutputColumn& c : grid.columns) {
            out.write("  <TD WIDTH=" + QByteArray::number(c.width) + " ALIGN=\"" +
                      html::alignmentWord(c.titleAlignment) + "\">" +
                      html::fontRunStart(c.titleFont, c.titleFontColor) + html::escaped(c.title) +
                      html::fontRunEnd(c.titleFont) + "</TD>\r\n");
        }
        out.write(QByteArrayLiteral("</TR>\r\n"));
    }
    // Everything around a cell's text is the same in every row: it is made once per column.
    std::vector<QByteArray> before, after;
    for (const OutputColumn& c : grid.columns) {
        before.push_back("  <TD WIDTH=" + QByteArray::number(c.width) + " ALIGN=\"" + html::alignmentWord(c.alignment) +
                         "\" BGCOLOR=#" + html::colour(c.color) + ">" + html::fontRunStart(c.font, c.fontColor));
        after.push_back(html::fontRunEnd(c.font) + "</TD>\r\n");
    }
    const std::vector<ColumnSource> src = sources(grid);
    const int rows = dataRows(grid);
    for (int r = 0; r < rows; ++r) {
        out.write(QByteArrayLiteral("<TR>\r\n"));
        for (size_t i = 0; i < src.size(); ++i) {
            out.write(before[i]);
            if (src[i].kind == CellKind::Empty)
                out.write(QByteArrayLiteral("&nbsp"));
            else
                out.write(html::escaped(grid.dataset->displayText(r, src[i].fieldIndex)));
            out.write(after[i]);
        }
        out.write(QByteArrayLiteral("</TR>\r\n"));
    }
    html::writeTail(out);
    out.close();
}

} // namespace gridexport
