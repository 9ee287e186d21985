#include "mail/mail_setup_panel.h"

#include "controls/panel_builders.h"
#include "mail/client_grid.h"
#include "platform/grid/flexgrid.h"
#include "register/edit_rules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kestrel::mail {

MailSetupPanel::MailSetupPanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("FraMainOuter"));
  setFrameShape(QFrame::StyledPanel);

  hostField = new QLineEdit(this);
  hostField->setObjectName(QStringLiteral("TxtURL"));
  hostField->setPlaceholderText(QStringLiteral("panel.example.in or 203.0.113.7"));
  domainField = new QLineEdit(this);
  domainField->setObjectName(QStringLiteral("TxtDomain"));
  domainField->setPlaceholderText(QStringLiteral("example.in"));
  useBrowserBox = new QCheckBox(QStringLiteral("Use IE"), this);
  useBrowserBox->setObjectName(QStringLiteral("chkUseIE"));

  forwardToBox = new QComboBox(this);
  forwardToBox->setObjectName(QStringLiteral("CmbForward"));
  forwardToBox->setMinimumWidth(180);
  userSetupButton = MakeButton("Command2", "...", this);
  userSetupButton->setToolTip(QStringLiteral("Mailbox users of the domain"));
  userSetupButton->setFixedWidth(32);
  forwarderField = new QLineEdit(this);
  forwarderField->setObjectName(QStringLiteral("TxtForwarder"));
  forwarderField->setReadOnly(true);
  forwarderField->setFocusPolicy(Qt::NoFocus);
  forwarderPassword = new QLineEdit(this);
  forwarderPassword->setObjectName(QStringLiteral("TxtPassword"));
  forwarderPassword->setEchoMode(QLineEdit::Password);
  forwarderPassword->hide();

  clientGrid = new grid::FlexGrid(this);
  clientGrid->setObjectName(QStringLiteral("VS"));
  FormatClientGrid(*clientGrid->model());

  findColumnBox = new QComboBox(this);
  findColumnBox->setObjectName(QStringLiteral("CmbFind"));
  for (int i = 0; i < int(FindColumnEntries.size()); ++i)
    findColumnBox->addItem(QString::fromLatin1(FindColumnEntries[std::size_t(i)]), vs::PartyCode + i);
  findColumnBox->setCurrentIndex(-1);
  findKindBox = new QComboBox(this);
  findKindBox->setObjectName(QStringLiteral("CmbHaving"));
  for (int i = 0; i < int(FindKindEntries.size()); ++i)
    findKindBox->addItem(QString::fromLatin1(FindKindEntries[std::size_t(i)]), i + 1);
  findKindBox->setCurrentIndex(-1);
  findField = new QLineEdit(this);
  findField->setObjectName(QStringLiteral("TxtFind"));
  findField->setClearButtonEnabled(true);
  findButton = MakeButton("CmdFind", "&Go", this);

  allClientsButton = MakeButton("CmdGenClient", "&Show All Clients", this);
  aliasSetupButton = MakeButton("CmdSetupFwd", "&Set Forwarder", this);
  inboxButton = MakeButton("CmdInbox", "&Check E-Mails", this);
  quitButton = MakeButton("CmdQuit", "&Quit", this);

  auto* hostRow = new QHBoxLayout;
  hostRow->addWidget(MakeBuddyLabel("&Host URL", hostField, this));
  hostRow->addWidget(hostField, 2);
  hostRow->addSpacing(12);
  hostRow->addWidget(MakeBuddyLabel("Do&main", domainField, this));
  hostRow->addWidget(domainField, 1);
  hostRow->addWidget(useBrowserBox);

  auto* userRow = new QHBoxLayout;
  userRow->addWidget(MakeBuddyLabel("Forward to -", forwardToBox, this));
  userRow->addWidget(forwardToBox);
  userRow->addWidget(userSetupButton);
  userRow->addWidget(forwarderField, 1);
  userRow->addSpacing(24);
  userRow->addWidget(MakeBuddyLabel("&Find", findColumnBox, this));
  userRow->addWidget(findColumnBox);
  userRow->addWidget(findKindBox);
  userRow->addWidget(findField, 1);
  userRow->addWidget(findButton);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(allClientsButton);
  buttons->addWidget(aliasSetupButton);
  buttons->addWidget(inboxButton);
  buttons->addStretch(1);
  buttons->addWidget(quitButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(hostRow);
  layout->addLayout(userRow);
  layout->addWidget(clientGrid, 1);
  layout->addLayout(buttons);
}

int MailSetupPanel::selectedUserId() const {
  return int(LeadingNumber(forwarderTag));
}

}  // namespace kestrel::mail
