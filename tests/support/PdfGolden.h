// Compares a printed PDF with reference data kept beside the tests: the text
// of each page and a small grey image of chosen pages, within a tolerance.
// With STATION_WRITE_GOLDEN=1 in the environment the references are written
// from the PDF instead (to be made from a build known to print right).
#pragma once
#include <QString>
#include <QStringList>

namespace PdfGolden {

// Number of pages of File; 0 when the PDF tools cannot read it.
int PageCount(const QString &File);
// The text of page Page (1-based), laid out as pdftotext -layout gives it.
QString PageText(const QString &File, int Page);

// Checks File against the references Dir/Name.p<N>.txt for every page and
// Dir/Name.p<N>.png for the pages in ImagePages (1-based; -1 is the last).
// Returns the differences found, empty when the PDF matches; writes the
// references instead when asked to.
QStringList Compare(const QString &File, const QString &Dir, const QString &Name, const QList<int> &ImagePages);

// True when the PDF tools (poppler-utils) are installed.
bool ToolsPresent();

} // namespace PdfGolden
