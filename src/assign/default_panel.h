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
struct SharingLimits;

// The default contact panel `FraDefault` of the main window: default primary and secondary
// mobile and e-mail with their relations, the two per-client options, and the sharing limits.
// Its choices are kept in the settings file and the values used before are offered from their
// tables (default_store.h). The window shows it and hides it on closeRequested(). The controls
// keep their object names (`cmbp_mob`, `TxtMaxMobile`, ...).
class DefaultPanel : public QFrame {
  Q_OBJECT

 public:
  DefaultPanel(grid::FlexGrid* vsCL, QWidget* parent = nullptr);
  ~DefaultPanel() override;

  QComboBox* primaryMobileBox;    // cmbp_mob
  QComboBox* primaryEMailBox;     // cmbp_email
  QComboBox* secondaryMobileBox;  // CmbSecMob
  QComboBox* secondaryEMailBox;   // Cmbsecemail
  // Relation of the primary mobile, primary e-mail, secondary mobile, secondary e-mail
  // (cboContBelongsTo0 to cboContBelongsTo3).
  std::array<QComboBox*, 4> relationBoxes{};
  QCheckBox* useClientMobileBox;  // ChkCustMobile
  QCheckBox* fetchAliasBox;       // ChkFetchAlias
  QLineEdit* eMailLimitBox;       // TxtMaxEMail
  QLineEdit* mobileLimitBox;      // TxtMaxMobile
  ZENButton* assignButton;        // CmdSecDefault
  ZENButton* cancelButton;        // CmdCancelDefault

  // The belongs-to entries with their relation codes as item data.
  void fillRelationLists();
  // Puts the four belongs-to boxes on "(Select)".
  void clearRelations();
  // Refills the four value lists and the matching drop-down lists of register columns 36, 38,
  // 40 and 42 from the tables of used values.
  void loadUsedValues();
  void loadSettings();
  void saveSettings();
  // Checks the panel, assigns the defaults to the selected rows, remembers typed values,
  // stores the settings and closes the panel.
  void assignToSelectedClients();
  void closePanel();
  // Writes each ticked client's alias address from the mail setup into column 38.
  void assignAliasAddresses();

  // The panel's current choices as the assignment uses them.
  DefaultChoices choices() const;
  // The limits of the two limit boxes; a box not above zero switches its check off.
  SharingLimits sharingLimits() const;

  // The checks made when the focus leaves a field; false keeps the focus there.
  bool checkLeavingField(QWidget* field);

 signals:
  void closeRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildLayout();
  void assignClicked();
  QWidget* fieldBox(PanelField field) const;

  grid::FlexGrid* vsCL_;
  // A leave check refused while the focus moved to a button: that button's click is void.
  bool leaveRefused_ = false;
  bool checking_ = false;
};

// Selects the first entry whose text equals text exactly (letter case counts); leaves the
// combo box as it is when none does.
void SelectExactEntry(QComboBox* combo, const QString& text);

}  // namespace kestrel
