#pragma once

#include <QFrame>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace kestrel {

class ZENButton;
namespace grid {
class FlexGrid;
}

namespace mail {

// The mail window's main panel `FraMainOuter`: the hosting panel's address and the domain,
// the mailbox user whose aliases are shown (`CmbForward`), the client grid `VS` with its find
// row, and the window's buttons. The window connects the controls; the panel only lays them
// out under their legacy object names.
class MailSetupPanel : public QFrame {
  Q_OBJECT

 public:
  explicit MailSetupPanel(QWidget* parent = nullptr);

  QLineEdit* hostField = nullptr;          // TxtURL
  QLineEdit* domainField = nullptr;        // TxtDomain
  QCheckBox* useBrowserBox = nullptr;      // chkUseIE
  QComboBox* forwardToBox = nullptr;       // CmbForward; item data: UserID, -1 for "ALL"
  ZENButton* userSetupButton = nullptr;    // Command2 ("...")
  QLineEdit* forwarderField = nullptr;     // TxtForwarder: the selected user's name
  QString forwarderTag;                    // its tag: the UserID, "-1" for "ALL", "" for none
  QLineEdit* forwarderPassword = nullptr;  // TxtPassword (not shown)

  grid::FlexGrid* clientGrid = nullptr;  // VS
  QComboBox* findColumnBox = nullptr;    // CmbFind; item data: grid column
  QComboBox* findKindBox = nullptr;      // CmbHaving; item data: the kind's number
  QLineEdit* findField = nullptr;        // TxtFind
  ZENButton* findButton = nullptr;       // CmdFind

  ZENButton* allClientsButton = nullptr;  // CmdGenClient
  ZENButton* aliasSetupButton = nullptr;  // CmdSetupFwd
  ZENButton* inboxButton = nullptr;       // CmdInbox
  ZENButton* quitButton = nullptr;        // CmdQuit

  // The selected user's number as the tag holds it (0 for none, -1 for "ALL").
  int selectedUserId() const;
};

}  // namespace mail
}  // namespace kestrel
