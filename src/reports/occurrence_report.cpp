#include "reports/occurrence_report.h"

#include "entry/error_log.h"
#include "entry/mod_it_main.h"
#include "platform/grid/flexgrid_model.h"
#include "register/register_layout.h"
#include "store/suite_columns.h"
#include "store/value_list_statements.h"

#include <memory>

namespace kestrel {

namespace {

constexpr auto Window = u"frmKestrel";

bool isMobileColumn(int column) {
  return column == col::Software + col::Mobile1 || column == col::Login + col::Mobile1;
}

// The text cut to at most `limit` characters as the store counts them (a pair of surrogates is
// one character and is never split).
QString cutTo(const QString& text, int limit) {
  if (text.size() <= limit)
    return text;
  qsizetype end = 0;
  for (int n = 0; n < limit && end < text.size(); ++n) end += text.at(end).isHighSurrogate() ? 2 : 1;
  return text.left(end);
}

// The field's index; a field the record lacks raises the recordset's own error.
int requiredField(const Recordset& rs, QStringView name) {
  const int index = rs.FieldIndex(name);
  if (index < 0)
    (void)rs.Text(name);
  return index;
}

std::vector<OccurrenceRecord> readRecords(Recordset& rs, bool details) {
  std::vector<OccurrenceRecord> records;
  const int value = requiredField(rs, u"Email_Mob");
  const int first = requiredField(rs, details ? u"Code_No" : u"Cnt");
  const int second = details ? requiredField(rs, u"PartyName") : -1;
  for (; !rs.Eof(); rs.MoveNext()) {
    OccurrenceRecord r;
    r.value = rs.Text(value);
    if (details) {
      r.code = rs.Text(first);
      r.name = rs.Text(second);
    } else {
      r.count = rs.Text(first);
    }
    records.push_back(std::move(r));
  }
  return records;
}

}  // namespace

QString OccurrenceValueName(int column) {
  return isMobileColumn(column) ? QStringLiteral("Mobile") : QStringLiteral("E-Mail");
}

QString OccurrenceTitle(int column, bool details) {
  return details ? QStringLiteral("Party List According to ") + OccurrenceValueName(column)
                 : OccurrenceValueName(column) + QStringLiteral(" Occurance List");
}

void FormatDetailGrid(grid::FlexGridModel& g) {
  g.setCols(det::Columns);
  g.setRows(1);
  g.setFixedRows(1);
  const char* captions[det::Columns] = {"SNo", "E-Mail", "No. of Occurance", "Party Code", "Party  Name"};
  for (int c = 0; c < det::Columns; ++c) {
    g.setTextMatrix(0, c, QString::fromLatin1(captions[c]));
    g.setFixedAlignment(c, grid::flexAlignCenterCenter);
  }
  g.setColAlignment(det::SNo, grid::flexAlignCenterCenter);
  g.setColAlignment(det::Count, grid::flexAlignCenterCenter);
  g.setColHidden(det::PartyCode, true);
  g.setColHidden(det::PartyName, true);
}

QStringList OccurrenceInserts(const grid::FlexGridModel& g, int column, const BaseComponent& base,
                              qsizetype maxBytes) {
  ValueListStatements statements(
      QStringLiteral("INSERT INTO ITRDet_Temp (Email_Mob, Code_No, PartyName)VALUES"), maxBytes);
  const QString quoteComma = QStringLiteral("','");
  const QString open = QStringLiteral("('");
  const QString close = QStringLiteral("')");
  for (int row = FirstDataRow; row < g.Rows(); ++row) {
    const QString value = g.TextMatrix(row, column);
    if (value.trimmed().isEmpty())
      continue;
    statements.add(
        open + base.TruncVarSQL(cutTo(value, suite_columns::ScratchValue)) + quoteComma +
        base.TruncVarSQL(cutTo(g.TextMatrix(row, col::PartyCode), suite_columns::ScratchCode)) + quoteComma +
        base.TruncVarSQL(cutTo(g.TextMatrix(row, col::PartyName), suite_columns::ScratchName)) + close);
  }
  return statements.finish();
}

int FillOccurrenceGrid(grid::FlexGridModel& g, const std::vector<OccurrenceRecord>& records, bool details,
                       int column) {
  const grid::RedrawPause pause(g);
  g.setRows(1);
  g.setTextMatrix(0, det::Value, OccurrenceValueName(column));
  g.setColHidden(det::PartyCode, !details);
  g.setColHidden(det::PartyName, !details);
  // With details each group shows its number, value and count once. Merging is restricted to
  // cells whose left neighbours merge too, so that equal counts of two groups stay apart.
  g.setMergeCells(details ? grid::flexMergeRestrictColumns : grid::flexMergeNever);
  for (int c : {det::SNo, det::Value, det::Count}) g.setMergeCol(c, details);
  g.setRows(1 + int(records.size()));

  int group = 0;
  for (size_t first = 0; first < records.size();) {
    const QString value = records[first].value.trimmed();
    size_t end = first + 1;
    while (end < records.size() && records[end].value.trimmed() == value) ++end;
    ++group;
    const QString number = QString::number(group);
    const QString count = details ? QString::number(end - first) : records[end - 1].count;
    for (size_t i = first; i < end; ++i) {
      const int row = 1 + int(i);
      g.setTextMatrix(row, det::SNo, number);
      g.setTextMatrix(row, det::Value, value);
      g.setTextMatrix(row, det::Count, count);
      if (details) {
        g.setTextMatrix(row, det::PartyCode, records[i].code);
        g.setTextMatrix(row, det::PartyName, records[i].name);
      }
    }
    g.setCellBackColor(1 + int(first), det::Value, int(end), det::PartyName,
                       group % 2 ? OddGroupBack : EvenGroupBack);
    first = end;
  }
  g.AutoSize(0, g.Cols() - 1);
  return group;
}

QString AssignedDet(const grid::FlexGridModel& clients, int column, bool details, grid::FlexGridModel& VSDet,
                    qsizetype maxStatementBytes) {
  ErrorTrap trap(Window, u"AssignedDet");
  const QString title = OccurrenceTitle(column, details);
  std::vector<OccurrenceRecord> records;
  if (BaseComponent* base = trap.value([] { return &Base(); }, static_cast<BaseComponent*>(nullptr))) {
    const QStringList inserts = trap.value(
        [&] {
          return OccurrenceInserts(clients, column, *base,
                                   maxStatementBytes > 0 ? maxStatementBytes : StatementSizeLimit(*base));
        },
        QStringList());
    trap([&] { base->ConQuery(QStringLiteral("DELETE FROM ITRDet_Temp")); });
    trap([&] { base->ConQuery(QStringLiteral("Flush Tables")); });
    if (!inserts.isEmpty()) {
      for (const QString& insert : inserts) trap([&] { base->ConQuery(insert); });
      trap([&] { base->ConQuery(QStringLiteral("Flush Tables")); });
    }
    const QString query = details ? QStringLiteral("SELECT * FROM ITRDet_Temp ORDER BY EMail_Mob, Code_No")
                                  : QStringLiteral(
                                        "SELECT Count(Code_No) as Cnt, Email_Mob FROM ITRDet_Temp GROUP BY "
                                        "Email_Mob ORDER BY EMail_Mob");
    std::unique_ptr<Recordset> rs;
    if (trap([&] {
          base->RecordsetQuery(rs, query, base->DBObj(), ado::adOpenForwardOnly, ado::adLockReadOnly);
        })) {
      trap([&] { records = readRecords(*rs, details); });
      trap([&] {
        if (rs->isOpen())
          rs->Close();
      });
    }
  }
  trap([&] { FillOccurrenceGrid(VSDet, records, details, column); });
  return title;
}

}  // namespace kestrel
