#include "GridExport.h"

#include "AnsiText.h"
#include "BiffWriter.h"
#include "Dataset.h"
#include "HtmlWriter.h"
#include "OutputStream.h"

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

int dataRows(const OutputGrid& grid) {
    return grid.dataset && grid.dataset->isOpen() ? grid.dataset->rowCount() : 0;
}

} // namespace

int maxXlsDataRows(const OutputGrid& grid) {
    return grid.showTitles ? kMaxXlsRows - 1 : kMaxXlsRows;
}

bool fitsXls(const OutputGrid& grid) {
    return dataRows(grid) <= maxXlsDataRows(grid);
}

QString tooManyRowsMessage(int rows, int limit) {
    return QStringLiteral("Список содержит %1 строк, а файл Excel вмещает не более %2. "
                          "Сохраните список в HTML или сузьте его фильтром.")
        .arg(rows)
        .arg(limit);
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
