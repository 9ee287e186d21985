#pragma once

#include <QFrame>

class QCheckBox;
class QLineEdit;

namespace kestrel {

class ZENButton;

namespace mail {

class MailWindow;

// The account panel `FraAdvSetup` ("E-Mail Account Setup") over the inbox: the address, password,
// server, port and SSL of one of the firm's mail accounts. It edits the account chosen in the
// inbox's account list and keeps it in the account grid and the store.
class AccountPanel : public QFrame {
  Q_OBJECT

 public:
  explicit AccountPanel(MailWindow& window);

  QLineEdit* addressField = nullptr;     // TxtEmail
  QLineEdit* passwordField = nullptr;    // TxtEmailPass
  QCheckBox* showPasswordBox = nullptr;  // ChkShowEPass
  QLineEdit* hostField = nullptr;        // TxtEmailSMTp
  QLineEdit* portField = nullptr;        // TxtEmailPort
  QCheckBox* sslBox = nullptr;           // ChkEmailSSL
  ZENButton* saveButton = nullptr;       // CmdEMailSave
  ZENButton* cancelButton = nullptr;     // CmdCancelAdvSetup

  // The account being edited: its ID (TxtEmail's tag; "" or -1 for a new account) and its row
  // in the account grid (TxtEmailPass's tag; "" for none).
  QString idTag;
  QString rowTag;
  // "1" once an account is chosen or saved, "0" while the panel was opened to complete one; the
  // inbox reads the mailbox only under "1".
  QString mark = QStringLiteral("1");

  // CmdEmailSetup ("..."): the panel over the inbox with the chosen account's fields.
  void openPanel();
  // CmdEMailSave ("&Save").
  void saveAccount();
  // CmdCancelAdvSetup ("&Cancel"), also after a save.
  void closePanel();
  // ChkShowEPass: the password in clear or masked with "*".
  void showPassword(bool shown);

 private:
  MailWindow& window_;
};

}  // namespace mail
}  // namespace kestrel
