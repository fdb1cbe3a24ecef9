#pragma once

#include <QString>

class GridPrintJob;
class QPrinter;

// Sends laid-out pages to a printer or a PDF file, page by page; a page laid out for another
// resolution is scaled to the device.
namespace pdfoutput {

// Pages from and to are counted from 1, both included; 0 and 0 mean every page.
void print(const GridPrintJob& job, QPrinter& printer, int from = 0, int to = 0);
// Writes every page to a PDF file; false when the file cannot be written.
bool writePdf(const GridPrintJob& job, const QString& path);

} // namespace pdfoutput
