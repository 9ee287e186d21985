#pragma once

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

namespace kestrel::manual {

// One bookmark: its title and the page (from 1) it opens.
struct OutlineEntry {
  QString title;
  int page = 0;
};

// Adds bookmarks to a finished PDF as an incremental update: new outline objects, the document
// catalog again with the outline and "show bookmarks" added, and a cross-reference section of its
// own, appended after the original's end. The PDF must use a classic cross-reference table (as
// Qt's writer does). Returns the new file's bytes; throws std::runtime_error when the PDF's
// structure is not understood or a page is out of range.
QByteArray WithOutline(const QByteArray& pdf, const std::vector<OutlineEntry>& entries);

}  // namespace kestrel::manual
