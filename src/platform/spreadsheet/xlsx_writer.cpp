#include "xlsx_writer.h"

#include <xlsxwriter.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <numeric>
#include <string>

namespace kestrel {
namespace {

using sheet::Sheet;

QString columnName(int col) {
  QString name;
  for (int c = col + 1; c > 0; c = (c - 1) / 26) name.prepend(QChar(u'A' + (c - 1) % 26));
  return name;
}

QString cellName(int row, int col) {
  return columnName(col) + QString::number(row + 1);
}

QString native(const QString& path) {
  return QDir::toNativeSeparators(path);
}

bool isHex(QChar c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

// The file format writes a character it cannot hold as "_xHHHH_", so a text that holds such a
// sequence literally would come back as that character. Escaping its underscore as "_x005F_"
// keeps it as typed.
QString escapeLiteralEscapes(const QString& text) {
  QString out;
  out.reserve(text.size() + 14);
  for (qsizetype i = 0; i < text.size(); ++i) {
    const bool sequence = text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' &&
                          isHex(text[i + 2]) && isHex(text[i + 3]) && isHex(text[i + 4]) &&
                          isHex(text[i + 5]) && text[i + 6] == u'_';
    if (sequence)
      out += QStringLiteral("_x005F_");
    else
      out += text[i];
  }
  return out;
}

// Most cells hold short ASCII without NULs or underscores, which need no care: copied into
// `out` without a conversion of their own.
bool plainAscii(const QString& text, std::string& out) {
  if (text.size() > SpreadsheetWriter::MaxCellText)
    return false;
  out.resize(size_t(text.size()));
  const QChar* in = text.constData();
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t ch = in[i].unicode();
    if (ch == 0 || ch >= 0x80 || ch == u'_')
      return false;
    out[size_t(i)] = char(ch);
  }
  return true;
}

// libxlsxwriter takes 0 as "no colour".
lxw_color_t libraryColor(QRgb rgb) {
  const lxw_color_t color = rgb & 0xFFFFFF;
  return color == 0 ? lxw_color_t(LXW_COLOR_BLACK) : color;
}

class XlsxSheetWriter final : public SpreadsheetWriter {
 public:
  bool WriteWorkbook(const Sheet& sheet, const QString& path) override;
  QString LastError() const override { return error_; }
  QStringList Notes() const override { return notes_; }

 private:
  bool fail(const QString& path, const QString& why) {
    error_ = QStringLiteral("Cannot write %1: %2").arg(native(path), why);
    return false;
  }
  // Writes the workbook into file; "" or the reason it could not.
  QString writeFile(const Sheet& sheet, const QString& file, const QString& scratchFolder);
  void writeFormats(const Sheet& sheet, lxw_workbook* workbook);
  void writeLayout(const Sheet& sheet, lxw_worksheet* ws);
  QString writeRows(const Sheet& sheet, lxw_worksheet* ws);
  QByteArray cellBytes(const QString& text, int row, int col);

  QString error_;
  QStringList notes_;
  std::vector<lxw_format*> formats_;
  QByteArray fontName_;
};

bool XlsxSheetWriter::WriteWorkbook(const Sheet& sheet, const QString& path) {
  error_.clear();
  notes_.clear();
  const QFileInfo target(path);
  const QString absolute = target.absoluteFilePath();
  if (sheet.rowCount > MaxRows)
    return fail(absolute, QStringLiteral("the list needs %1 rows, more than the %2 a worksheet holds.")
                              .arg(sheet.rowCount)
                              .arg(MaxRows));
  if (sheet.columnCount > MaxColumns)
    return fail(absolute, QStringLiteral("the list needs %1 columns, more than the %2 a worksheet holds.")
                              .arg(sheet.columnCount)
                              .arg(MaxColumns));
  if (sheet.rowCount > 0 && !sheet.rowCells)
    return fail(absolute, QStringLiteral("no cells were given."));

  const QDir folder = target.absoluteDir();
  if (!folder.exists())
    return fail(absolute, QStringLiteral("the folder %1 does not exist.").arg(native(folder.absolutePath())));
  if (target.isDir())
    return fail(absolute, QStringLiteral("a folder of that name is in the way."));
  // A file whose write permission is off for everyone is read-only, whoever we run as.
  constexpr auto anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
  if (target.exists() && !(target.permissions() & anyWrite))
    return fail(absolute, QStringLiteral("the file is read-only."));
  // The spreadsheet programs mark a workbook they have open with a lock file beside it.
  for (const QString& lock :
       {QStringLiteral(".~lock.") + target.fileName() + u'#', QStringLiteral("~$") + target.fileName()}) {
    if (QFileInfo::exists(folder.filePath(lock)))
      return fail(absolute,
                  QStringLiteral("the file is open in another program; close it there and try again."));
  }

  // The workbook is written under a name of its own and then renamed over the target, so the
  // target is either the old file or the complete new one.
  QTemporaryFile part(folder.filePath(target.fileName() + QStringLiteral(".XXXXXX")));
  part.setAutoRemove(false);
  if (!part.open())
    return fail(absolute, QStringLiteral("no file can be created in the folder %1 (%2).")
                              .arg(native(folder.absolutePath()), part.errorString()));
  const QString partPath = part.fileName();
  part.close();

  const QString problem = writeFile(sheet, partPath, folder.absolutePath());
  if (!problem.isEmpty()) {
    QFile::remove(partPath);
    return fail(absolute, problem);
  }
  QFile::setPermissions(partPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser |
                                      QFile::ReadGroup | QFile::ReadOther);
  if (std::rename(QFile::encodeName(partPath).constData(), QFile::encodeName(absolute).constData()) != 0) {
    const int why = errno;
    QFile::remove(partPath);
    return fail(absolute, QString::fromLocal8Bit(std::strerror(why)) + u'.');
  }
  return true;
}

QString XlsxSheetWriter::writeFile(const Sheet& sheet, const QString& file, const QString& scratchFolder) {
  const QByteArray fileName = QFile::encodeName(file);
  QByteArray scratch = QFile::encodeName(scratchFolder);
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  // The row data waits in scratch files until the workbook is packed; keeping them beside the
  // target means a full disk shows where the user writes, not in the system's temporary folder.
  options.tmpdir = scratch.data();
  errno = 0;
  lxw_workbook* workbook = workbook_new_opt(fileName.constData(), &options);
  if (!workbook)
    return QStringLiteral("no scratch file can be created in %1 (%2).")
        .arg(native(scratchFolder), QString::fromLocal8Bit(std::strerror(errno)));
  lxw_worksheet* ws = workbook_add_worksheet(workbook, nullptr);

  writeFormats(sheet, workbook);
  writeLayout(sheet, ws);
  QString problem;
  try {
    problem = writeRows(sheet, ws);
  } catch (const std::exception& e) {
    problem = QStringLiteral("the cells could not be read (%1).").arg(QString::fromUtf8(e.what()));
  } catch (...) {
    problem = QStringLiteral("the cells could not be read.");
  }
  // The columns beyond the sheet's own carry its format too. The library counts formatted
  // columns as used, and would then go through all 16,384 columns for every row it writes
  // and report them all as the sheet's extent: they are formatted once the rows are out, and
  // the extent is put back to the cells written.
  if (sheet.columnCount < MaxColumns) {
    const lxw_col_t usedUpTo = ws->dim_colmax;
    worksheet_set_column(ws, lxw_col_t(sheet.columnCount), lxw_col_t(MaxColumns - 1), LXW_DEF_COL_WIDTH,
                         formats_.front());
    ws->dim_colmax = usedUpTo;
  }
  errno = 0;
  const lxw_error closed = workbook_close(workbook);
  formats_.clear();
  if (problem.isEmpty() && closed != LXW_NO_ERROR) {
    problem = QString::fromUtf8(lxw_strerror(closed));
    if (errno != 0)
      problem += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
    problem += u'.';
  }
  return problem;
}

void XlsxSheetWriter::writeFormats(const Sheet& sheet, lxw_workbook* workbook) {
  fontName_ = sheet.fontName.toUtf8();
  formats_.clear();
  for (const sheet::CellFormat& f : sheet.formats) {
    lxw_format* format = workbook_add_format(workbook);
    format_set_font_name(format, fontName_.constData());
    format_set_font_size(format, f.fontSize);
    if (f.bold)
      format_set_bold(format);
    format_set_pattern(format, LXW_PATTERN_SOLID);
    format_set_bg_color(format, libraryColor(f.fill));
    format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
    if (f.hAlign == sheet::HAlign::Center)
      format_set_align(format, LXW_ALIGN_CENTER);
    if (f.borders & sheet::EdgeLeft)
      format_set_left(format, LXW_BORDER_THIN);
    if (f.borders & sheet::EdgeRight)
      format_set_right(format, LXW_BORDER_THIN);
    if (f.borders & sheet::EdgeTop)
      format_set_top(format, LXW_BORDER_THIN);
    if (f.borders & sheet::EdgeBottom)
      format_set_bottom(format, LXW_BORDER_THIN);
    formats_.push_back(format);
  }
  if (formats_.empty())
    formats_.push_back(workbook_add_format(workbook));
}

void XlsxSheetWriter::writeLayout(const Sheet& sheet, lxw_worksheet* ws) {
  lxw_format* own = formats_.front();
  for (int c = 0; c < sheet.columnCount; ++c) {
    const double width = c < int(sheet.columnWidths.size()) ? sheet.columnWidths[size_t(c)] : 0;
    const auto col = lxw_col_t(c);
    if (width > 0)
      worksheet_set_column_pixels(ws, col, col, uint32_t(width + 0.5), own);
    else
      worksheet_set_column(ws, col, col, LXW_DEF_COL_WIDTH, own);
  }
  worksheet_set_default_row(ws, sheet.defaultRowHeight, LXW_FALSE);

  const sheet::PageSetup& page = sheet.page;
  worksheet_set_paper(ws, uint8_t(page.paperSize));
  if (page.portrait)
    worksheet_set_portrait(ws);
  else
    worksheet_set_landscape(ws);
  if (page.centerHorizontally)
    worksheet_center_horizontally(ws);
  worksheet_set_margins(ws, page.left, page.right, page.top, page.bottom);
  lxw_header_footer_options header{};
  header.margin = page.header;
  worksheet_set_header_opt(ws, "", &header);
  lxw_header_footer_options footer{};
  footer.margin = page.footer;
  worksheet_set_footer_opt(ws, "", &footer);
  if (page.printTitleFirstRow >= 0)
    worksheet_repeat_rows(ws, lxw_row_t(page.printTitleFirstRow),
                          lxw_row_t(std::max(page.printTitleFirstRow, page.printTitleLastRow)));
  // Every cell holds text; numbers among them are meant as text (mobile numbers, codes).
  if (sheet.rowCount > 0 && sheet.columnCount > 0) {
    const QByteArray all =
        (QStringLiteral("A1:") + cellName(sheet.rowCount - 1, sheet.columnCount - 1)).toLatin1();
    worksheet_ignore_errors(ws, LXW_IGNORE_NUMBER_STORED_AS_TEXT, all.constData());
  }
}

QString XlsxSheetWriter::writeRows(const Sheet& sheet, lxw_worksheet* ws) {
  // Constant-memory mode writes each row once the next begins and refuses cells of rows
  // already written, so cells go strictly in row order. A merged range is declared once its
  // last row is current, with no text and no format, so that declaring it writes no cell.
  std::vector<size_t> mergeOrder(sheet.merges.size());
  std::iota(mergeOrder.begin(), mergeOrder.end(), size_t(0));
  std::stable_sort(mergeOrder.begin(), mergeOrder.end(),
                   [&](size_t a, size_t b) { return sheet.merges[a].lastRow < sheet.merges[b].lastRow; });
  size_t nextMerge = 0;
  size_t nextHeight = 0;
  const int formatCount = int(formats_.size());
  std::vector<sheet::Cell> cells(size_t(sheet.columnCount));
  std::string ascii;

  for (int r = 0; r < sheet.rowCount; ++r) {
    for (sheet::Cell& cell : cells) {
      cell.text.clear();
      cell.format = 0;
    }
    sheet.rowCells(r, cells);
    const auto row = lxw_row_t(r);
    while (nextHeight < sheet.rowHeights.size() && sheet.rowHeights[nextHeight].first < r) ++nextHeight;
    if (nextHeight < sheet.rowHeights.size() && sheet.rowHeights[nextHeight].first == r)
      worksheet_set_row(ws, row, sheet.rowHeights[nextHeight].second, nullptr);

    for (int c = 0; c < sheet.columnCount; ++c) {
      const sheet::Cell& cell = cells[size_t(c)];
      const int f = cell.format >= 0 && cell.format < formatCount ? cell.format : 0;
      lxw_error written = LXW_NO_ERROR;
      if (!cell.text.isEmpty()) {
        const char* text = plainAscii(cell.text, ascii) ? ascii.c_str() : nullptr;
        QByteArray bytes;
        if (!text) {
          bytes = cellBytes(cell.text, r, c);
          text = bytes.constData();
        }
        written = *text ? worksheet_write_string(ws, row, lxw_col_t(c), text, formats_[size_t(f)])
                        : worksheet_write_blank(ws, row, lxw_col_t(c), formats_[size_t(f)]);
      } else if (f != 0) {
        written = worksheet_write_blank(ws, row, lxw_col_t(c), formats_[size_t(f)]);
      }
      if (written != LXW_NO_ERROR)
        return QStringLiteral("cell %1 could not be written (%2).")
            .arg(cellName(r, c), QString::fromUtf8(lxw_strerror(written)));
    }

    for (; nextMerge < mergeOrder.size(); ++nextMerge) {
      const sheet::Range& m = sheet.merges[mergeOrder[nextMerge]];
      if (m.lastRow > r)
        break;
      if (m.lastRow < r || m.firstRow < 0 || m.firstCol < 0 || m.firstRow > m.lastRow ||
          m.firstCol > m.lastCol || m.lastCol >= sheet.columnCount)
        continue;
      worksheet_merge_range(ws, lxw_row_t(m.firstRow), lxw_col_t(m.firstCol), row, lxw_col_t(m.lastCol), "",
                            nullptr);
    }
  }
  // The library does not check the writes of its scratch file, so a full disk would pass
  // unnoticed there and leave a workbook with rows missing: the last row goes out now and the
  // file is checked before the workbook is packed.
  lxw_worksheet_write_single_row(ws);
  errno = 0;
  if (ws->optimize_tmpfile && (std::fflush(ws->optimize_tmpfile) != 0 || std::ferror(ws->optimize_tmpfile)))
    return QStringLiteral("the rows could not be written out (%1).")
        .arg(QString::fromLocal8Bit(std::strerror(errno ? errno : EIO)));
  return {};
}

QByteArray XlsxSheetWriter::cellBytes(const QString& text, int row, int col) {
  QString t = text;
  // A NUL cannot stand in the file at all.
  if (t.contains(QChar(u'\0')))
    t.remove(QChar(u'\0'));
  bool cut = false;
  if (t.size() > MaxCellText) {
    qsizetype keep = MaxCellText;
    if (t[keep - 1].isHighSurrogate())
      --keep;
    t.truncate(keep);
    cut = true;
  }
  if (t.contains(QStringLiteral("_x")))
    t = escapeLiteralEscapes(t);
  QByteArray bytes = t.toUtf8();
  // The library counts its limit in UTF-8 bytes, which a text outside ASCII reaches before
  // the character limit; the cut then falls on a character boundary.
  if (bytes.size() > MaxCellText) {
    qsizetype keep = MaxCellText;
    while (keep > 0 && (static_cast<unsigned char>(bytes[keep]) & 0xC0) == 0x80) --keep;
    bytes.truncate(keep);
    cut = true;
  }
  if (cut)
    notes_ << QStringLiteral("Cell %1: a text of %2 characters was cut to %3, as much as a cell holds.")
                  .arg(cellName(row, col))
                  .arg(text.size())
                  .arg(QString::fromUtf8(bytes).size());
  return bytes;
}

}  // namespace

std::shared_ptr<SpreadsheetWriter> makeSpreadsheetWriter() {
  return std::make_shared<XlsxSheetWriter>();
}

void registerSpreadsheetWriter() {
  ObjectRegistry::instance().registerFactory(QString::fromLatin1(SpreadsheetWriter::ProgId),
                                             [] { return makeSpreadsheetWriter(); });
}

}  // namespace kestrel
