#include "assign/default_panel.h"

#include "assign/auto_find.h"
#include "controls/zen_button.h"
#include "entry/error_log.h"
#include "entry/interaction.h"
#include "entry/mod_it_main.h"
#include "platform/grid/flexgrid.h"
#include "register/edit_rules.h"
#include "register/register_layout.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <cmath>

namespace kestrel {

namespace {
using col::NewEMail1;
using col::NewEMail2;
using col::NewMobile1;
using col::NewMobile2;

constexpr char16_t kSection[] = u"ITRDEFSETUP";

QString section() {
  return QString::fromUtf16(kSection);
}

// A check box's value as stored: 0 unticked, 1 ticked, 2 grey.
QString checkValue(const QCheckBox* box) {
  switch (box->checkState()) {
    case Qt::Checked:
      return QStringLiteral("1");
    case Qt::PartiallyChecked:
      return QStringLiteral("2");
    default:
      return QStringLiteral("0");
  }
}

// A stored check-box value back into the box; a value that is no number or no state raises
// the error the caller's trap records, and the box keeps its state.
void setCheckValue(QCheckBox* box, const QString& stored) {
  if (!IsNumeric(stored))
    throw RuntimeError(errnum::TypeMismatch, QStringLiteral("Type mismatch"));
  const double value = std::nearbyint(stored.trimmed().toDouble());
  if (value == 0)
    box->setCheckState(Qt::Unchecked);
  else if (value == 1)
    box->setCheckState(Qt::Checked);
  else if (value == 2)
    box->setCheckState(Qt::PartiallyChecked);
  else
    throw RuntimeError(380, QStringLiteral("Invalid property value"));
}

QComboBox* makeValueCombo(QWidget* parent, const char* name, ComboAutoFind::KeyFilter filter) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(QString::fromLatin1(name));
  combo->setEditable(true);
  combo->setMaxVisibleItems(15);
  new ComboAutoFind(combo, std::move(filter));
  return combo;
}

QLabel* buddyLabel(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

DefaultPanel::DefaultPanel(grid::FlexGrid* vsCL, QWidget* parent) : QFrame(parent), vsCL_(vsCL) {
  setObjectName(QStringLiteral("FraDefault"));
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Raised);
  setAutoFillBackground(true);

  cmbp_mob = makeValueCombo(this, "cmbp_mob", MobileKeyFilter);
  cmbp_email = makeValueCombo(this, "cmbp_email", {});
  CmbSecMob = makeValueCombo(this, "CmbSecMob", MobileKeyFilter);
  Cmbsecemail = makeValueCombo(this, "Cmbsecemail", {});
  for (std::size_t i = 0; i < cboContBelongsTo.size(); ++i) {
    cboContBelongsTo[i] = new QComboBox(this);
    cboContBelongsTo[i]->setObjectName(QStringLiteral("cboContBelongsTo%1").arg(i));
  }
  ChkCustMobile = new QCheckBox(QStringLiteral("Use Client Mobile Number"), this);
  ChkCustMobile->setObjectName(QStringLiteral("ChkCustMobile"));
  ChkFetchAlias = new QCheckBox(QStringLiteral("Fetch Primary E-Mail from E-Mail Setup"), this);
  ChkFetchAlias->setObjectName(QStringLiteral("ChkFetchAlias"));
  TxtMaxEMail = new QLineEdit(this);
  TxtMaxEMail->setObjectName(QStringLiteral("TxtMaxEMail"));
  TxtMaxMobile = new QLineEdit(this);
  TxtMaxMobile->setObjectName(QStringLiteral("TxtMaxMobile"));
  CmdSecDefault = new ZENButton(this);
  CmdSecDefault->setObjectName(QStringLiteral("CmdSecDefault"));
  CmdSecDefault->setCaption(QStringLiteral("&Assign"));
  CmdCancelDefault = new ZENButton(this);
  CmdCancelDefault->setObjectName(QStringLiteral("CmdCancelDefault"));
  CmdCancelDefault->setCaption(QStringLiteral("&Cancel"));

  buildLayout();

  // A client's own mobile or alias replaces the typed default, so its field is not needed.
  connect(ChkCustMobile, &QCheckBox::stateChanged, this,
          [this] { cmbp_mob->setEnabled(ChkCustMobile->checkState() != Qt::Checked); });
  connect(ChkFetchAlias, &QCheckBox::stateChanged, this,
          [this] { cmbp_email->setEnabled(ChkFetchAlias->checkState() != Qt::Checked); });
  connect(CmdSecDefault, &ZENButton::Click, this, &DefaultPanel::assignClicked);
  connect(CmdCancelDefault, &ZENButton::Click, this, &DefaultPanel::CmdCancelDefault_Click);

  for (QWidget* field : {static_cast<QWidget*>(cmbp_mob), static_cast<QWidget*>(cmbp_email),
                         static_cast<QWidget*>(CmbSecMob), static_cast<QWidget*>(Cmbsecemail)}) {
    field->installEventFilter(this);
    static_cast<QComboBox*>(field)->lineEdit()->installEventFilter(this);
  }
  TxtMaxEMail->installEventFilter(this);
  TxtMaxMobile->installEventFilter(this);
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
  contacts->addWidget(buddyLabel(QStringLiteral("Primary &Mobile"), cmbp_mob, this), 1, 0);
  contacts->addWidget(cmbp_mob, 1, 1);
  contacts->addWidget(cboContBelongsTo[0], 1, 2);
  contacts->addWidget(ChkCustMobile, 2, 1, 1, 2);
  contacts->addWidget(buddyLabel(QStringLiteral("Primary &E-Mail"), cmbp_email, this), 3, 0);
  contacts->addWidget(cmbp_email, 3, 1);
  contacts->addWidget(cboContBelongsTo[1], 3, 2);
  contacts->addWidget(ChkFetchAlias, 4, 1, 1, 2);
  contacts->addWidget(buddyLabel(QStringLiteral("Secondary M&obile"), CmbSecMob, this), 5, 0);
  contacts->addWidget(CmbSecMob, 5, 1);
  contacts->addWidget(cboContBelongsTo[2], 5, 2);
  contacts->addWidget(buddyLabel(QStringLiteral("Secondary E-Mai&l"), Cmbsecemail, this), 6, 0);
  contacts->addWidget(Cmbsecemail, 6, 1);
  contacts->addWidget(cboContBelongsTo[3], 6, 2);
  contacts->setColumnStretch(1, 3);
  contacts->setColumnStretch(2, 2);

  auto* limits = new QGroupBox(QStringLiteral("Maximum Parties sharing one"), this);
  auto* limitRow = new QHBoxLayout(limits);
  limitRow->addWidget(buddyLabel(QStringLiteral("Mobile &No."), TxtMaxMobile, limits));
  limitRow->addWidget(TxtMaxMobile);
  limitRow->addSpacing(16);
  limitRow->addWidget(buddyLabel(QStringLiteral("E-Mail &ID"), TxtMaxEMail, limits));
  limitRow->addWidget(TxtMaxEMail);
  limitRow->addStretch(1);
  TxtMaxMobile->setFixedWidth(60);
  TxtMaxEMail->setFixedWidth(60);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (ZENButton* button : {CmdSecDefault, CmdCancelDefault}) {
    button->setFixedSize(96, 30);
    buttons->addWidget(button);
  }

  auto* outer = new QVBoxLayout(this);
  outer->addWidget(title);
  outer->addLayout(contacts);
  outer->addWidget(limits);
  outer->addStretch(1);
  outer->addLayout(buttons);

  setTabOrder(cmbp_mob, cboContBelongsTo[0]);
  setTabOrder(cboContBelongsTo[0], ChkCustMobile);
  setTabOrder(ChkCustMobile, cmbp_email);
  setTabOrder(cmbp_email, cboContBelongsTo[1]);
  setTabOrder(cboContBelongsTo[1], ChkFetchAlias);
  setTabOrder(ChkFetchAlias, CmbSecMob);
  setTabOrder(CmbSecMob, cboContBelongsTo[2]);
  setTabOrder(cboContBelongsTo[2], Cmbsecemail);
  setTabOrder(Cmbsecemail, cboContBelongsTo[3]);
  setTabOrder(cboContBelongsTo[3], TxtMaxMobile);
  setTabOrder(TxtMaxMobile, TxtMaxEMail);
  setTabOrder(TxtMaxEMail, CmdSecDefault);
  setTabOrder(CmdSecDefault, CmdCancelDefault);

  setFixedSize(600, 330);
}

QString DefaultPanel::SettingsFile() {
  return Base().DocPath() + QDir::separator() + QStringLiteral("ITRELFdefCongi.ini");
}

void DefaultPanel::FillBelongsToLists() {
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
  for (std::size_t i = 0; i < cboContBelongsTo.size(); ++i) {
    trap([&] {
      QComboBox* box = cboContBelongsTo[i];
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

void DefaultPanel::SelectNoRelation() {
  ErrorTrap trap(u"frmKestrel", u"SelectNoRelation");
  for (QComboBox* box : cboContBelongsTo) trap([&] { box->setCurrentIndex(0); });
}

void DefaultPanel::ReadDefaultDetails() {
  ErrorTrap trap(u"frmKestrel", u"ReadDefaultDetails");
  struct ValueList {
    QComboBox* combo;
    const char* sql;
    int column;
  };
  const ValueList lists[] = {
      {cmbp_email, "SELECT DISTINCT s_eMail FROM TblITR_PriMail Order by s_eMail", NewEMail1},
      {cmbp_mob, "SELECT DISTINCT s_Mobile FROM TblITR_PriMob Order by s_Mobile", NewMobile1},
      {Cmbsecemail, "SELECT DISTINCT s_eMail FROM TblITR_SecMail Order by s_eMail", NewEMail2},
      {CmbSecMob, "SELECT DISTINCT s_Mobile FROM TblITR_SecMob Order by s_Mobile", NewMobile2},
  };
  for (const ValueList& list : lists) {
    list.combo->clear();
    QString listText = QStringLiteral("|");
    std::unique_ptr<Recordset> rs;
    const bool read = trap([&] {
      Base().RecordsetQuery(rs, QString::fromLatin1(list.sql), Base().DBObj(), ado::adOpenForwardOnly,
                            ado::adLockReadOnly);
      while (!rs->Eof()) {
        const QString value = rs->Text(0);
        if (!value.trimmed().isEmpty()) {
          list.combo->addItem(value);
          listText += value + QLatin1Char('|');
        }
        rs->MoveNext();
      }
    });
    trap([&] {
      if (rs && rs->isOpen())
        rs->Close();
    });
    // Filling made the first entry current; the field starts empty, nothing chosen.
    SetListIndex(list.combo, -1);
    // A failing read ends the refill; the lists read before it stay.
    if (!read)
      return;
    // A list starting with "|" lets the user type other values in the grid as well.
    if (listText.size() > 1 && vsCL_)
      trap([&] { vsCL_->model()->setColComboList(list.column, listText); });
  }
}

void DefaultPanel::ReadITRDefSetting() {
  ErrorTrap trap(u"frmKestrel", u"ReadITRDefSetting");
  QString file;
  if (!trap([&] { file = SettingsFile(); }))
    return;
  // A failing read of the settings file ends the routine; a key that is missing gives its
  // default.
  auto get = [&](const char* key, const QString& fallback, QString& out) {
    return trap([&] { out = Base().GetSettingINI(section(), QString::fromLatin1(key), fallback, file); });
  };
  QString value;
  if (!get("P_MOBILE", {}, value))
    return;
  SetComboValue(cmbp_mob, value);
  if (!get("ISCUSTMOB", QStringLiteral("0"), value))
    return;
  trap([&] { setCheckValue(ChkCustMobile, value); });
  if (!get("P_EMAIL", {}, value))
    return;
  SetComboValue(cmbp_email, value);
  if (!get("ISFROMSETUP", QStringLiteral("0"), value))
    return;
  trap([&] { setCheckValue(ChkFetchAlias, value); });
  if (!get("MAXEMAIL", {}, value))
    return;
  TxtMaxEMail->setText(value);
  if (!get("MAXEMOB", {}, value))
    return;
  TxtMaxMobile->setText(value);
  if (!get("S_MOBILE", {}, value))
    return;
  SetComboValue(CmbSecMob, value);
  if (!get("S_EMAIL", {}, value))
    return;
  SetComboValue(Cmbsecemail, value);

  if (TxtMaxEMail->text().trimmed().isEmpty())
    TxtMaxEMail->setText(QStringLiteral("10"));
  if (TxtMaxMobile->text().trimmed().isEmpty())
    TxtMaxMobile->setText(QStringLiteral("10"));
}

void DefaultPanel::SaveITRDefSetting() {
  ErrorTrap trap(u"frmKestrel", u"SaveITRDefSetting");
  QString file;
  if (!trap([&] { file = SettingsFile(); }))
    return;
  const std::pair<const char*, QString> values[] = {
      {"ISCUSTMOB", checkValue(ChkCustMobile)}, {"P_MOBILE", cmbp_mob->currentText()},
      {"P_EMAIL", cmbp_email->currentText()},   {"ISFROMSETUP", checkValue(ChkFetchAlias)},
      {"MAXEMAIL", TxtMaxEMail->text()},        {"MAXEMOB", TxtMaxMobile->text()},
      {"S_MOBILE", CmbSecMob->currentText()},   {"S_EMAIL", Cmbsecemail->currentText()},
  };
  for (const auto& [key, value] : values) {
    if (!trap([&] { Base().SaveSettingINI(section(), QString::fromLatin1(key), value, file); }))
      return;
  }
}

DefaultChoices DefaultPanel::choices() const {
  DefaultChoices c;
  c.primaryMobile = cmbp_mob->currentText();
  c.primaryEMail = cmbp_email->currentText();
  c.secondaryMobile = CmbSecMob->currentText();
  c.secondaryEMail = Cmbsecemail->currentText();
  c.useClientMobile = ChkCustMobile->checkState() == Qt::Checked;
  c.fetchAlias = ChkFetchAlias->checkState() == Qt::Checked;
  for (std::size_t i = 0; i < cboContBelongsTo.size(); ++i) {
    const QComboBox* box = cboContBelongsTo[i];
    if (box->currentIndex() >= 1)
      c.relation[i] = QString::number(box->currentData().toInt());
  }
  return c;
}

QWidget* DefaultPanel::focusTarget(PanelField field) const {
  switch (field) {
    case PanelField::PrimaryMobile:
      return cmbp_mob;
    case PanelField::PrimaryEMail:
      return cmbp_email;
    case PanelField::SecondaryMobile:
      return CmbSecMob;
    case PanelField::SecondaryEMail:
      return Cmbsecemail;
  }
  return cmbp_mob;
}

void DefaultPanel::CmdSecDefault_Click() {
  ErrorTrap trap(u"frmKestrel", u"CmdSecDefault_Click");
  const DefaultChoices chosen = choices();
  if (const auto refusal = CheckDefaultChoices(chosen)) {
    ui().MsgBox(refusal->message, Interaction::Icon::Information);
    focusTarget(refusal->focus)->setFocus();
    return;
  }

  if (vsCL_)
    trap([&] { AssignDefaults(*vsCL_->model(), chosen); });

  // Values typed rather than picked are remembered for the lists.
  struct Remember {
    QComboBox* combo;
    bool skipped;
    const char* insert;
  };
  const Remember remember[] = {
      {cmbp_email, chosen.fetchAlias, "INSERT INTO TblITR_PriMail (s_eMail) VALUES('"},
      {cmbp_mob, chosen.useClientMobile, "INSERT INTO TblITR_PriMob (s_Mobile) VALUES('"},
      {Cmbsecemail, false, "INSERT INTO TblITR_SecMail (s_eMail) VALUES('"},
      {CmbSecMob, false, "INSERT INTO TblITR_SecMob (s_Mobile) VALUES('"},
  };
  for (const Remember& r : remember) {
    if (r.skipped || ListIndex(r.combo) >= 0 || r.combo->currentText().isEmpty())
      continue;
    trap([&] {
      Base().ConQuery(QString::fromLatin1(r.insert) + Base().TruncVarSQL(r.combo->currentText().trimmed()) +
                      QStringLiteral("')"));
    });
    trap([&] { Base().ConQuery(QStringLiteral("Flush Tables")); });
  }

  if (chosen.fetchAlias)
    SETMAILS();

  SaveITRDefSetting();
  ReadDefaultDetails();
  ReadITRDefSetting();
  CmdCancelDefault_Click();
  if (vsCL_)
    trap([&] { vsCL_->model()->AutoSize(0, vsCL_->model()->Cols() - 1); });
}

void DefaultPanel::CmdCancelDefault_Click() {
  ErrorTrap trap(u"frmKestrel", u"CmdCancelDefault_Click");
  // Hiding moves the focus out of the fields; that is no leaving to check.
  const bool wasChecking = checking_;
  checking_ = true;
  trap([&] { emit closeRequested(); });
  checking_ = wasChecking;
  leaveRefused_ = false;
}

void DefaultPanel::SETMAILS() {
  ErrorTrap trap(u"frmKestrel", u"SETMAILS");
  if (!vsCL_)
    return;
  grid::FlexGridModel& g = *vsCL_->model();
  std::unique_ptr<Recordset> rs;
  const bool opened = trap([&] {
    Base().RecordsetQuery(
        rs,
        QStringLiteral("SELECT F.*, D.sDomain FROM WebMailFwder as F INNER JOIN WebMailDomain as "
                       "D ON D.DomainID = F.DomainID"),
        Base().DBObj(), ado::adOpenForwardOnly, ado::adLockReadOnly);
  });
  if (opened) {
    trap([&] {
      // The first row holding each code, looked up once instead of searching per record.
      QHash<QString, int> rowOfCode;
      rowOfCode.reserve(g.Rows());
      for (int row = g.Rows() - 1; row >= 1; --row) rowOfCode[g.TextMatrix(row, col::PartyCode)] = row;

      const RedrawPause pause(g);
      while (!rs->Eof()) {
        const int row = rowOfCode.value(rs->Text(u"CodeNo"), -1);
        if (row >= 0 && g.CellChecked(row, col::SrNo) == grid::flexChecked)
          g.setTextMatrix(row, NewEMail1, rs->Text(u"sAlias") + QLatin1Char('@') + rs->Text(u"sDomain"));
        rs->MoveNext();
      }
    });
  }
  trap([&] { g.AutoSize(0, g.Cols() - 1); });
  trap([&] {
    if (rs && rs->isOpen())
      rs->Close();
  });
}

void DefaultPanel::assignClicked() {
  // The click that moved the focus out of a refused field does not assign.
  if (leaveRefused_) {
    leaveRefused_ = false;
    return;
  }
  CmdSecDefault_Click();
}

bool DefaultPanel::LeaveCheck(QWidget* field) {
  if (field == cmbp_mob || field == CmbSecMob) {
    const QString text = static_cast<QComboBox*>(field)->currentText();
    const CellVerdict verdict = CheckCellValue(NewMobile1, text);
    if (!verdict.accepted && !verdict.message.isEmpty())
      ui().MsgBox(verdict.message, Interaction::Icon::Information);
    return verdict.accepted;
  }
  if (field == cmbp_email || field == Cmbsecemail)
    return CheckCellValue(NewEMail1, static_cast<QComboBox*>(field)->currentText()).accepted;
  if (field == TxtMaxEMail || field == TxtMaxMobile) {
    const QString text = static_cast<QLineEdit*>(field)->text();
    return text.isEmpty() || IsNumeric(text);
  }
  return true;
}

bool DefaultPanel::eventFilter(QObject* watched, QEvent* event) {
  QWidget* field = nullptr;
  for (QComboBox* combo : {cmbp_mob, cmbp_email, CmbSecMob, Cmbsecemail})
    if (watched == combo || watched == combo->lineEdit())
      field = combo;
  if (watched == TxtMaxEMail || watched == TxtMaxMobile)
    field = static_cast<QWidget*>(watched);
  if (!field)
    return QFrame::eventFilter(watched, event);

  if (event->type() == QEvent::KeyPress) {
    // Typing in a field after a refusal: the next click is a fresh one.
    leaveRefused_ = false;
    if (field != TxtMaxEMail && field != TxtMaxMobile)
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
    if (next && (next == CmdCancelDefault || next == field || field->isAncestorOf(next)))
      return false;
    checking_ = true;
    const bool accepted = LeaveCheck(field);
    checking_ = false;
    leaveRefused_ = !accepted;
    if (!accepted)
      field->setFocus(Qt::OtherFocusReason);
    return false;
  }
  return QFrame::eventFilter(watched, event);
}

void SetComboValue(QComboBox* combo, const QString& text) {
  for (int i = 0; i < combo->count(); ++i) {
    if (combo->itemText(i) == text) {
      SetListIndex(combo, i);
      return;
    }
  }
}

}  // namespace kestrel
