#pragma once

#include <QFrame>

class QCheckBox;
class QLabel;

namespace kestrel {

class ZENButton;
namespace grid {
class FlexGrid;
}

// The report panel `FraReport`, shown in place of the main panel while a list is on screen:
// the title `LblReprtHead` over either the report grid `VSRpt` (blank and mismatch lists) or
// the detail grid `VSDet` (occurrence report, with the check box `ChkShowDetail`), the export
// button `CmdExcel` and `CmdBack`.
class ReportPanel : public QFrame {
  Q_OBJECT

 public:
  explicit ReportPanel(QWidget* parent = nullptr);

  QLabel* titleLabel = nullptr;
  grid::FlexGrid* VSRpt = nullptr;
  grid::FlexGrid* detailGrid = nullptr;
  QCheckBox* showDetailsBox = nullptr;
  ZENButton* excelButton = nullptr;
  ZENButton* CmdBack = nullptr;

  // The report grid in front under the title; the detail grid and its check box hidden.
  void showReportGrid(const QString& title);
  // The detail grid and its check box in front under the title.
  void showDetailGrid(const QString& title);

  // The client column of the occurrence report on screen, kept as decimal text in the detail
  // grid's tag so that switching the details rebuilds the same report; -1 before any.
  int occurrenceColumn() const;
  void setOccurrenceColumn(int column);

  // The list on screen exported as a workbook, under the wait cursor.
  void CmdExcel_Click();
  void CmdBack_Click();

 signals:
  // Back: the window shows the main panel again.
  void closeRequested();
};

}  // namespace kestrel
