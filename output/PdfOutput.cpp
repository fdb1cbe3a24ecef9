#include "PdfOutput.h"

#include "GridPrintJob.h"

#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

namespace pdfoutput {

void print(const GridPrintJob& job, QPrinter& printer, int from, int to) {
    const int count = job.pageCount();
    if (count == 0)
        return;
    if (from <= 0 || to <= 0) {
        from = 1;
        to = count;
    }
    to = std::min(to, count);
    // Pages are placed on the whole sheet; the printable area was taken off when they were laid out.
    const bool fullPage = printer.fullPage();
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer)) {
        printer.setFullPage(fullPage);
        return;
    }
    const double ratio = printer.resolution() / job.format().dpi;
    for (int page = from; page <= to; ++page) {
        if (page > from)
            printer.newPage();
        painter.save();
        painter.scale(ratio, ratio);
        painter.translate(job.format().printable.topLeft());
        job.drawPage(painter, page - 1);
        painter.restore();
    }
    painter.end();
    printer.setFullPage(fullPage);
}

bool writePdf(const GridPrintJob& job, const QString& path) {
    QFile probe(path);
    if (!probe.open(QIODevice::WriteOnly))
        return false;
    probe.close();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    const QSizeF paperInches = job.format().paper / job.format().dpi;
    printer.setPageSize(QPageSize(paperInches, QPageSize::Inch));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    printer.setDocName(QStringLiteral("Tabular information"));
    print(job, printer);
    return true;
}

} // namespace pdfoutput
