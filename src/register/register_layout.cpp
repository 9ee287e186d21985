#include "register/register_layout.h"

#include "platform/grid/flexgrid_model.h"

namespace kestrel {

namespace {
// The group captions of row 0.
constexpr const char* SW = "As per Software";
constexpr const char* LG = "As Per Login";
constexpr const char* CH = "To be Changed";
using A = Align;
using L = ColList;

int alignmentSetting(Align align) {
  switch (align) {
    case Align::LeftCenter:
      return grid::flexAlignLeftCenter;
    case Align::RightCenter:
      return grid::flexAlignRightCenter;
    case Align::CenterCenter:
      return grid::flexAlignCenterCenter;
    case Align::General:
      return grid::flexAlignGeneral;
  }
  return grid::flexAlignGeneral;
}
}  // namespace

const std::array<ColumnSpec, col::Count>& RegisterColumns() {
  static const std::array<ColumnSpec, col::Count> columns = {{
      {"SrNo", "SrNo", 705, A::RightCenter, false, L::None},
      {"Party Code", "Party Code", 960, A::LeftCenter, false, L::None},
      {"First name", "First name", 960, A::LeftCenter, true, L::None},
      {"Middle Name", "Middle Name", 960, A::LeftCenter, true, L::None},
      {"Last Name", "Last Name", 960, A::LeftCenter, true, L::None},
      {"Party Name", "Party Name", 1995, A::LeftCenter, false, L::None},
      {"Pan No.", "Pan No.", 960, A::LeftCenter, false, L::None},
      {"D.O.B", "D.O.B", 435, A::LeftCenter, true, L::None},
      {"Password", "Password", 960, A::LeftCenter, true, L::None},
      {"Phone", "Phone", 690, A::LeftCenter, true, L::None},
      {"Party Mobile", "Party Mobile", 960, A::General, true, L::None, A::General},
      {"Party EMail", "Party EMail", 960, A::General, true, L::None, A::General},
      {"Sec Det", "Sec Det", 960, A::General, true, L::None, A::General},
      {SW, "Non-Resident", 960, A::LeftCenter, false, L::Residency},
      {SW, "ISD", 960, A::LeftCenter, false, L::None},
      {SW, "Mobile-1", 720, A::LeftCenter, false, L::None},
      {SW, "Belongs To", 960, A::LeftCenter, false, L::ShortRelation},
      {SW, "EMail-1", 645, A::LeftCenter, false, L::None},
      {SW, "Belongs To", 960, A::LeftCenter, false, L::ShortRelation},
      {SW, "Mobile-2", 1350, A::LeftCenter, false, L::None},
      {SW, "Belongs To", 960, A::LeftCenter, false, L::LongRelation},
      {SW, "EMail-2", 960, A::LeftCenter, false, L::None},
      {SW, "Belongs To", 960, A::LeftCenter, false, L::LongRelation},
      {LG, "Name", 960, A::LeftCenter, false, L::None},
      {LG, "Non-Resident", 960, A::LeftCenter, false, L::Residency},
      {LG, "ISD", 960, A::LeftCenter, false, L::None},
      {LG, "Mobile-1", 960, A::LeftCenter, false, L::None},
      {LG, "Belongs To", 960, A::LeftCenter, false, L::ShortRelation},
      {LG, "EMail-1", 960, A::LeftCenter, false, L::None},
      {LG, "Belongs To", 960, A::LeftCenter, false, L::ShortRelation},
      {LG, "Mobile-2", 960, A::LeftCenter, false, L::None},
      {LG, "Belongs To", 960, A::LeftCenter, false, L::LongRelation},
      {LG, "EMail-2", 960, A::LeftCenter, false, L::None},
      {LG, "Belongs To", 960, A::LeftCenter, false, L::LongRelation},
      {CH, "Non-Resident", 960, A::LeftCenter, false, L::Residency},
      {CH, "ISD", 960, A::LeftCenter, false, L::None},
      {CH, "Mobile-1", 960, A::LeftCenter, false, L::None},
      {CH, "Belongs To", 960, A::LeftCenter, false, L::ShortRelation},
      {CH, "EMail-1", 960, A::LeftCenter, false, L::None},
      {CH, "Belongs To", 960, A::LeftCenter, false, L::ShortRelation},
      {CH, "Mobile-2", 960, A::LeftCenter, false, L::None},
      {CH, "Belongs To", 960, A::LeftCenter, false, L::LongRelation},
      {CH, "EMail-2", 960, A::LeftCenter, false, L::None},
      {CH, "Belongs To", 960, A::LeftCenter, false, L::LongRelation},
      {"Import Logs", "Import Logs", 960, A::LeftCenter, false, L::None},
  }};
  return columns;
}

const std::array<ColumnSpec, ReportColumnCount>& ReportColumns() {
  static const std::array<ColumnSpec, ReportColumnCount> columns = {{
      {"SNo", "SNo", 705, A::CenterCenter, false},
      {"Party Code", "Party Code", 960, A::LeftCenter, false},
      {"First name", "First name", 960, A::LeftCenter, true},
      {"Middle Name", "Middle Name", 960, A::LeftCenter, true},
      {"Last Name", "Last Name", 960, A::LeftCenter, true},
      {"Party Name", "Party Name", 1995, A::LeftCenter, false},
      {"Pan No.", "Pan No.", 960, A::LeftCenter, true},
      {"D.O.B", "D.O.B", 960, A::LeftCenter, true},
      {"Password", "Password", 960, A::LeftCenter, true},
      {"Phone", "Phone", 960, A::LeftCenter, true},
      {"", "", 960, A::LeftCenter, true},
      {"", "", 960, A::LeftCenter, true},
      {"", "", 960, A::LeftCenter, true},
      {SW, "Mobile-1", 1350, A::LeftCenter, false},
      {SW, "Mobile-2", 1350, A::LeftCenter, false},
      {SW, "EMail-1", 645, A::LeftCenter, false},
      {SW, "EMail-2", 960, A::LeftCenter, false},
      {LG, "Name", 960, A::LeftCenter, false},
      {LG, "Mobile-1", 960, A::LeftCenter, false},
      {LG, "Mobile-2", 945, A::LeftCenter, false},
      {LG, "EMail-1", 960, A::LeftCenter, false},
      {LG, "EMail-2", 960, A::LeftCenter, false},
      {"", "", 960, A::LeftCenter, true},
      {"", "", 960, A::LeftCenter, true},
      {"", "", 960, A::LeftCenter, true},
      {"", "", 960, A::LeftCenter, true},
      {"Import Logs", "Import Logs", 960, A::LeftCenter, true},
  }};
  return columns;
}

void FormatGrid(grid::FlexGridModel& g, std::span<const ColumnSpec> columns) {
  const grid::RedrawPause pause(g);
  g.setCols(int(columns.size()));
  g.setRows(HeaderRows);
  g.setFixedRows(HeaderRows);
  g.setFixedCols(0);
  for (int c = 0; c < int(columns.size()); ++c) {
    const ColumnSpec& s = columns[std::size_t(c)];
    g.setTextMatrix(0, c, QString::fromLatin1(s.group));
    g.setTextMatrix(1, c, QString::fromLatin1(s.caption));
    g.setColWidthTwips(c, s.widthTwips);
    g.setColAlignment(c, alignmentSetting(s.align));
    g.setFixedAlignment(c, alignmentSetting(s.headerAlign));
    g.setColHidden(c, s.hidden);
  }
}

void FormatRegisterGrid(grid::FlexGridModel& vsCL) {
  const grid::RedrawPause pause(vsCL);
  FormatGrid(vsCL, RegisterColumns());
  // SrNo, Party Code and Party Name stay in view while the contact groups scroll, so the row
  // the cursor stands on is recognisable anywhere in the register.
  vsCL.setFrozenCols(col::PartyName + 1);
  vsCL.setEditable(grid::flexEDKbdMouse);
  vsCL.setCellChecked(0, col::SrNo, grid::flexUnchecked);
}

void MergeHeaders(grid::FlexGridModel& g) {
  g.setMergeCells(grid::flexMergeFixedOnly);
  for (int c = 0; c <= col::SecDet && c < g.Cols(); ++c) g.setMergeCol(c, true);
  if (g.Cols() > 0)
    g.setMergeCol(g.Cols() - 1, true);
  g.setMergeRow(0, true);
}

QString ListText(ColList list) {
  switch (list) {
    case ColList::None:
      return {};
    case ColList::Residency:
      return QString::fromLatin1(ResidencyList);
    case ColList::ShortRelation:
      return QString::fromLatin1(ShortRelationList);
    case ColList::LongRelation:
      return QString::fromLatin1(LongRelationList);
  }
  return {};
}

}  // namespace kestrel
