#pragma once

#include "mail/mail_rules.h"

#include <QFrame>

#include <array>

class QComboBox;
class QLineEdit;

namespace kestrel {

class ZENButton;

namespace mail {

// The alias panel `FraFwdSetup` ("Alias Setup"): three slots, each a list of what goes into
// the alias (`CmbOption`) and a text field for the entries that need one (`TxtOption`). Its
// "&OK" asks for the run (runRequested), "&Cancel" only closes it (closeRequested).
class AliasPanel : public QFrame {
  Q_OBJECT

 public:
  explicit AliasPanel(QWidget* parent = nullptr);

  std::array<QComboBox*, 3> optionBoxes{};   // CmbOption(0..2); item data: the entry's code
  std::array<QLineEdit*, 3> optionFields{};  // TxtOption(0..2)
  ZENButton* okButton = nullptr;             // CmdOKFwdSetup
  ZENButton* cancelButton = nullptr;         // CmdCancelFwdSetup

  AliasSlots chosenParts() const;

  // CmbOption's selection: later slots back to "Select", the slot's field emptied and enabled
  // only for the entries that take a text.
  void optionChosen(int slot);
  // The checks when the focus leaves a slot's list or text field; false keeps it there.
  bool checkLeavingOption(int slot);
  bool checkLeavingField(int slot);

 signals:
  void runRequested();
  void closeRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A leave check refused while the focus moved to a button: that button's click is void.
  bool leaveRefused_ = false;
  bool checking_ = false;
};

}  // namespace mail
}  // namespace kestrel
