#include "assign/batch_update.h"

#include "assign/assign_rules.h"
#include "assign/default_panel.h"
#include "entry/error_log.h"
#include "entry/interaction.h"
#include "entry/mod_it_main.h"
#include "platform/grid/flexgrid.h"
#include "register/edit_rules.h"
#include "register/register_layout.h"

#include <QLineEdit>

#include <climits>
#include <cmath>
#include <utility>

namespace kestrel {

namespace {
using col::NewEMail1;
using col::NewMobile1;
// Room left in a packet for the protocol's own bytes.
constexpr qsizetype PacketHeadroom = 1024;
}  // namespace

ValueListStatements::ValueListStatements(QString head, qsizetype maxBytes)
    : head_(std::move(head)), headBytes_(utf8Size(head_)), maxBytes_(maxBytes) {}

qsizetype ValueListStatements::utf8Size(QStringView text) {
  qsizetype bytes = 0;
  for (const QChar ch : text) {
    const char16_t u = ch.unicode();
    if (u < 0x80)
      bytes += 1;
    else if (u < 0x800 || ch.isSurrogate())
      bytes += 2;  // a surrogate pair makes 4 bytes, 2 for each half
    else
      bytes += 3;
  }
  return bytes;
}

void ValueListStatements::add(const QString& group) {
  const qsizetype bytes = utf8Size(group);
  if (!current_.isEmpty() && currentBytes_ + 1 + bytes > maxBytes_) {
    done_ << current_;
    current_.clear();
  }
  if (current_.isEmpty()) {
    current_ = head_ + group;
    currentBytes_ = headBytes_ + bytes;
  } else {
    current_ += QLatin1Char(',');
    current_ += group;
    currentBytes_ += 1 + bytes;
  }
}

QStringList ValueListStatements::finish() {
  if (!current_.isEmpty())
    done_ << std::exchange(current_, QString());
  currentBytes_ = 0;
  return std::exchange(done_, {});
}

qsizetype StatementSizeLimit() {
  qsizetype limit = SafeStatementBytes;
  // Only MariaDB and MySQL know this variable; any other store keeps the safe size.
  ignoreErrors([&] {
    std::unique_ptr<Recordset> rs;
    Base().RecordsetQuery(rs, QStringLiteral("SHOW VARIABLES LIKE 'max_allowed_packet'"), Base().DBObj(),
                          ado::adOpenForwardOnly, ado::adLockReadOnly);
    if (!rs->Eof()) {
      bool ok = false;
      const qint64 packet = rs->Text(u"Value").toLongLong(&ok);
      if (ok && packet > 2 * PacketHeadroom)
        limit = packet - PacketHeadroom;
    }
    rs->Close();
  });
  return limit;
}

QString SharedValueMessage(int column, const QString& value, int limit) {
  return QStringLiteral("you have assigned same ") +
         (column == NewMobile1 ? QStringLiteral("Mobile No.") : QStringLiteral("E-Mail")) + QLatin1Char('(') +
         value + QStringLiteral(") to more than ") + QString::number(limit) + QStringLiteral(" Parties ");
}

bool ValidateData(grid::FlexGrid& vsCL, int column, int limit) {
  return ValidateData(vsCL, column, limit, 0);
}

bool ValidateData(grid::FlexGrid& vsCL, int column, int limit, qsizetype maxStatementBytes) {
  ErrorTrap trap(u"frmKestrel", u"ValidateData");
  // Any failing statement makes the check fail, so the run does not start on a partial count.
  if (!trap([&] { Base().ConQuery(QStringLiteral("DELETE FROM ITRDet_Temp")); }) ||
      !trap([&] { Base().ConQuery(QStringLiteral("Flush Tables")); }))
    return false;

  QStringList inserts;
  const bool built = trap([&] {
    const grid::FlexGridModel& g = *vsCL.model();
    BaseComponent& base = Base();
    ValueListStatements statements(
        QStringLiteral("INSERT INTO ITRDet_Temp (Email_Mob, Code_No, PartyName)VALUES"),
        maxStatementBytes > 0 ? maxStatementBytes : StatementSizeLimit());
    const QString quoteComma = QStringLiteral("','");
    for (int row = FirstDataRow; row < g.Rows(); ++row) {
      const QString value = g.TextMatrix(row, column);
      if (value.trimmed().isEmpty() || !IsSelectedRow(g, row))
        continue;
      statements.add(QStringLiteral("('") + base.TruncVarSQL(value) + quoteComma +
                     base.TruncVarSQL(g.TextMatrix(row, col::PartyCode)) + quoteComma +
                     base.TruncVarSQL(g.TextMatrix(row, col::PartyName)) + QStringLiteral("')"));
    }
    inserts = statements.finish();
  });
  if (!built)
    return false;
  if (!inserts.isEmpty()) {
    for (const QString& insert : inserts)
      if (!trap([&] { Base().ConQuery(insert); }))
        return false;
    if (!trap([&] { Base().ConQuery(QStringLiteral("Flush Tables")); }))
      return false;
  }

  std::unique_ptr<Recordset> rs;
  if (!trap([&] {
        Base().RecordsetQuery(
            rs,
            QStringLiteral("SELECT Count(Code_No) as Cnt, Email_Mob FROM ITRDet_Temp GROUP BY "
                           "Email_Mob ORDER BY EMail_Mob"),
            Base().DBObj(), ado::adOpenForwardOnly, ado::adLockReadOnly);
      }))
    return false;

  QString overused;
  const bool walked = trap([&] {
    const int cntField = rs->FieldIndex(u"Cnt");
    const int valueField = rs->FieldIndex(u"Email_Mob");
    if (cntField < 0 || valueField < 0)
      (void)rs->Text(cntField < 0 ? u"Cnt" : u"Email_Mob");  // raises the missing-field error
    for (; !rs->Eof(); rs->MoveNext()) {
      if (rs->Text(cntField).toDouble() > limit) {
        overused = rs->Text(valueField);
        return;
      }
    }
  });
  trap([&] {
    if (rs->isOpen())
      rs->Close();
  });
  if (!walked)
    return false;
  if (overused.isNull())
    return true;

  ui().MsgBox(SharedValueMessage(column, overused, limit), Interaction::Icon::Information);
  trap([&] {
    vsCL.setCol(column);
    vsCL.setFocus();
  });
  return false;
}

bool validateform(grid::FlexGrid& vsCL) {
  ErrorTrap trap(u"frmKestrel", u"validateform");
  std::optional<IncompleteRow> incomplete;
  if (!trap([&] { incomplete = FindIncompleteRow(*vsCL.model()); }))
    return false;
  if (!incomplete)
    return true;
  ui().MsgBox(incomplete->message, Interaction::Icon::Information);
  trap([&] {
    vsCL.model()->setCurrentCell(incomplete->row, incomplete->col);
    vsCL.ShowCell(incomplete->row, incomplete->col);
    vsCL.setFocus();
  });
  return false;
}

std::optional<int> LimitValue(const QString& text) {
  const double value = LeadingNumber(text);
  if (!(value > 0))
    return std::nullopt;
  const double rounded = std::nearbyint(value);
  return rounded >= double(INT_MAX) ? INT_MAX : int(rounded);
}

void CmdProceed_Click(grid::FlexGrid& vsCL, DefaultPanel& panel,
                      const std::function<void(bool)>& loginToITR) {
  ErrorTrap trap(u"frmKestrel", u"CmdProceed_Click");
  if (!validateform(vsCL))
    return;
  if (const auto maxMobile = LimitValue(panel.TxtMaxMobile->text()))
    if (!ValidateData(vsCL, NewMobile1, *maxMobile))
      return;
  if (const auto maxEMail = LimitValue(panel.TxtMaxEMail->text()))
    if (!ValidateData(vsCL, NewEMail1, *maxEMail))
      return;
  trap([&] {
    if (loginToITR)
      loginToITR(true);
  });
}

}  // namespace kestrel
