#include "assign/assign_rules.h"

#include "platform/grid/flexgrid_model.h"
#include "register/register_layout.h"

namespace kestrel {

namespace {
using col::NewEMail1;
using col::NewEMail1Rel;
using col::NewEMail2;
using col::NewEMail2Rel;
using col::NewMobile1;
using col::NewMobile1Rel;
using col::NewMobile2;
using col::NewMobile2Rel;
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

}  // namespace kestrel
