#include "assign/default_panel.h"

#include "assign/auto_find_box.h"
#include "assign/default_store.h"
#include "assign/proceed_checks.h"
#include "controls/buddy_label.h"
#include "controls/zen_button.h"
#include "entry/error_log.h"
#include "entry/interaction.h"
#include "platform/grid/flexgrid.h"
#include "register/edit_rules.h"
#include "register/register_layout.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kestrel {

namespace {
using col::NewEMail1;
using col::NewEMail2;
using col::NewMobile1;
using col::NewMobile2;

QComboBox* makeValueCombo(QWidget* parent, const char* name, ComboAutoFind::KeyFilter filter) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(QString::fromLatin1(name));
  combo->setEditable(true);
  combo->setMaxVisibleItems(15);
  new ComboAutoFind(combo, std::move(filter));
  return combo;
}

QLabel* buddyLabel(const QString& text, QWidget* buddy, QWidget* parent) {
  return new BuddyLabel(text, buddy, parent);
}

}  // namespace

DefaultPanel::DefaultPanel(grid::FlexGrid* vsCL, QWidget* parent) : QFrame(parent), vsCL_(vsCL) {
  setObjectName(QStringLiteral("FraDefault"));
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Raised);
  setAutoFillBackground(true);

  primaryMobileBox = makeValueCombo(this, "cmbp_mob", MobileKeyFilter);
  primaryEMailBox = makeValueCombo(this, "cmbp_email", {});
  secondaryMobileBox = makeValueCombo(this, "CmbSecMob", MobileKeyFilter);
  secondaryEMailBox = makeValueCombo(this, "Cmbsecemail", {});
  for (std::size_t i = 0; i < relationBoxes.size(); ++i) {
    relationBoxes[i] = new QComboBox(this);
    relationBoxes[i]->setObjectName(QStringLiteral("cboContBelongsTo%1").arg(i));
  }
  useClientMobileBox = new QCheckBox(QStringLiteral("Use Client Mobile Number"), this);
  useClientMobileBox->setObjectName(QStringLiteral("ChkCustMobile"));
  fetchAliasBox = new QCheckBox(QStringLiteral("Fetch Primary E-Mail from E-Mail Setup"), this);
  fetchAliasBox->setObjectName(QStringLiteral("ChkFetchAlias"));
  eMailLimitBox = new QLineEdit(this);
  eMailLimitBox->setObjectName(QStringLiteral("TxtMaxEMail"));
  mobileLimitBox = new QLineEdit(this);
  mobileLimitBox->setObjectName(QStringLiteral("TxtMaxMobile"));
  assignButton = new ZENButton(this);
  assignButton->setObjectName(QStringLiteral("CmdSecDefault"));
  assignButton->setCaption(QStringLiteral("&Assign"));
  cancelButton = new ZENButton(this);
  cancelButton->setObjectName(QStringLiteral("CmdCancelDefault"));
  cancelButton->setCaption(QStringLiteral("&Cancel"));

  buildLayout();

  // A client's own mobile or alias replaces the typed default, so its field is not needed.
  connect(useClientMobileBox, &QCheckBox::stateChanged, this,
          [this] { primaryMobileBox->setEnabled(useClientMobileBox->checkState() != Qt::Checked); });
  connect(fetchAliasBox, &QCheckBox::stateChanged, this,
          [this] { primaryEMailBox->setEnabled(fetchAliasBox->checkState() != Qt::Checked); });
  connect(assignButton, &ZENButton::Click, this, &DefaultPanel::assignClicked);
  connect(cancelButton, &ZENButton::Click, this, &DefaultPanel::closePanel);

  for (QWidget* field :
       {static_cast<QWidget*>(primaryMobileBox), static_cast<QWidget*>(primaryEMailBox),
        static_cast<QWidget*>(secondaryMobileBox), static_cast<QWidget*>(secondaryEMailBox)}) {
    field->installEventFilter(this);
    static_cast<QComboBox*>(field)->lineEdit()->installEventFilter(this);
  }
  eMailLimitBox->installEventFilter(this);
  mobileLimitBox->installEventFilter(this);
}

DefaultPanel::~DefaultPanel() = default;

void DefaultPanel::buildLayout() {
  auto* title = new QLabel(QStringLiteral("Default Contact Details"), this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);

  auto* contacts = new QGridLayout;
  contacts->setHorizontalSpacing(8);
  contacts->addWidget(new QLabel(QStringLiteral("Belongs To"), this), 0, 2);
  contacts->addWidget(buddyLabel(QStringLiteral("Primary &Mobile"), primaryMobileBox, this), 1, 0);
  contacts->addWidget(primaryMobileBox, 1, 1);
  contacts->addWidget(relationBoxes[0], 1, 2);
  contacts->addWidget(useClientMobileBox, 2, 1, 1, 2);
  contacts->addWidget(buddyLabel(QStringLiteral("Primary &E-Mail"), primaryEMailBox, this), 3, 0);
  contacts->addWidget(primaryEMailBox, 3, 1);
  contacts->addWidget(relationBoxes[1], 3, 2);
  contacts->addWidget(fetchAliasBox, 4, 1, 1, 2);
  contacts->addWidget(buddyLabel(QStringLiteral("Secondary M&obile"), secondaryMobileBox, this), 5, 0);
  contacts->addWidget(secondaryMobileBox, 5, 1);
  contacts->addWidget(relationBoxes[2], 5, 2);
  contacts->addWidget(buddyLabel(QStringLiteral("Secondary E-Mai&l"), secondaryEMailBox, this), 6, 0);
  contacts->addWidget(secondaryEMailBox, 6, 1);
  contacts->addWidget(relationBoxes[3], 6, 2);
  contacts->setColumnStretch(1, 3);
  contacts->setColumnStretch(2, 2);

  auto* limits = new QGroupBox(QStringLiteral("Maximum Parties sharing one"), this);
  auto* limitRow = new QHBoxLayout(limits);
  limitRow->addWidget(buddyLabel(QStringLiteral("Mobile &No."), mobileLimitBox, limits));
  limitRow->addWidget(mobileLimitBox);
  limitRow->addSpacing(16);
  limitRow->addWidget(buddyLabel(QStringLiteral("E-Mail &ID"), eMailLimitBox, limits));
  limitRow->addWidget(eMailLimitBox);
  limitRow->addStretch(1);
  mobileLimitBox->setFixedWidth(60);
  eMailLimitBox->setFixedWidth(60);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (ZENButton* button : {assignButton, cancelButton}) {
    button->setFixedSize(96, 30);
    buttons->addWidget(button);
  }

  auto* outer = new QVBoxLayout(this);
  outer->addWidget(title);
  outer->addLayout(contacts);
  outer->addWidget(limits);
  outer->addStretch(1);
  outer->addLayout(buttons);

  setTabOrder(primaryMobileBox, relationBoxes[0]);
  setTabOrder(relationBoxes[0], useClientMobileBox);
  setTabOrder(useClientMobileBox, primaryEMailBox);
  setTabOrder(primaryEMailBox, relationBoxes[1]);
  setTabOrder(relationBoxes[1], fetchAliasBox);
  setTabOrder(fetchAliasBox, secondaryMobileBox);
  setTabOrder(secondaryMobileBox, relationBoxes[2]);
  setTabOrder(relationBoxes[2], secondaryEMailBox);
  setTabOrder(secondaryEMailBox, relationBoxes[3]);
  setTabOrder(relationBoxes[3], mobileLimitBox);
  setTabOrder(mobileLimitBox, eMailLimitBox);
  setTabOrder(eMailLimitBox, assignButton);
  setTabOrder(assignButton, cancelButton);

  setFixedSize(600, 330);
}

void DefaultPanel::fillRelationLists() {
  ErrorTrap trap(u"frmKestrel", u"FillBelongsToLists");
  struct Entry {
    const char* text;
    int code;
  };
  static constexpr Entry kHead[] = {{"(Select)", 0}, {"Self", 1}};
  static constexpr Entry kRepresentatives[] = {
      {"Authorised Representative", 10}, {"e-Return Intermediary", 11}, {"Tax Return Preparer", 12}};
  static constexpr Entry kFamily[] = {{"Parent", 2}, {"Brother", 3},  {"Sister", 4},
                                      {"Spouse", 5}, {"Relative", 6}, {"Friend", 7}};
  for (std::size_t i = 0; i < relationBoxes.size(); ++i) {
    trap([&] {
      QComboBox* box = relationBoxes[i];
      box->clear();
      auto add = [box](const Entry& e) { box->addItem(QString::fromLatin1(e.text), e.code); };
      for (const Entry& e : kHead) add(e);
      // Representatives may only hold the secondary contacts.
      if (i >= 2)
        for (const Entry& e : kRepresentatives) add(e);
      for (const Entry& e : kFamily) add(e);
    });
  }
}

void DefaultPanel::clearRelations() {
  ErrorTrap trap(u"frmKestrel", u"SelectNoRelation");
  for (QComboBox* box : relationBoxes) trap([&] { box->setCurrentIndex(0); });
}

void DefaultPanel::loadUsedValues() {
  ErrorTrap trap(u"frmKestrel", u"ReadDefaultDetails");
  struct Target {
    UsedValueList list;
    QComboBox* box;
    int column;
  };
  const Target targets[] = {
      {UsedValueList::PrimaryEMail, primaryEMailBox, NewEMail1},
      {UsedValueList::PrimaryMobile, primaryMobileBox, NewMobile1},
      {UsedValueList::SecondaryEMail, secondaryEMailBox, NewEMail2},
      {UsedValueList::SecondaryMobile, secondaryMobileBox, NewMobile2},
  };
  for (const Target& target : targets) {
    target.box->clear();
    const UsedValues read = ReadUsedValues(target.list);
    trap([&] { target.box->addItems(read.values); });
    // Filling made the first entry current; the field starts empty, nothing chosen.
    SetListIndex(target.box, -1);
    // A failing read ends the refill; the lists read before it stay.
    if (!read.complete)
      return;
    // A list starting with "|" lets the user type other values in the grid as well.
    if (!read.values.isEmpty() && vsCL_) {
      const QString listText = QLatin1Char('|') + read.values.join(QLatin1Char('|')) + QLatin1Char('|');
      trap([&] { vsCL_->model()->setColComboList(target.column, listText); });
    }
  }
}

void DefaultPanel::loadSettings() {
  ErrorTrap trap(u"frmKestrel", u"ReadITRDefSetting");
  // Keys after one that could not be read are missing and leave their controls as they are.
  const DefaultSettings stored = ReadDefaultSettings();
  auto setCheck = [&](QCheckBox* box, const std::optional<QString>& value) {
    if (value)
      trap([&] { box->setCheckState(CheckStateFromStored(*value)); });
  };
  auto setText = [](QLineEdit* box, const std::optional<QString>& value) {
    if (value)
      box->setText(*value);
  };
  auto select = [](QComboBox* box, const std::optional<QString>& value) {
    if (value)
      SelectExactEntry(box, *value);
  };
  select(primaryMobileBox, stored.primaryMobile);
  setCheck(useClientMobileBox, stored.useClientMobile);
  select(primaryEMailBox, stored.primaryEMail);
  setCheck(fetchAliasBox, stored.fetchAlias);
  setText(eMailLimitBox, stored.maxEMail);
  setText(mobileLimitBox, stored.maxMobile);
  select(secondaryMobileBox, stored.secondaryMobile);
  select(secondaryEMailBox, stored.secondaryEMail);
}

void DefaultPanel::saveSettings() {
  DefaultSettings settings;
  settings.useClientMobile = StoredCheckValue(useClientMobileBox->checkState());
  settings.primaryMobile = primaryMobileBox->currentText();
  settings.primaryEMail = primaryEMailBox->currentText();
  settings.fetchAlias = StoredCheckValue(fetchAliasBox->checkState());
  settings.maxEMail = eMailLimitBox->text();
  settings.maxMobile = mobileLimitBox->text();
  settings.secondaryMobile = secondaryMobileBox->currentText();
  settings.secondaryEMail = secondaryEMailBox->currentText();
  SaveDefaultSettings(settings);
}

DefaultChoices DefaultPanel::choices() const {
  DefaultChoices c;
  c.primaryMobile = primaryMobileBox->currentText();
  c.primaryEMail = primaryEMailBox->currentText();
  c.secondaryMobile = secondaryMobileBox->currentText();
  c.secondaryEMail = secondaryEMailBox->currentText();
  c.useClientMobile = useClientMobileBox->checkState() == Qt::Checked;
  c.fetchAlias = fetchAliasBox->checkState() == Qt::Checked;
  for (std::size_t i = 0; i < relationBoxes.size(); ++i) {
    const QComboBox* box = relationBoxes[i];
    if (box->currentIndex() >= 1)
      c.relation[i] = QString::number(box->currentData().toInt());
  }
  return c;
}

QWidget* DefaultPanel::fieldBox(PanelField field) const {
  switch (field) {
    case PanelField::PrimaryMobile:
      return primaryMobileBox;
    case PanelField::PrimaryEMail:
      return primaryEMailBox;
    case PanelField::SecondaryMobile:
      return secondaryMobileBox;
    case PanelField::SecondaryEMail:
      return secondaryEMailBox;
  }
  return primaryMobileBox;
}

SharingLimits DefaultPanel::sharingLimits() const {
  return {LimitValue(mobileLimitBox->text()), LimitValue(eMailLimitBox->text())};
}

void DefaultPanel::assignToSelectedClients() {
  ErrorTrap trap(u"frmKestrel", u"CmdSecDefault_Click");
  // An editor left open on a cell would later store its text over the assigned value.
  if (vsCL_)
    vsCL_->cancelEdit();
  const DefaultChoices chosen = choices();
  if (const auto refusal = CheckDefaultChoices(chosen)) {
    ui().MsgBox(refusal->message, Interaction::Icon::Information);
    fieldBox(refusal->focus)->setFocus();
    return;
  }

  if (vsCL_)
    trap([&] { AssignDefaults(*vsCL_->model(), chosen); });

  // Values typed rather than picked are remembered for the lists.
  struct Typed {
    UsedValueList list;
    QComboBox* box;
    bool skipped;
  };
  const Typed typed[] = {
      {UsedValueList::PrimaryEMail, primaryEMailBox, chosen.fetchAlias},
      {UsedValueList::PrimaryMobile, primaryMobileBox, chosen.useClientMobile},
      {UsedValueList::SecondaryEMail, secondaryEMailBox, false},
      {UsedValueList::SecondaryMobile, secondaryMobileBox, false},
  };
  for (const Typed& t : typed) {
    if (!t.skipped && ListIndex(t.box) < 0 && !t.box->currentText().isEmpty())
      RememberTypedValue(t.list, t.box->currentText());
  }

  if (chosen.fetchAlias)
    assignAliasAddresses();

  saveSettings();
  loadUsedValues();
  loadSettings();
  closePanel();
  if (vsCL_)
    trap([&] { vsCL_->model()->AutoSize(0, vsCL_->model()->Cols() - 1); });
}

void DefaultPanel::closePanel() {
  ErrorTrap trap(u"frmKestrel", u"CmdCancelDefault_Click");
  // Hiding moves the focus out of the fields; that is no leaving to check.
  const bool wasChecking = checking_;
  checking_ = true;
  trap([&] { emit closeRequested(); });
  checking_ = wasChecking;
  leaveRefused_ = false;
}

void DefaultPanel::assignAliasAddresses() {
  ErrorTrap trap(u"frmKestrel", u"SETMAILS");
  if (!vsCL_)
    return;
  grid::FlexGridModel& g = *vsCL_->model();
  const std::vector<AliasAddress> addresses = ReadAliasAddresses();
  trap([&] {
    // The first row holding each code, looked up once instead of searching per address.
    QHash<QString, int> rowOfCode;
    rowOfCode.reserve(g.Rows());
    for (int row = g.Rows() - 1; row >= 1; --row) rowOfCode[g.TextMatrix(row, col::PartyCode)] = row;

    // A client with several forwarders ends with the last one's address.
    const RedrawPause pause(g);
    for (const AliasAddress& alias : addresses) {
      const int row = rowOfCode.value(alias.code, -1);
      if (row >= 0 && g.CellChecked(row, col::SrNo) == grid::flexChecked)
        g.setTextMatrix(row, NewEMail1, alias.address);
    }
  });
  trap([&] { g.AutoSize(0, g.Cols() - 1); });
}

void DefaultPanel::assignClicked() {
  // The click that moved the focus out of a refused field does not assign.
  if (leaveRefused_) {
    leaveRefused_ = false;
    return;
  }
  assignToSelectedClients();
}

bool DefaultPanel::checkLeavingField(QWidget* field) {
  if (field == primaryMobileBox || field == secondaryMobileBox) {
    const QString text = static_cast<QComboBox*>(field)->currentText();
    const CellVerdict verdict = CheckCellValue(NewMobile1, text);
    if (!verdict.accepted && !verdict.message.isEmpty())
      ui().MsgBox(verdict.message, Interaction::Icon::Information);
    return verdict.accepted;
  }
  if (field == primaryEMailBox || field == secondaryEMailBox)
    return CheckCellValue(NewEMail1, static_cast<QComboBox*>(field)->currentText()).accepted;
  if (field == eMailLimitBox || field == mobileLimitBox) {
    const QString text = static_cast<QLineEdit*>(field)->text();
    return text.isEmpty() || IsNumeric(text);
  }
  return true;
}

bool DefaultPanel::eventFilter(QObject* watched, QEvent* event) {
  QWidget* field = nullptr;
  for (QComboBox* combo : {primaryMobileBox, primaryEMailBox, secondaryMobileBox, secondaryEMailBox})
    if (watched == combo || watched == combo->lineEdit())
      field = combo;
  if (watched == eMailLimitBox || watched == mobileLimitBox)
    field = static_cast<QWidget*>(watched);
  if (!field)
    return QFrame::eventFilter(watched, event);

  if (event->type() == QEvent::KeyPress) {
    // Typing in a field after a refusal: the next click is a fresh one.
    leaveRefused_ = false;
    if (field != eMailLimitBox && field != mobileLimitBox)
      return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) || key->text().isEmpty() ||
        key->key() == Qt::Key_Escape || key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
      return false;
    int keyAscii = key->text().at(0).unicode();
    if (key->key() == Qt::Key_Backspace)
      keyAscii = 8;
    else if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
      keyAscii = 13;
    else if (key->text().size() != 1)
      keyAscii = 0;
    return MobileKeyFilter(keyAscii) == 0;
  }

  if (event->type() == QEvent::FocusOut) {
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    if (checking_ || reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason ||
        !isVisible() || !isEnabled())
      return false;
    QWidget* next = QApplication::focusWidget();
    // Cancel leaves without checks; moving inside the field's own parts is no leaving.
    if (next && (next == cancelButton || next == field || field->isAncestorOf(next)))
      return false;
    checking_ = true;
    const bool accepted = checkLeavingField(field);
    checking_ = false;
    leaveRefused_ = !accepted;
    if (!accepted)
      field->setFocus(Qt::OtherFocusReason);
    return false;
  }
  return QFrame::eventFilter(watched, event);
}

void SelectExactEntry(QComboBox* combo, const QString& text) {
  for (int i = 0; i < combo->count(); ++i) {
    if (combo->itemText(i) == text) {
      SetListIndex(combo, i);
      return;
    }
  }
}

}  // namespace kestrel