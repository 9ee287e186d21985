#include "mail/account_panel.h"

#include "controls/panel_builders.h"
#include "entry/error_log.h"
#include "entry/interaction.h"
#include "entry/mod_it_main.h"
#include "mail/inbox_panel.h"
#include "mail/mail_accounts.h"
#include "mail/mail_ids.h"
#include "mail/mail_window.h"
#include "platform/grid/flexgrid.h"
#include "register/edit_rules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kestrel::mail {

namespace {

QLineEdit* line(const char* name, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(QString::fromLatin1(name));
  return field;
}

}  // namespace

AccountPanel::AccountPanel(MailWindow& window) : QFrame(&window), window_(window) {
  setObjectName(QStringLiteral("FraAdvSetup"));
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Raised);
  setAutoFillBackground(true);

  addressField = line("TxtEmail", this);
  passwordField = line("TxtEmailPass", this);
  passwordField->setEchoMode(QLineEdit::Password);
  passwordField->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
  showPasswordBox = new QCheckBox(QStringLiteral("Show Password"), this);
  showPasswordBox->setObjectName(QStringLiteral("ChkShowEPass"));
  hostField = line("TxtEmailSMTp", this);
  hostField->setPlaceholderText(QStringLiteral("pop.example.in"));
  portField = line("TxtEmailPort", this);
  portField->setMaximumWidth(90);
  sslBox = new QCheckBox(QStringLiteral("SSL State"), this);
  sslBox->setObjectName(QStringLiteral("ChkEmailSSL"));
  saveButton = MakeButton("CmdEMailSave", "&Save", this);
  cancelButton = MakeButton("CmdCancelAdvSetup", "&Cancel", this);

  auto* title = new QLabel(QStringLiteral("E-Mail Account Setup"), this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);

  auto* fields = new QGridLayout;
  fields->addWidget(MakeBuddyLabel("&E-Mail", addressField, this), 0, 0);
  fields->addWidget(addressField, 0, 1, 1, 3);
  fields->addWidget(MakeBuddyLabel("&Password", passwordField, this), 1, 0);
  fields->addWidget(passwordField, 1, 1, 1, 3);
  fields->addWidget(showPasswordBox, 2, 1, 1, 3);
  fields->addWidget(MakeBuddyLabel("SMTP &Host", hostField, this), 3, 0);
  fields->addWidget(hostField, 3, 1, 1, 3);
  fields->addWidget(MakeBuddyLabel("P&ort", portField, this), 4, 0);
  fields->addWidget(portField, 4, 1);
  fields->addWidget(sslBox, 4, 2);
  fields->setColumnStretch(3, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(saveButton);
  buttons->addWidget(cancelButton);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title);
  layout->addLayout(fields);
  layout->addLayout(buttons);
  setMinimumWidth(440);

  connect(showPasswordBox, &QCheckBox::toggled, this, &AccountPanel::showPassword);
  connect(saveButton, &ZENButton::Click, this, &AccountPanel::saveAccount);
  connect(cancelButton, &ZENButton::Click, this, &AccountPanel::closePanel);
}

void AccountPanel::openPanel() {
  ErrorTrap trap(MailWindowName, u"CmdEmailSetup_Click");
  InboxPanel& inbox = *window_.inboxPanel;
  window_.showOverlay(this, &inbox);
  sslBox->setChecked(false);
  portField->setText(QStringLiteral("110"));
  addressField->clear();
  passwordField->clear();
  hostField->clear();
  idTag.clear();
  rowTag.clear();
  trap([&] {
    const grid::FlexGridModel& g = *inbox.accountGrid->model();
    const int row = FindAccountRow(g, inbox.accountBox->currentText());
    if (row < 0)
      return;
    addressField->setText(g.TextMatrix(row, vsemail::Email));
    passwordField->setText(g.TextMatrix(row, vsemail::Password));
    hostField->setText(g.TextMatrix(row, vsemail::Smtp));
    portField->setText(g.TextMatrix(row, vsemail::Port));
    sslBox->setChecked(LeadingNumber(g.TextMatrix(row, vsemail::Ssl)) != 0);
    idTag = g.TextMatrix(row, vsemail::Id);
    rowTag = QString::number(row);
  });
  addressField->setFocus();
}

void AccountPanel::saveAccount() {
  ErrorTrap trap(MailWindowName, u"CmdEMailSave_Click");
  const AccountForm form{addressField->text(), passwordField->text(), hostField->text(), portField->text(),
                         sslBox->isChecked()};
  if (const auto refusal = CheckAccount(form)) {
    ui().MsgBox(refusal->message, Interaction::Icon::Information);
    QLineEdit* const fields[] = {addressField, passwordField, hostField, portField};
    fields[int(refusal->field)]->setFocus();
    return;
  }
  const int given = int(LeadingNumber(idTag));
  const int id = given >= 1 ? given : GetMaxID(Base(), u"WebEMailAc", u"ID") + 1;
  if (AccountAddressTaken(form.address, id)) {
    ui().MsgBox(QString::fromLatin1(DuplicateAccountMessage), Interaction::Icon::Information);
    addressField->setFocus();
    return;
  }
  const int port = PortNumber(form.port);
  const int saved =
      SaveAccount(given >= 1 ? given : 0, form.address, form.password, form.host, port, form.ssl);

  InboxPanel& inbox = *window_.inboxPanel;
  const int row = int(LeadingNumber(rowTag));
  if (row < 1) {
    inbox.fillAccounts();
    // The account just made is the one the user goes on with.
    const int index = inbox.accountBox->findData(saved);
    if (index >= 0)
      inbox.accountBox->setCurrentIndex(index);
  } else {
    trap([&] {
      grid::FlexGridModel& g = *inbox.accountGrid->model();
      const QString cells[vsemail::Count] = {
          QString::number(saved), form.address.trimmed(),
          form.password,          form.host.trimmed(),
          QString::number(port),  form.ssl ? QStringLiteral("1") : QStringLiteral("0")};
      for (int c = 0; c < vsemail::Count; ++c) g.setTextMatrix(row, c, cells[c]);
    });
    const int index = inbox.accountBox->currentIndex();
    if (index >= 0) {
      inbox.accountBox->setItemData(index, saved);
      inbox.accountBox->setItemText(index, form.address.trimmed());
    }
  }
  mark = QStringLiteral("1");
  closePanel();
}

void AccountPanel::closePanel() {
  window_.hideOverlay(this);
}

void AccountPanel::showPassword(bool shown) {
  passwordField->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
}

}  // namespace kestrel::mail
