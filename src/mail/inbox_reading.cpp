#include "mail/inbox_reading.h"

#include "entry/error_log.h"
#include "entry/interaction.h"
#include "mail/client_grid.h"
#include "mail/mailbox_reader.h"
#include "platform/grid/flexgrid_model.h"
#include "register/edit_rules.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>

#include <algorithm>

namespace kestrel::mail {

using grid::FlexGridModel;

namespace {

constexpr const char* Captions[vsinbox::Count] = {"S.No.", "From", "To", "Subject", "Date", ""};
constexpr const char* HtmlBodyFile = "KOVMailMsg.htm";
constexpr const char* TextBodyFile = "KOVMailMsg.txt";
constexpr const char* AttachmentListFile = "KOVMailAttch.csv";
constexpr const char* NoAttachment = "KOV_BLANK";

// A name from the attachment list that names a file of the folder itself.
bool staysInFolder(const QString& name) {
  return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
         !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar());
}

struct GridRow {
  QString cells[vsinbox::Count];
  bool hidden = false;
};

}  // namespace

void FormatInboxGrid(FlexGridModel& g) {
  const grid::RedrawPause pause(g);
  g.setCols(vsinbox::Count);
  g.setRows(1);
  g.setFixedRows(1);
  g.setFixedCols(0);
  for (int c = 0; c < vsinbox::Count; ++c) {
    g.setTextMatrix(0, c, QString::fromLatin1(Captions[c]));
    g.setColAlignment(c, c == vsinbox::SerialNo ? grid::flexAlignRightCenter : grid::flexAlignLeftCenter);
  }
  g.setColHidden(vsinbox::Number, true);
  g.setEditable(grid::flexEDNone);
  g.setSelectionMode(grid::flexSelectionByRow);
  g.AutoSize(0, vsinbox::Date);
}

int MessageNumberOfRow(const FlexGridModel& g, int row) {
  if (row < vsinbox::FirstRow || row >= g.Rows())
    return 0;
  return int(LeadingNumber(g.TextMatrix(row, vsinbox::Number)));
}

QString ScratchFolder(const QString& tmpPath) {
  return tmpPath + QStringLiteral("KOVMailInbox");
}

QString MessageFolder(const QString& scratch, int messageNumber) {
  return scratch + QDir::separator() + QString::number(messageNumber) + QStringLiteral("_Body");
}

bool RenewScratchFolder(const QString& scratch) {
  const QFileInfo info(scratch);
  if (info.isSymLink() || (info.exists() && !info.isDir())) {
    QFile::remove(scratch);
  } else if (info.exists()) {
    // The last reading may have left thousands of message folders: they are moved aside at once
    // and deleted off the window's thread, so the window stays responsive. A move that fails
    // (another file system, say) deletes them here.
    const QString aside =
        scratch + QStringLiteral(".old-") + QString::number(QDateTime::currentMSecsSinceEpoch(), 36);
    if (QDir().rename(scratch, aside))
      QThreadPool::globalInstance()->start([aside] { QDir(aside).removeRecursively(); });
    else
      QDir(scratch).removeRecursively();
  }
  return QDir().mkpath(scratch);
}

void ReadMailbox(MailboxReader& reader, const InboxAccount& account, FlexGridModel& g, const QString& scratch,
                 const InboxReadingHooks& hooks) {
  ErrorTrap trap(MailWindowName, u"CheckforMails");
  const QString title = QString::fromLatin1(ConnectTitle);
  const QString answer = trap.value(
      [&] {
        return reader.ConnectToMB(QStringLiteral("OP"), account.host, account.port, account.ssl,
                                  account.address, account.password);
      },
      QString());
  if (answer.startsWith(QLatin1String("ERROR:"))) {
    ui().MsgBox(QString::fromLatin1(ConnectErrorPrefix) + answer.mid(6), Interaction::Icon::Information,
                title);
    return;
  }
  if (!answer.startsWith(QLatin1String("TOTALMSGS:"))) {
    ui().MsgBox(answer, Interaction::Icon::Information, title);
    trap([&] { reader.CloseMB(); });
    return;
  }
  const int total = int(std::min(LeadingNumber(QStringView(answer).mid(10)), 1e9));
  if (total <= 0) {
    ui().MsgBox(QString::fromLatin1(NoMailMessage), Interaction::Icon::Information);
    trap([&] { reader.CloseMB(); });
    return;
  }

  if (!RenewScratchFolder(scratch))
    trap([&] {
      throw RuntimeError(errnum::PathFileAccess, QStringLiteral("Path/File access error"), scratch);
    });
  hooks.opened(total);
  int done = 0;
  for (int n = total; n >= 1; --n) {
    if (hooks.stopped())
      break;
    const QString header = trap.value([&] { return reader.GetMHI(n); }, QString());
    const QStringList fields = header.split(QLatin1Char('|'));
    if (header.isEmpty() || fields.size() != 5) {
      hooks.messageDone(++done);
      continue;
    }
    hooks.yield();
    const int row = g.Rows();
    trap([&] {
      g.setRows(row + 1);
      g.setTextMatrix(row, vsinbox::SerialNo, QString::number(row));
      for (int c = vsinbox::From; c <= vsinbox::Date; ++c) g.setTextMatrix(row, c, fields[c]);
      g.setTextMatrix(row, vsinbox::Number, QString::number(n));
    });
    if (hooks.stopped()) {
      trap([&] { g.setRows(row); });
      break;
    }
    hooks.yield();
    const QString result =
        trap.value([&] { return reader.GetMessage(n, MessageFolder(scratch, n)); }, QStringLiteral("?"));
    if (!result.isEmpty()) {
      ui().MsgBox(result, Interaction::Icon::Information);
      trap([&] { g.setRows(row); });
    }
    hooks.messageDone(++done);
  }
  trap([&] { reader.CloseMB(); });
}

MessageContent ReadMessageFolder(const QString& folder) {
  MessageContent content;
  if (!QFileInfo(folder).isDir())
    return content;
  for (const char* name : {HtmlBodyFile, TextBodyFile}) {
    if (QFileInfo::exists(folder + QLatin1String(name))) {
      content.bodyFile = folder + QLatin1String(name);
      content.html = name == HtmlBodyFile;
      break;
    }
  }
  QFile list(folder + QLatin1String(AttachmentListFile));
  if (!list.open(QIODevice::ReadOnly | QIODevice::Text))
    return content;
  while (!list.atEnd()) {
    const QString line = QString::fromUtf8(list.readLine()).trimmed();
    const QStringList fields = AttachmentListFields(line);
    if (fields.size() < 2 || fields[1] == QLatin1String(NoAttachment) || !staysInFolder(fields[1]))
      continue;
    content.attachmentNames << fields[1];
    content.attachmentPaths << folder + fields[1];
  }
  return content;
}

QStringList AttachmentListFields(QStringView line) {
  QStringList fields;
  if (line.trimmed().isEmpty())
    return fields;
  qsizetype i = 0;
  while (true) {
    while (i < line.size() && line[i] == QLatin1Char(' ')) ++i;
    QString field;
    if (i < line.size() && line[i] == QLatin1Char('"')) {
      for (++i; i < line.size(); ++i) {
        if (line[i] != QLatin1Char('"')) {
          field += line[i];
        } else if (i + 1 < line.size() && line[i + 1] == QLatin1Char('"')) {
          field += QLatin1Char('"');
          ++i;
        } else {
          ++i;
          break;
        }
      }
      while (i < line.size() && line[i] != QLatin1Char(',')) ++i;
    } else {
      const qsizetype comma = line.indexOf(QLatin1Char(','), i);
      const qsizetype end = comma < 0 ? line.size() : comma;
      field = line.mid(i, end - i).trimmed().toString();
      i = end;
    }
    fields << field;
    if (i >= line.size())
      return fields;
    ++i;  // the comma
  }
}

void SearchMessages(FlexGridModel& g, int column, const QString& text) {
  const grid::RedrawPause pause(g);
  const QString needle = text.toUpper();
  const bool filter = !needle.isEmpty() && column >= vsinbox::From && column <= vsinbox::Date;
  for (int r = vsinbox::FirstRow; r < g.Rows(); ++r)
    g.setRowHidden(r, filter && !g.TextMatrix(r, column).toUpper().contains(needle));
  ReIndexing(g);
}

void SortMessages(FlexGridModel& g, int column, bool ascending) {
  if (column < vsinbox::From || column > vsinbox::Date)
    return;
  const grid::RedrawPause pause(g);
  std::vector<GridRow> rows;
  for (int r = vsinbox::FirstRow; r < g.Rows(); ++r) {
    GridRow row;
    for (int c = 0; c < vsinbox::Count; ++c) row.cells[c] = g.TextMatrix(r, c);
    row.hidden = g.RowHidden(r);
    rows.push_back(std::move(row));
  }
  const auto order = [&](const GridRow& a, const GridRow& b) {
    const QString& x = a.cells[column];
    const QString& y = b.cells[column];
    if (column == vsinbox::Date) {
      const QDateTime dx = QDateTime::fromString(x, Qt::RFC2822Date);
      const QDateTime dy = QDateTime::fromString(y, Qt::RFC2822Date);
      if (dx.isValid() && dy.isValid())
        return dx < dy;
      if (dx.isValid() != dy.isValid())
        return dx.isValid();  // dates that read as times come before those that do not
    }
    return x.compare(y, Qt::CaseInsensitive) < 0;
  };
  if (ascending)
    std::stable_sort(rows.begin(), rows.end(), order);
  else
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const GridRow& a, const GridRow& b) { return order(b, a); });
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int r = vsinbox::FirstRow + int(i);
    for (int c = 0; c < vsinbox::Count; ++c) g.setTextMatrix(r, c, rows[i].cells[c]);
    g.setRowHidden(r, rows[i].hidden);
  }
  ReIndexing(g);
}

}  // namespace kestrel::mail
