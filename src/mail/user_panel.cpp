#include "mail/user_panel.h"

#include "controls/panel_builders.h"
#include "entry/error_log.h"
#include "entry/interaction.h"
#include "mail/hosting_requests.h"
#include "mail/mail_store.h"
#include "mail/mail_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kestrel::mail {

namespace {

QLineEdit* passwordLine(const char* name, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(QString::fromLatin1(name));
  field->setEchoMode(QLineEdit::Password);
  // Masked with "*", as the suite's password fields are.
  field->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
  return field;
}

}  // namespace

UserPanel::UserPanel(MailWindow& window) : QFrame(&window), window_(window) {
  setObjectName(QStringLiteral("FraUser"));
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Raised);
  setAutoFillBackground(true);

  userBox = new QComboBox(this);
  userBox->setObjectName(QStringLiteral("CmbUser"));
  userBox->setEditable(true);
  userBox->setInsertPolicy(QComboBox::NoInsert);
  passwordField = passwordLine("TxtPwd", this);
  retypedField = passwordLine("TxtRePwd", this);
  showPasswordBox = new QCheckBox(QStringLiteral("Show Password"), this);
  showPasswordBox->setObjectName(QStringLiteral("ChkShowPwd"));
  createOption = new QRadioButton(QStringLiteral("Create New (From Kov)"), this);
  createOption->setObjectName(QStringLiteral("OptNew"));
  createOption->setChecked(true);
  existingOption = new QRadioButton(QStringLiteral("Existing User"), this);
  existingOption->setObjectName(QStringLiteral("OptExisting"));
  saveButton = MakeButton("CmdOKUser", "&Save", this);
  cancelButton = MakeButton("CmdCancelUser", "&Cancel", this);
  deleteButton = MakeButton("Command3", "&Delete", this);

  auto* title = new QLabel(QStringLiteral("User Setup"), this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);

  auto* fields = new QGridLayout;
  fields->addWidget(MakeBuddyLabel("&User Name", userBox, this), 0, 0);
  fields->addWidget(userBox, 0, 1);
  fields->addWidget(MakeBuddyLabel("&Password", passwordField, this), 1, 0);
  fields->addWidget(passwordField, 1, 1);
  fields->addWidget(MakeBuddyLabel("&ReType Password", retypedField, this), 2, 0);
  fields->addWidget(retypedField, 2, 1);
  fields->addWidget(showPasswordBox, 3, 1);
  auto* options = new QHBoxLayout;
  options->addWidget(createOption);
  options->addWidget(existingOption);
  options->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (ZENButton* b : {saveButton, deleteButton, cancelButton}) buttons->addWidget(b);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title);
  layout->addLayout(fields);
  layout->addLayout(options);
  layout->addLayout(buttons);
  setMinimumWidth(420);

  connect(userBox, &QComboBox::activated, this, &UserPanel::showStoredPassword);
  connect(showPasswordBox, &QCheckBox::toggled, this, &UserPanel::showPasswords);
  connect(saveButton, &ZENButton::Click, this, &UserPanel::saveUser);
  connect(cancelButton, &ZENButton::Click, this, &UserPanel::closePanel);
  connect(deleteButton, &ZENButton::Click, this, &UserPanel::deleteUser);
}

int UserPanel::listedIndex() const {
  const int index = userBox->currentIndex();
  return index >= 0 && userBox->itemText(index) == userBox->currentText() ? index : -1;
}

void UserPanel::showStoredPassword(int index) {
  ErrorTrap trap(MailWindowName, u"CmbUser_Click");
  trap([&] {
    const QString stored = window_.state.userPasswords.value(index);
    passwordField->setText(stored);
    retypedField->setText(stored);
  });
}

void UserPanel::showPasswords(bool shown) {
  for (QLineEdit* field : {passwordField, retypedField})
    field->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
}

void UserPanel::saveUser() {
  // Read once: the list may pick the typed name's entry, and fill in its stored password, when
  // the focus leaves it during the request.
  const QString name = userBox->currentText();
  const QString password = passwordField->text();
  const QString retyped = retypedField->text();
  const auto refuse = [](const char* message, QWidget* focus) {
    ui().MsgBox(QString::fromLatin1(message), Interaction::Icon::Information);
    focus->setFocus();
  };
  if (name.trimmed().isEmpty())
    return refuse(NoUserNameMessage, userBox);
  if (password.isEmpty())
    return refuse(NoPasswordMessage, passwordField);
  if (password != retyped)
    return refuse(PasswordMismatchMessage, retypedField);

  MailState& state = window_.state;
  const int listed = listedIndex();
  bool store = true;
  const bool create = createOption->isChecked();
  if (create) {
    state.lastResult.clear();
    // The panel waits for the hosting panel's answer; a second click meanwhile is not taken.
    setEnabled(false);
    state.lastResult =
        CreateMailbox(window_.hostingAccess(), name, password, retyped, FailureNotice::MessageBox).result;
    setEnabled(true);
    store = IsHostingSuccess(state.lastResult);
  }
  if (store) {
    if (listed < 0)
      InsertUser(state.currentDomainId, name, password);
    else
      UpdateUserPassword(userBox->itemData(listed).toInt(), state.currentDomainId, name, state.currentDomain,
                         password);
  }
  if (create && !state.lastResult.isEmpty())
    ui().MsgBox(state.lastResult, Interaction::Icon::Information);
  window_.loadUsers();
  closePanel();
}

void UserPanel::deleteUser() {
  const int listed = listedIndex();
  const int userId = listed < 0 ? 0 : userBox->itemData(listed).toInt();
  if (userId <= 0)
    return;
  const int domainId = window_.state.currentDomainId;
  if (UserHasAliases(userId, domainId)) {
    ui().MsgBox(QString::fromLatin1(UserForwardsMessage), Interaction::Icon::None);
    return;
  }
  // The mailbox on the hosting account stays; only the store forgets it.
  DeleteUser(userId, domainId);
  window_.loadUsers();
}

void UserPanel::closePanel() {
  window_.hideOverlay(this);
}

}  // namespace kestrel::mail
