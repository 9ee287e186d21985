#include "manual_document.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>

#include <algorithm>
#include <stdexcept>

namespace kestrel::manual {

namespace {

// A screenshot pixel on paper, in millimetres: panels and dialogs print large enough to read;
// a whole window is narrowed to the text width.
constexpr double PictureMmPerPixel = 0.2;
// A picture takes at most this share of the page's height.
constexpr double PictureMaxHeightShare = 0.62;
constexpr int Resolution = 300;
constexpr double BodyPointSize = 10.5;

[[noreturn]] void fail(const QString& text) {
  throw std::runtime_error(text.toStdString());
}

QString readText(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
  return QString::fromUtf8(file.readAll());
}

// The text of the chapter's first "# " heading.
QString chapterTitle(const QString& markdown, const QString& path) {
  for (const QString& line : markdown.split(QLatin1Char('\n')))
    if (line.startsWith(QLatin1String("# ")))
      return line.mid(2).trimmed();
  fail(QStringLiteral("%1 has no \"# \" heading").arg(path));
}

class Builder {
 public:
  Builder(const ManualSource& source, QPdfWriter& writer) : source_(source), writer_(writer) {
    doc_.documentLayout()->setPaintDevice(&writer_);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(BodyPointSize);
    doc_.setDefaultFont(font);
    doc_.setDocumentMargin(0);
    const QRectF paint = writer_.pageLayout().paintRectPixels(Resolution);
    footerHeight_ = paint.height() * 0.05;
    pageSize_ = QSizeF(paint.width(), paint.height() - footerHeight_);
    doc_.setPageSize(pageSize_);
  }

  // Builds the whole document with the given page numbers in the contents.
  void build(const std::vector<ChapterEntry>& contents) {
    doc_.clear();
    QTextCursor cursor(&doc_);
    titlePage(cursor);
    contentsPage(cursor, contents);
    chapterStarts_.clear();
    for (const QString& path : source_.chapters) {
      const QString markdown = readText(path);
      QTextDocument chapter;
      chapter.setMarkdown(markdown);
      QTextBlockFormat breakBefore;
      breakBefore.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
      // The empty paragraph that follows a table is where the chapter begins; another one would
      // stay behind on a page of its own when the table ends at the foot of a page.
      if (!cursor.block().text().isEmpty())
        cursor.insertBlock(breakBefore);
      const int start = cursor.position();
      cursor.insertFragment(QTextDocumentFragment(&chapter));
      // A cursor follows its block through the captions inserted before it later.
      QTextCursor first(doc_.findBlock(start));
      first.mergeBlockFormat(breakBefore);
      chapterStarts_.push_back(first);
    }
    placePictures();
    captionPictures();
    styleTables();
    keepPicturesWhole();
  }

  std::vector<ChapterEntry> chapterPages() const {
    doc_.pageCount();  // the layout finished, pictures included
    std::vector<ChapterEntry> entries;
    for (qsizetype i = 0; i < source_.chapters.size(); ++i) {
      // The top of the heading's first line (the block's own rectangle may begin on the page
      // before, where the page break pushed it from); the layout puts it at the page's edge
      // within a fraction of a pixel.
      const QTextBlock block = chapterStarts_[size_t(i)].block();
      double top = doc_.documentLayout()->blockBoundingRect(block).top();
      if (const QTextLayout* layout = block.layout(); layout && layout->lineCount() > 0)
        top = layout->position().y() + layout->lineAt(0).y();
      entries.push_back({chapterTitle(readText(source_.chapters[i]), source_.chapters[i]),
                         int((top + 1) / pageSize_.height()) + 1});
    }
    return entries;
  }

  int pageCount() const { return doc_.pageCount(); }

  void paint() {
    QPainter painter(&writer_);
    const int pages = doc_.pageCount();
    QFont footFont = doc_.defaultFont();
    footFont.setPointSizeF(BodyPointSize * 0.85);
    for (int page = 0; page < pages; ++page) {
      if (page > 0)
        writer_.newPage();
      painter.save();
      painter.translate(0, -page * pageSize_.height());
      const QRectF clip(0, page * pageSize_.height(), pageSize_.width(), pageSize_.height());
      painter.setClipRect(clip);
      QAbstractTextDocumentLayout::PaintContext context;
      // The layout puts what a page break moved within a fraction of a pixel above the page's
      // top edge; a pixel less at each edge keeps it off the page before.
      context.clip = clip.adjusted(0, 1, 0, -1);
      doc_.documentLayout()->draw(&painter, context);
      painter.restore();
      if (page == 0)
        continue;
      painter.setFont(footFont);
      painter.setPen(QColor(90, 90, 90));
      const QRectF foot(0, pageSize_.height(), pageSize_.width(), footerHeight_);
      painter.drawLine(QPointF(0, foot.top() + footerHeight_ * 0.2),
                       QPointF(foot.right(), foot.top() + footerHeight_ * 0.2));
      painter.drawText(foot, Qt::AlignLeft | Qt::AlignVCenter, source_.title);
      painter.drawText(foot, Qt::AlignRight | Qt::AlignVCenter, QString::number(page + 1));
    }
  }

 private:
  void titlePage(QTextCursor& cursor) {
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignCenter);
    centred.setTopMargin(pageSize_.height() * 0.3);
    QTextCharFormat big;
    big.setFontPointSize(BodyPointSize * 2.6);
    big.setFontWeight(QFont::Bold);
    cursor.setBlockFormat(centred);
    cursor.insertText(source_.title, big);
    QTextBlockFormat under;
    under.setAlignment(Qt::AlignCenter);
    under.setTopMargin(pageSize_.height() * 0.02);
    QTextCharFormat medium;
    medium.setFontPointSize(BodyPointSize * 1.5);
    cursor.insertBlock(under);
    cursor.insertText(source_.subtitle, medium);
  }

  void contentsPage(QTextCursor& cursor, const std::vector<ChapterEntry>& contents) {
    QTextBlockFormat heading;
    heading.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    heading.setBottomMargin(pageSize_.height() * 0.02);
    QTextCharFormat headingText;
    headingText.setFontPointSize(BodyPointSize * 1.8);
    headingText.setFontWeight(QFont::Bold);
    cursor.insertBlock(heading);
    cursor.insertText(QStringLiteral("Contents"), headingText);

    QTextTableFormat table;
    table.setBorder(0);
    table.setCellPadding(pageSize_.height() * 0.003);
    table.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    table.setColumnWidthConstraints(
        {QTextLength(QTextLength::PercentageLength, 90), QTextLength(QTextLength::PercentageLength, 10)});
    QTextTable* t = cursor.insertTable(int(source_.chapters.size()), 2, table);
    QTextCharFormat entry;
    entry.setFontPointSize(BodyPointSize * 1.15);
    for (int i = 0; i < int(source_.chapters.size()); ++i) {
      const ChapterEntry e = size_t(i) < contents.size() ? contents[size_t(i)] : ChapterEntry{};
      const QString title =
          e.title.isEmpty() ? chapterTitle(readText(source_.chapters[i]), source_.chapters[i]) : e.title;
      QTextCursor left = t->cellAt(i, 0).firstCursorPosition();
      left.insertText(QStringLiteral("%1.  %2").arg(i + 1).arg(title), entry);
      QTextCursor right = t->cellAt(i, 1).firstCursorPosition();
      QTextBlockFormat alignRight;
      alignRight.setAlignment(Qt::AlignRight);
      right.setBlockFormat(alignRight);
      right.insertText(QString::number(e.page), entry);
    }
    cursor.movePosition(QTextCursor::End);
  }

  // Each picture's alternative text, in italics under it.
  void captionPictures() {
    std::vector<std::pair<int, QString>> captions;  // end of the picture's block, text
    for (QTextBlock block = doc_.begin(); block.isValid(); block = block.next())
      for (auto it = block.begin(); !it.atEnd(); ++it)
        if (const QTextFragment f = it.fragment(); f.charFormat().isImageFormat()) {
          const QString text = f.charFormat().stringProperty(QTextFormat::ImageAltText).trimmed();
          if (!text.isEmpty())
            captions.emplace_back(block.position() + block.length() - 1, text);
        }
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    centred.setTopMargin(pageSize_.height() * 0.004);
    centred.setBottomMargin(pageSize_.height() * 0.01);
    centred.setPageBreakPolicy(QTextFormat::PageBreak_Auto);
    QTextCharFormat italic;
    italic.setFontItalic(true);
    italic.setFontPointSize(BodyPointSize * 0.9);
    italic.setForeground(QColor(70, 70, 70));
    // From the end, so that the positions still to come stay valid.
    for (auto c = captions.rbegin(); c != captions.rend(); ++c) {
      QTextCursor cursor(&doc_);
      cursor.setPosition(c->first);
      cursor.insertBlock(centred, italic);
      cursor.insertText(c->second, italic);
    }
  }

  // Tables with room in their cells and light rules.
  void styleTables() {
    // Frame lengths are in units of a 96 dpi screen, as picture sizes are.
    const double point = 96.0 / 72.0;
    for (QTextFrame* frame : doc_.rootFrame()->childFrames()) {
      auto* table = qobject_cast<QTextTable*>(frame);
      if (!table || table->format().border() == 0)  // the contents page's own table
        continue;
      QTextTableFormat f = table->format();
      f.setBorder(0.6 * point);
      f.setBorderBrush(QColor(150, 150, 150));
      f.setBorderCollapse(true);
      f.setCellSpacing(0);
      f.setCellPadding(3 * point);
      f.setTopMargin(3 * point);
      // Nothing below the last row: a margin there could spill onto a page of its own when the
      // table ends at the foot of a page.
      f.setBottomMargin(0);
      table->setFormat(f);
    }
  }

  // The layout lets a picture taller than the rest of its page run over the page's foot; such a
  // picture's paragraph is moved to the next page instead, one at a time, as each move shifts
  // what follows.
  void keepPicturesWhole() {
    const double height = pageSize_.height();
    for (bool moved = true; moved;) {
      moved = false;
      doc_.pageCount();  // lays the whole document out
      for (QTextBlock block = doc_.begin(); block.isValid() && !moved; block = block.next()) {
        const QTextLayout* layout = block.layout();
        if (!layout || layout->lineCount() == 0 || !holdsPicture(block))
          continue;
        const double top = layout->position().y() + layout->lineAt(0).y();
        const double bottom = layout->position().y() + layout->boundingRect().bottom();
        if (int((top + 1) / height) != int((bottom - 1) / height)) {
          QTextBlockFormat breakBefore;
          breakBefore.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
          QTextCursor(block).mergeBlockFormat(breakBefore);
          moved = true;
        }
      }
    }
  }

  static bool holdsPicture(const QTextBlock& block) {
    for (auto it = block.begin(); !it.atEnd(); ++it)
      if (it.fragment().charFormat().isImageFormat())
        return true;
    return false;
  }

  // Loads each picture the chapters name and sizes it for the page. A picture's paragraph is
  // centred and keeps its spacing above it, so that nothing of it reaches past the picture onto
  // the next page.
  void placePictures() {
    // Image sizes are given in units of a 96 dpi screen; the layout scales them to the writer.
    const double unitsPerPixel = 96.0 / writer_.logicalDpiY();
    const double maxWidth = pageSize_.width() * unitsPerPixel;
    const double maxHeight = pageSize_.height() * PictureMaxHeightShare * unitsPerPixel;
    const double pixelsPerMm = 96.0 / 25.4;
    for (QTextBlock block = doc_.begin(); block.isValid(); block = block.next()) {
      for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid() || !fragment.charFormat().isImageFormat())
          continue;
        QTextImageFormat image = fragment.charFormat().toImageFormat();
        const QString name = image.name();
        const QString path = source_.imageFolder + QLatin1Char('/') + QFileInfo(name).fileName();
        QImage picture(path);
        if (picture.isNull())
          fail(QStringLiteral("cannot read the picture %1 (%2)").arg(name, path));
        doc_.addResource(QTextDocument::ImageResource, QUrl(name), picture);
        double width = picture.width() * PictureMmPerPixel * pixelsPerMm;
        double height = picture.height() * PictureMmPerPixel * pixelsPerMm;
        const double shrink = std::min({1.0, maxWidth / width, maxHeight / height});
        image.setWidth(width * shrink);
        image.setHeight(height * shrink);
        QTextCursor c(&doc_);
        c.setPosition(fragment.position());
        c.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
        c.setCharFormat(image);
      }
      if (holdsPicture(block)) {
        QTextBlockFormat spacing = block.blockFormat();
        spacing.setTopMargin(spacing.topMargin() + spacing.bottomMargin());
        spacing.setBottomMargin(0);
        spacing.setAlignment(Qt::AlignHCenter);
        QTextCursor(block).setBlockFormat(spacing);
      }
    }
  }

  const ManualSource& source_;
  QPdfWriter& writer_;
  QTextDocument doc_;
  QSizeF pageSize_;
  double footerHeight_ = 0;
  std::vector<QTextCursor> chapterStarts_;
};

}  // namespace

ManualResult WriteManualPdf(const ManualSource& source, const QString& pdfPath) {
  if (source.chapters.isEmpty())
    fail(QStringLiteral("no chapters"));
  QPdfWriter writer(pdfPath);
  writer.setResolution(Resolution);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF(20, 18, 20, 14), QPageLayout::Millimeter);
  writer.setTitle(source.title + QStringLiteral(": ") + source.subtitle);
  writer.setCreator(QStringLiteral("Kestrel"));

  Builder builder(source, writer);
  // The contents name the pages the chapters fall on; with their numbers filled in, the
  // contents page keeps its size, so a second layout confirms them.
  builder.build({});
  std::vector<ChapterEntry> contents = builder.chapterPages();
  builder.build(contents);
  const std::vector<ChapterEntry> settled = builder.chapterPages();
  for (size_t i = 0; i < contents.size(); ++i)
    if (settled[i].page != contents[i].page)
      fail(QStringLiteral("the contents moved the chapter \"%1\"").arg(contents[i].title));
  builder.paint();

  ManualResult result;
  result.pages = builder.pageCount();
  result.contents = std::move(contents);
  return result;
}

}  // namespace kestrel::manual
