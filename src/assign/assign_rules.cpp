#include "assign/assign_rules.h"

#include "platform/grid/flexgrid_model.h"
#include "register/edit_rules.h"
#include "register/register_layout.h"

namespace kestrel {

namespace {
using col::NewEMail1;
using col::NewEMail1Rel;
using col::NewEMail2;
using col::NewEMail2Rel;
using col::NewIsd;
using col::NewMobile1;
using col::NewMobile1Rel;
using col::NewMobile2;
using col::NewMobile2Rel;
using col::NewResidency;

QString trimmedCell(const grid::FlexGridModel& g, int row, int c) {
  return g.TextMatrix(row, c).trimmed();
}

// A relation cell counts as given when it spells a code above zero.
bool relationGiven(const grid::FlexGridModel& g, int row, int c) {
  return LeadingNumber(g.TextMatrix(row, c)) > 0;
}
}  // namespace

bool IsSelectedRow(const grid::FlexGridModel& vsCL, int row) {
  return row >= FirstDataRow && !vsCL.RowHidden(row) && vsCL.CellChecked(row, col::SrNo) == grid::flexChecked;
}

std::optional<PanelRefusal> CheckDefaultChoices(const DefaultChoices& c) {
  const QString priMobile = c.primaryMobile.trimmed();
  const QString priEMail = c.primaryEMail.trimmed();
  if (priMobile.isEmpty() && !c.useClientMobile)
    return PanelRefusal{QString::fromLatin1(PrimaryMobileBlankMessage), PanelField::PrimaryMobile};
  if (priEMail.isEmpty() && !c.fetchAlias)
    return PanelRefusal{QString::fromLatin1(PrimaryEMailBlankMessage), PanelField::PrimaryEMail};
  if (!priMobile.isEmpty() && priMobile == c.secondaryMobile.trimmed())
    return PanelRefusal{QString::fromLatin1(SameMobileMessage), PanelField::SecondaryMobile};
  if (!priEMail.isEmpty() && priEMail == c.secondaryEMail.trimmed())
    return PanelRefusal{QString::fromLatin1(SameEMailMessage), PanelField::SecondaryEMail};
  return std::nullopt;
}

void AssignDefaultsToRow(grid::FlexGridModel& g, int row, const DefaultChoices& t) {
  g.setTextMatrix(row, NewMobile1, t.useClientMobile ? g.TextMatrix(row, col::PartyMobile) : t.primaryMobile);
  if (!t.relation[0].isEmpty())
    g.setTextMatrix(row, NewMobile1Rel, t.relation[0]);
  // With the alias option the primary e-mail comes from the mail setup afterwards.
  if (!t.fetchAlias)
    g.setTextMatrix(row, NewEMail1, t.primaryEMail);
  if (!t.relation[1].isEmpty())
    g.setTextMatrix(row, NewEMail1Rel, t.relation[1]);
  g.setTextMatrix(row, NewMobile2, t.secondaryMobile);
  if (!t.relation[2].isEmpty())
    g.setTextMatrix(row, NewMobile2Rel, t.relation[2]);
  g.setTextMatrix(row, NewEMail2, t.secondaryEMail);
  if (!t.relation[3].isEmpty())
    g.setTextMatrix(row, NewEMail2Rel, t.relation[3]);
}

int AssignDefaults(grid::FlexGridModel& g, const DefaultChoices& choices) {
  DefaultChoices trimmed = choices;
  trimmed.primaryMobile = choices.primaryMobile.trimmed();
  trimmed.primaryEMail = choices.primaryEMail.trimmed();
  trimmed.secondaryMobile = choices.secondaryMobile.trimmed();
  trimmed.secondaryEMail = choices.secondaryEMail.trimmed();

  const RedrawPause pause(g);
  int assigned = 0;
  for (int row = FirstDataRow; row < g.Rows(); ++row) {
    if (!IsSelectedRow(g, row))
      continue;
    AssignDefaultsToRow(g, row, trimmed);
    ++assigned;
  }
  return assigned;
}

std::optional<IncompleteRow> FindIncompleteRow(const grid::FlexGridModel& g) {
  auto refuse = [](int row, int c, const char* message) {
    return IncompleteRow{row, c, QString::fromLatin1(message)};
  };
  for (int row = FirstDataRow; row < g.Rows(); ++row) {
    if (!IsSelectedRow(g, row))
      continue;
    if (g.TextMatrix(row, NewResidency) == u"Yes" && trimmedCell(g, row, NewIsd).isEmpty())
      return refuse(row, NewIsd, "ISD cannot be blank");
    if (trimmedCell(g, row, NewMobile1).isEmpty())
      return refuse(row, NewMobile1, "Primary Mobile cannot be blank");
    if (!relationGiven(g, row, NewMobile1Rel))
      return refuse(row, NewMobile1Rel, "Primary Mobile Belongs To cannot be blank");
    if (trimmedCell(g, row, NewEMail1).isEmpty())
      return refuse(row, NewEMail1, "Primary E-Mail cannot be blank");
    if (!relationGiven(g, row, NewEMail1Rel))
      return refuse(row, NewEMail1Rel, "Primary E-Mail Belongs To cannot be blank");
    if (!trimmedCell(g, row, NewMobile2).isEmpty() && !relationGiven(g, row, NewMobile2Rel))
      return refuse(row, NewMobile2Rel, "Secondary Mobile Belongs To cannot be blank");
    if (!trimmedCell(g, row, NewEMail2).isEmpty() && !relationGiven(g, row, NewEMail2Rel))
      return refuse(row, NewEMail2Rel, "Secondary E-mail Belongs To cannot be blank");
  }
  return std::nullopt;
}

}  // namespace kestrel
