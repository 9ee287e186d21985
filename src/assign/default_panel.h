#pragma once

#include "assign/assign_rules.h"

#include <QFrame>

#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace kestrel {

namespace grid {
class FlexGrid;
}
class ZENButton;

// The default contact panel `FraDefault` of the main window: default primary and secondary
// mobile and e-mail with their relations, the two per-client options, and the sharing limits.
// Its choices are kept in the settings file "ITRELFdefCongi.ini" of the suite's document
// folder; the values used before are offered from the tables TblITR_PriMob, TblITR_PriMail,
// TblITR_SecMob and TblITR_SecMail. The window shows it and hides it on closeRequested().
class DefaultPanel : public QFrame {
  Q_OBJECT

 public:
  DefaultPanel(grid::FlexGrid* vsCL, QWidget* parent = nullptr);
  ~DefaultPanel() override;

  QComboBox* cmbp_mob;     // primary mobile
  QComboBox* cmbp_email;   // primary e-mail
  QComboBox* CmbSecMob;    // secondary mobile
  QComboBox* Cmbsecemail;  // secondary e-mail
  // Relation of the primary mobile, primary e-mail, secondary mobile, secondary e-mail.
  std::array<QComboBox*, 4> cboContBelongsTo{};
  QCheckBox* ChkCustMobile;
  QCheckBox* ChkFetchAlias;
  QLineEdit* TxtMaxEMail;
  QLineEdit* TxtMaxMobile;
  ZENButton* CmdSecDefault;
  ZENButton* CmdCancelDefault;

  // The belongs-to entries with their relation codes as item data.
  void FillBelongsToLists();
  // Refills the four value lists and the matching drop-down lists of register columns 36, 38,
  // 40 and 42 from the tables of used values.
  void ReadDefaultDetails();
  void ReadITRDefSetting();
  void SaveITRDefSetting();
  // Puts the four belongs-to boxes on "(Select)".
  void SelectNoRelation();
  // Checks the panel, assigns the defaults to the selected rows, remembers typed values,
  // stores the settings and closes the panel.
  void CmdSecDefault_Click();
  void CmdCancelDefault_Click();
  // Writes each ticked client's alias address from the mail setup into column 38.
  void SETMAILS();

  // The panel's current choices as the assignment uses them.
  DefaultChoices choices() const;
  // The settings file: the suite's document folder and "ITRELFdefCongi.ini".
  static QString SettingsFile();

  // The checks made when the focus leaves a field; false keeps the focus there.
  bool LeaveCheck(QWidget* field);

 signals:
  void closeRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildLayout();
  void assignClicked();
  QWidget* focusTarget(PanelField field) const;

  grid::FlexGrid* vsCL_;
  // A leave check refused while the focus moved to a button: that button's click is void.
  bool leaveRefused_ = false;
  bool checking_ = false;
};

// Selects the first entry whose text equals text exactly (letter case counts); leaves the
// combo box as it is when none does.
void SetComboValue(QComboBox* combo, const QString& text);

}  // namespace kestrel
