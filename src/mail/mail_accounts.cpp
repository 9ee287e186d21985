#include "mail/mail_accounts.h"

#include "platform/grid/flexgrid_model.h"
#include "register/edit_rules.h"
#include "support/email_validation.h"

#include <limits>

namespace kestrel::mail {

using grid::FlexGridModel;

namespace {

constexpr const char* Captions[vsemail::Count] = {"ID", "Email", "Password", "SMTP", "PORT", "SSL"};

int wholeNumber(QStringView text) {
  const double value = LeadingNumber(text);
  if (value >= std::numeric_limits<int>::max())
    return std::numeric_limits<int>::max();
  if (value <= std::numeric_limits<int>::min())
    return std::numeric_limits<int>::min();
  return int(value);
}

void addRow(FlexGridModel& g, const StoredAccount& a) {
  const int row = g.Rows();
  g.setRows(row + 1);
  const QString cells[vsemail::Count] = {a.id, a.email, a.password, a.smtp, a.port, a.ssl};
  for (int c = 0; c < vsemail::Count; ++c) g.setTextMatrix(row, c, cells[c]);
}

}  // namespace

void FormatAccountGrid(FlexGridModel& g) {
  const grid::RedrawPause pause(g);
  g.setCols(vsemail::Count);
  g.setRows(1);
  g.setFixedRows(1);
  g.setFixedCols(0);
  for (int c = 0; c < vsemail::Count; ++c) g.setTextMatrix(0, c, QString::fromLatin1(Captions[c]));
}

std::vector<AccountEntry> FillAccounts(FlexGridModel& g, const std::vector<StoredAccount>& stored,
                                       const QString& domain, int domainId,
                                       const std::vector<DomainMailbox>& users) {
  const grid::RedrawPause pause(g);
  g.setRows(vsemail::FirstRow);
  std::vector<AccountEntry> entries{{QString::fromLatin1(CreateNewEntry), -1}};
  for (const StoredAccount& a : stored) {
    addRow(g, a);
    entries.push_back({a.email, wholeNumber(a.id)});
  }
  if (domain.isEmpty() || domainId < 1)
    return entries;
  for (const DomainMailbox& u : users) {
    if (u.userId < 1 || FindAccountRow(g, u.name.trimmed() + QLatin1Char('@') + domain) >= 0)
      continue;
    const QString address = u.name + QLatin1Char('@') + domain;
    addRow(g, {QStringLiteral("-1"), address, u.password, {}, {}, QStringLiteral("0")});
    entries.push_back({address, -1});
  }
  return entries;
}

int FindAccountRow(const FlexGridModel& g, const QString& address) {
  for (int r = vsemail::FirstRow; r < g.Rows(); ++r)
    if (g.TextMatrix(r, vsemail::Email) == address)
      return r;
  return -1;
}

int FindAccountRowById(const FlexGridModel& g, int id) {
  for (int r = vsemail::FirstRow; r < g.Rows(); ++r)
    if (wholeNumber(g.TextMatrix(r, vsemail::Id)) == id)
      return r;
  return -1;
}

std::optional<AccountRefusal> CheckAccount(const AccountForm& form) {
  const QString address = form.address.trimmed();
  if (address.isEmpty())
    return AccountRefusal{QString::fromLatin1(NoAddressMessage), AccountField::Address};
  if (!ValidateEmail(address))
    return AccountRefusal{EmailValidationMessage(), AccountField::Address};
  if (form.password.trimmed().isEmpty())
    return AccountRefusal{QString::fromLatin1(BlankPasswordMessage), AccountField::Password};
  if (form.host.trimmed().isEmpty())
    return AccountRefusal{QString::fromLatin1(NoHostMessage), AccountField::Host};
  if (form.port.trimmed().isEmpty())
    return AccountRefusal{QString::fromLatin1(NoPortMessage), AccountField::Port};
  return std::nullopt;
}

int PortNumber(const QString& text) {
  return wholeNumber(text);
}

InboxAccount AccountOfRow(const FlexGridModel& g, int row) {
  return {g.TextMatrix(row, vsemail::Email), g.TextMatrix(row, vsemail::Password),
          g.TextMatrix(row, vsemail::Smtp), wholeNumber(g.TextMatrix(row, vsemail::Port)),
          wholeNumber(g.TextMatrix(row, vsemail::Ssl)) == 1};
}

}  // namespace kestrel::mail
