#pragma once

#include <QFrame>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace kestrel {

class ZENButton;

namespace mail {

class MailWindow;

// The user panel `FraUser` ("User Setup"): creates a mailbox user on the hosting panel or
// records one that exists, changes a user's stored password and deletes a user from the store.
class UserPanel : public QFrame {
  Q_OBJECT

 public:
  explicit UserPanel(MailWindow& window);

  QComboBox* userBox = nullptr;            // CmbUser: the domain's users (item data UserID); typed: new
  QLineEdit* passwordField = nullptr;      // TxtPwd
  QLineEdit* retypedField = nullptr;       // TxtRePwd
  QCheckBox* showPasswordBox = nullptr;    // ChkShowPwd
  QRadioButton* createOption = nullptr;    // "Create New (From Kov)"
  QRadioButton* existingOption = nullptr;  // OptExisting
  ZENButton* saveButton = nullptr;         // CmdOKUser
  ZENButton* cancelButton = nullptr;       // CmdCancelUser
  ZENButton* deleteButton = nullptr;       // Command3

  // The entry whose name the list shows, -1 for a typed name.
  int listedIndex() const;
  // CmbUser's selection: the user's stored password into both fields.
  void showStoredPassword(int index);
  // CmdOKUser ("&Save").
  void saveUser();
  // Command3 ("&Delete").
  void deleteUser();
  // CmdCancelUser ("&Cancel"), also after a save.
  void closePanel();
  // ChkShowPwd: the passwords in clear or masked with "*".
  void showPasswords(bool shown);

 private:
  MailWindow& window_;
};

inline constexpr const char* NoUserNameMessage = "Please provide a valid username";
inline constexpr const char* NoPasswordMessage = "Please provide a valid password";
inline constexpr const char* PasswordMismatchMessage = "Password and confirm password do not match.";
inline constexpr const char* UserForwardsMessage =
    "Access Denied!\nThis User has been used as forwarder.\nYou can't create  ";

}  // namespace mail
}  // namespace kestrel
