#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace kestrel::manual {

struct ManualSource {
  QString title;         // on the title page and in the PDF's properties
  QString subtitle;      // under the title
  QStringList chapters;  // Markdown files, in order; each opens with a "# " heading
  QString imageFolder;   // where the chapters' pictures are, by file name
};

struct ChapterEntry {
  QString title;
  int page = 0;  // printed page number
};

struct ManualResult {
  int pages = 0;
  std::vector<ChapterEntry> contents;
};

// Writes the manual as an A4 PDF: a title page, a contents page with each chapter's page, then
// the chapters, each from a new page, with page numbers at the foot of every page but the first.
// Throws std::runtime_error when a chapter or a picture it names cannot be read, or the PDF
// cannot be written.
ManualResult WriteManualPdf(const ManualSource& source, const QString& pdfPath);

}  // namespace kestrel::manual
