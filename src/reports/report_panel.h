#pragma once

#include <QFrame>

class QLabel;

namespace kestrel {

class ZENButton;
namespace grid {
class FlexGrid;
}

// The report panel `FraReport`: the report grid `VSRpt` under its heading, shown in place of
// the main panel while a list is on screen.
class ReportPanel : public QFrame {
  Q_OBJECT

 public:
  explicit ReportPanel(QWidget* parent = nullptr);

  QLabel* lblHeading = nullptr;
  grid::FlexGrid* VSRpt = nullptr;
  ZENButton* CmdBack = nullptr;

  void CmdBack_Click();

 signals:
  // Back: the window shows the main panel again.
  void closeRequested();
};

}  // namespace kestrel
