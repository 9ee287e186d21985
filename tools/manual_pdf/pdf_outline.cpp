#include "pdf_outline.h"

#include <QRegularExpression>

#include <stdexcept>

namespace kestrel::manual {

namespace {

[[noreturn]] void fail(const char* what) {
  throw std::runtime_error(std::string("cannot add bookmarks: ") + what);
}

// The last match of a pattern in the text, or an invalid match.
QRegularExpressionMatch lastMatch(const QString& pattern, const QByteArray& pdf) {
  QRegularExpressionMatch last;
  for (auto it = QRegularExpression(pattern).globalMatch(QString::fromLatin1(pdf)); it.hasNext();)
    last = it.next();
  return last;
}

// The text between "n 0 obj" and its "endobj".
QByteArray objectBody(const QByteArray& pdf, int number) {
  const QByteArray head = '\n' + QByteArray::number(number) + " 0 obj";
  const qsizetype start = pdf.indexOf(head);
  if (start < 0)
    fail("an object is missing");
  const qsizetype bodyStart = start + head.size();
  const qsizetype end = pdf.indexOf("endobj", bodyStart);
  if (end < 0)
    fail("an object is not closed");
  return pdf.mid(bodyStart, end - bodyStart).trimmed();
}

// A text string in UTF-16 with its byte order mark, written in hex, so that any character fits.
QByteArray textString(const QString& text) {
  QByteArray utf16("\xFE\xFF", 2);
  for (const QChar c : text) {
    utf16.append(char(c.unicode() >> 8));
    utf16.append(char(c.unicode() & 0xFF));
  }
  return '<' + utf16.toHex() + '>';
}

QByteArray reference(int number) {
  return QByteArray::number(number) + " 0 R";
}

}  // namespace

QByteArray WithOutline(const QByteArray& pdf, const std::vector<OutlineEntry>& entries) {
  if (entries.empty())
    return pdf;
  const auto trailerSize = lastMatch(QStringLiteral("/Size\\s+(\\d+)"), pdf);
  const auto trailerRoot = lastMatch(QStringLiteral("/Root\\s+(\\d+)\\s+0\\s+R"), pdf);
  const auto trailerInfo = lastMatch(QStringLiteral("/Info\\s+(\\d+)\\s+0\\s+R"), pdf);
  const auto startXref = lastMatch(QStringLiteral("startxref\\s+(\\d+)"), pdf);
  if (!trailerSize.hasMatch() || !trailerRoot.hasMatch() || !startXref.hasMatch())
    fail("no classic trailer");
  const int size = trailerSize.captured(1).toInt();
  const int root = trailerRoot.captured(1).toInt();

  // The catalog names the page tree, whose kids are the pages in order.
  QByteArray catalog = objectBody(pdf, root);
  const auto pagesRef =
      QRegularExpression(QStringLiteral("/Pages\\s+(\\d+)\\s+0\\s+R")).match(QString::fromLatin1(catalog));
  if (!pagesRef.hasMatch() || catalog.contains("/Outlines") || !catalog.endsWith(">>"))
    fail("the catalog is not as expected");
  const QString tree = QString::fromLatin1(objectBody(pdf, pagesRef.captured(1).toInt()));
  const auto kids = QRegularExpression(QStringLiteral("/Kids\\s*\\[([^\\]]*)\\]")).match(tree);
  if (!kids.hasMatch())
    fail("the page tree is not flat");
  std::vector<int> pages;
  for (auto it = QRegularExpression(QStringLiteral("(\\d+)\\s+0\\s+R")).globalMatch(kids.captured(1));
       it.hasNext();)
    pages.push_back(it.next().captured(1).toInt());

  const int outlineRoot = size;
  const int first = size + 1;
  const int count = int(entries.size());
  QByteArray update = pdf.endsWith('\n') ? QByteArray() : QByteArray("\n");
  std::vector<std::pair<int, qsizetype>> offsets;  // object number, offset in the new file
  const auto addObject = [&](int number, const QByteArray& body) {
    offsets.emplace_back(number, pdf.size() + update.size());
    update += QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n";
  };

  catalog.chop(2);
  addObject(root, catalog + " /Outlines " + reference(outlineRoot) + " /PageMode /UseOutlines >>");
  addObject(outlineRoot, "<< /Type /Outlines /First " + reference(first) + " /Last " +
                             reference(first + count - 1) + " /Count " + QByteArray::number(count) + " >>");
  for (int i = 0; i < count; ++i) {
    const OutlineEntry& e = entries[size_t(i)];
    if (e.page < 1 || e.page > int(pages.size()))
      fail("a bookmark's page is not in the document");
    QByteArray item = "<< /Title " + textString(e.title) + " /Parent " + reference(outlineRoot) + " /Dest [" +
                      reference(pages[size_t(e.page - 1)]) + " /Fit]";
    if (i > 0)
      item += " /Prev " + reference(first + i - 1);
    if (i + 1 < count)
      item += " /Next " + reference(first + i + 1);
    addObject(first + i, item + " >>");
  }

  // The cross-reference section of the update: the catalog alone, then the new objects in a run.
  const qsizetype xref = pdf.size() + update.size();
  update += "xref\n";
  for (const auto& [number, offset] : offsets) {
    if (number == root || number == outlineRoot)
      update +=
          QByteArray::number(number) + " " + QByteArray::number(number == outlineRoot ? count + 1 : 1) + "\n";
    update += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
  }
  update += "trailer\n<< /Size " + QByteArray::number(first + count) + " /Root " + reference(root);
  if (trailerInfo.hasMatch())
    update += " /Info " + reference(trailerInfo.captured(1).toInt());
  update += " /Prev " + startXref.captured(1).toLatin1() + " >>\nstartxref\n" + QByteArray::number(xref) +
            "\n%%EOF\n";
  return pdf + update;
}

}  // namespace kestrel::manual
