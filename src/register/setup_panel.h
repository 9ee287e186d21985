#pragma once

#include <QFrame>

#include <array>

class QCheckBox;
class QVBoxLayout;

namespace kestrel {

class ZENButton;
namespace grid {
class FlexGrid;
}

// The column-display setup `FraSetup`: one box per register column, and three group boxes that
// switch the suite's, the portal's and the to-be-changed columns as a whole.
class SetupPanel : public QFrame {
  Q_OBJECT

 public:
  SetupPanel(grid::FlexGrid* vsCL, QWidget* parent = nullptr);

  std::array<QCheckBox*, 45> ChkColShow{};
  QCheckBox* ChkSoftware = nullptr;
  QCheckBox* ChkLogin = nullptr;
  QCheckBox* ChkChange = nullptr;
  ZENButton* CmdOKSetup = nullptr;
  ZENButton* CmdCancelSetup = nullptr;

  // Captions from header row 1 and ticks from the columns' current visibility.
  void LoadColumns();
  void ChkSoftware_Click();
  void ChkLogin_Click();
  void ChkChange_Click();
  void CmdOKSetup_Click();
  void CmdCancelSetup_Click();
  // A part of the setup of its own, below the columns; it stores its values on `applied`.
  void addSection(QWidget* section);

 signals:
  // OK: the columns are applied; the sections store their values.
  void applied();
  // The panel is done; the window hides it and enables the main panel again.
  void closeRequested();

 private:
  struct Group {
    QCheckBox* box;
    int first;
    int last;
  };
  std::array<Group, 3> groups() const;
  void applyGroup(const Group& g);

  grid::FlexGrid* vsCL_;
  QVBoxLayout* layout_ = nullptr;
};

}  // namespace kestrel
