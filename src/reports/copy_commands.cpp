#include "reports/copy_commands.h"

#include "assign/assign_rules.h"
#include "entry/error_log.h"
#include "entry/interaction.h"
#include "entry/mod_it_main.h"
#include "platform/grid/flexgrid_model.h"
#include "portal/portal_rules.h"
#include "register/register_layout.h"
#include "reports/wait_cursor.h"
#include "store/suite_columns.h"

namespace kestrel {

namespace {

constexpr auto Window = u"frmKestrel";
// How many rows a message names before it only counts the rest.
constexpr int NamedRows = 20;

QString flushTables() {
  return QStringLiteral("Flush Tables");
}

// Characters as the store counts them: a character outside the basic plane is one, not two.
qsizetype characters(QStringView text) {
  qsizetype n = text.size();
  for (const QChar ch : text) n -= ch.isLowSurrogate() ? 1 : 0;
  return n;
}

bool isLostConnection(const ErrObject& err) {
  return err.Number == errnum::DatabaseFailure && err.Description == QLatin1String(LostConnectionText);
}

// A selected row whose last portal run ended in a successful login.
bool loggedIn(const grid::FlexGridModel& g, int row) {
  return IsSelectedRow(g, row) &&
         g.TextMatrix(row, col::ImportLogs).trimmed() == QLatin1String(outcome::LoginSuccess);
}

// Sends one row's changes, each followed by "Flush Tables". A change that finds the connection
// lost (shown to the user by the trap) is sent once more: the base component reconnects on the
// next call, and the changes set values outright, so a second sending alters nothing else.
// The row stops at a change that fails for good, so that the ones after it do not write half a
// row; a failing "Flush Tables" is only logged.
bool sendRow(ErrorTrap& trap, BaseComponent& base, const QStringList& changes) {
  for (const QString& sql : changes) {
    bool sent = trap([&] { base.ConQuery(sql); });
    if (!sent && isLostConnection(trap.lastError()))
      sent = trap([&] { base.ConQuery(sql); });
    if (!sent)
      return false;
    trap([&] { base.ConQuery(flushTables()); });
  }
  return true;
}

QString rowsLeftOut(const QString& reason, const QStringList& rows) {
  QString text = reason + QStringLiteral("\n\n") + rows.mid(0, NamedRows).join(QLatin1Char('\n'));
  if (rows.size() > NamedRows)
    text += QStringLiteral("\n... and %1 more").arg(rows.size() - NamedRows);
  return text;
}

// The closing messages of a command that wrote to the suite.
void tellOutcome(const SuiteCopy& copy, const QString& tooLongReason) {
  if (!copy.tooLong.isEmpty())
    ui().MsgBox(rowsLeftOut(tooLongReason, copy.tooLong), Interaction::Icon::Exclamation);
  ui().MsgBox(QString::fromLatin1(DataUpdatedMessage), Interaction::Icon::Information);
}

}  // namespace

int CopyGroupToChange(grid::FlexGridModel& g, CopySource source) {
  const bool software = source == CopySource::Software;
  ErrorTrap trap(Window, software ? u"MnuCopySw_Click" : u"MnuCopyLogin_Click");
  const int from = software ? col::Software : col::Login;
  int copied = 0;
  trap([&] {
    const grid::RedrawPause pause(g);
    for (int row = FirstDataRow; row < g.Rows(); ++row) {
      if (!IsSelectedRow(g, row))
        continue;
      for (int i = 0; i < 10; ++i) g.setTextMatrix(row, col::Change + i, g.TextMatrix(row, from + i));
      ++copied;
    }
  });
  trap([&] { g.AutoSize(0, g.Cols() - 1); });
  return copied;
}

NameParts SplitPortalName(const QString& name) {
  const QString whole = name.trimmed();
  const qsizetype firstBlank = whole.indexOf(QLatin1Char(' '));
  if (firstBlank < 0)
    return {whole, {}, {}};
  const QString rest = whole.mid(firstBlank + 1).trimmed();
  const qsizetype lastBlank = rest.lastIndexOf(QLatin1Char(' '));
  if (lastBlank < 0)
    return {whole.left(firstBlank), {}, rest};
  return {whole.left(firstBlank), rest.left(lastBlank), rest.mid(lastBlank + 1)};
}

QString LoginSecondaryDetails(const grid::FlexGridModel& g, int row) {
  const auto cell = [&](int offset) { return g.TextMatrix(row, col::Login + offset); };
  const QString nonResident = cell(col::NonResident);
  QString residency;
  if (nonResident == u"No")
    residency = QStringLiteral("R");
  else if (nonResident == u"Yes")
    residency = QStringLiteral("NR");
  const QStringList fields = {QString(),
                              QString(),
                              QString(),
                              QString(),
                              residency,
                              cell(col::Mobile1Rel),
                              cell(col::EMail1Rel),
                              cell(col::Mobile2Rel),
                              cell(col::EMail2Rel),
                              cell(col::Isd)};
  QString text = fields.join(QLatin1Char('|'));
  if (text.count(QLatin1Char('|')) == text.size())
    text.clear();
  return text;
}

SuiteCopy CopyLoginNamesToSuite(grid::FlexGridModel& g) {
  ErrorTrap trap(Window, u"MnuCopyLoginToSw_Click");
  SuiteCopy copy;
  if (!ui().AskYesNo(QString::fromLatin1(CopyNamesQuestion)))
    return copy;
  copy.confirmed = true;
  WaitCursor wait;
  if (BaseComponent* base = trap.value([] { return &Base(); }, static_cast<BaseComponent*>(nullptr))) {
    for (int row = FirstDataRow; row < g.Rows(); ++row) {
      const QString name = g.TextMatrix(row, col::LoginName);
      if (!loggedIn(g, row) || name.trimmed().isEmpty())
        continue;
      const QString code = g.TextMatrix(row, col::PartyCode);
      const NameParts parts = SplitPortalName(name);
      // A name longer than the suite's columns would be refused by the server (or cut by a
      // lenient one), after the grid had taken it: the client is left as it is and named.
      if (characters(parts.first) > suite_columns::OwnerFirstName ||
          characters(parts.middle) > suite_columns::OwnerMiddleName ||
          characters(parts.last) > suite_columns::OwnerLastName ||
          characters(name) > suite_columns::MainInfoName) {
        copy.tooLong << code + QStringLiteral("  ") + name.trimmed();
        continue;
      }
      QStringList changes;
      const bool built = trap([&] {
        const auto q = [&](const QString& value) { return base->TruncVarSQL(value); };
        changes << QStringLiteral("UPDATE Owner1 SET f_nm='") + q(parts.first) + QStringLiteral("', m_nm='") +
                       q(parts.middle) + QStringLiteral("', l_nm='") + q(parts.last) +
                       QStringLiteral("' WHERE Code='") + q(code) + QLatin1Char('\'')
                << QStringLiteral("UPDATE Main_Info1 SET Nm='") + q(name) +
                       QStringLiteral("' WHERE Code_No='") + q(code) + QLatin1Char('\'');
      });
      if (built && sendRow(trap, *base, changes)) {
        g.setTextMatrix(row, col::PartyName, name);
        ++copy.updated;
      } else {
        ++copy.failed;
      }
    }
    trap([&] { base->ConQuery(QStringLiteral("delete from tempcltbl")); });
    trap([&] { base->ConQuery(flushTables()); });
    trap([&] { base->RefreshClList(); });
  }
  wait.restore();
  tellOutcome(copy, QStringLiteral("The portal's name of these clients is longer than the software holds "
                                   "(first, middle and last name %1 characters each, the whole name %2), "
                                   "so their names were left as they are:")
                        .arg(suite_columns::OwnerFirstName)
                        .arg(suite_columns::MainInfoName));
  return copy;
}

SuiteCopy CopyLoginContactsToSuite(grid::FlexGridModel& g) {
  ErrorTrap trap(Window, u"MnuCopyLoginToSwMoEml_Click");
  SuiteCopy copy;
  if (!ui().AskYesNo(QString::fromLatin1(CopyContactsQuestion)))
    return copy;
  copy.confirmed = true;
  WaitCursor wait;
  if (BaseComponent* base = trap.value([] { return &Base(); }, static_cast<BaseComponent*>(nullptr))) {
    const grid::RedrawPause pause(g);
    for (int row = FirstDataRow; row < g.Rows(); ++row) {
      const QString mobile1 = g.TextMatrix(row, col::Login + col::Mobile1);
      const QString eMail1 = g.TextMatrix(row, col::Login + col::EMail1);
      if (!loggedIn(g, row) || mobile1.trimmed().isEmpty() || eMail1.trimmed().isEmpty())
        continue;
      const QString code = g.TextMatrix(row, col::PartyCode);
      ContactGroup login;
      for (int i = 0; i < 10; ++i) login[size_t(i)] = g.TextMatrix(row, col::Login + i);
      if (characters(mobile1) > suite_columns::PrimaryMobile ||
          characters(login[col::Mobile2]) > suite_columns::SecondaryMobile ||
          characters(eMail1) > suite_columns::PrimaryEMail) {
        copy.tooLong << code + QStringLiteral("  ") + mobile1 + QStringLiteral("  ") + eMail1;
        continue;
      }
      const QString secDet = LoginSecondaryDetails(g, row);
      QString change;
      const bool built =
          trap([&] { change = RegistrationUpdateSql(*base, code, RegistrationValuesOf(login, secDet)); });
      // The grid follows only a row the suite took, so both show the same.
      if (built && sendRow(trap, *base, {change})) {
        g.setTextMatrix(row, col::SecDet, secDet);
        for (int i = 0; i < 10; ++i) g.setTextMatrix(row, col::Software + i, login[size_t(i)]);
        ++copy.updated;
      } else {
        ++copy.failed;
      }
    }
  }
  wait.restore();
  tellOutcome(copy, QStringLiteral("The portal's mobile or e-mail of these clients is longer than the "
                                   "software holds (mobile %1 characters, e-mail %2), so their details "
                                   "were left as they are:")
                        .arg(suite_columns::PrimaryMobile)
                        .arg(suite_columns::PrimaryEMail));
  return copy;
}

}  // namespace kestrel
