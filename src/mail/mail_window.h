#pragma once

#include "mail/hosting_call.h"
#include "mail/mail_rules.h"

#include <QHash>
#include <QStringList>
#include <QWidget>

#include <vector>

namespace kestrel::mail {

class AccountPanel;
class AliasPanel;
class AliasProgressPanel;
class InboxPanel;
class MailSetupPanel;
class UserPanel;

// What the window knows of its domain while it is open.
struct MailState {
  QString currentHost;      // CurrentHost: the host address as typed, normalised
  QString currentDomain;    // CurrentDomain: the domain as typed, normalised
  int currentDomainId = 0;  // CurrentDomainID: 0 while the domain is not identified
  QString lastResult;       // LastResult: of the last hosting-panel request
  // UserPasswords: the passwords of CmbForward's entries in the same order ("" for "ALL").
  QStringList userPasswords;
  int seriesCounter = 0;  // SeriesCounter: the alias number series
};

// The mail window ("FrmMailSetup" in the log and as its object name): the firm's domain on the
// hosting panel, its mailbox users, one alias per client, and the inbox of the firm's mail
// accounts. The main panel holds the clients; in front of it at most one of the user panel, the
// alias panel, the progress panel of an alias run and the inbox (the main panel is disabled
// meanwhile). Over the inbox, the account panel or the progress panel of a reading. One window
// at a time: the main window's "&Mail Setup" opens it or brings it to the front.
class MailWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr const char* Caption = "E-Mail Setup";

  // The open window, created when there is none.
  static MailWindow& openDefault();
  static MailWindow* instance();

  explicit MailWindow(QWidget* parent = nullptr);
  ~MailWindow() override;

  MailSetupPanel* mainPanel = nullptr;          // FraMainOuter
  UserPanel* userPanel = nullptr;               // FraUser
  AliasPanel* aliasPanel = nullptr;             // FraFwdSetup
  AliasProgressPanel* progressPanel = nullptr;  // FraPBar
  InboxPanel* inboxPanel = nullptr;             // FraInbox
  AccountPanel* accountPanel = nullptr;         // FraAdvSetup
  MailState state;

  // The clients handed over by the main window: the grid emptied, one ticked row each.
  void loadClients(const std::vector<AliasClient>& clients);
  // InitMe: the domain created last, then its users and aliases.
  void InitMe();

  // GetDomainID: identifies the domain of the host and domain fields, creating its row when
  // missing, and reloads its users.
  void identifyDomain();
  // FillDomain: the host and domain fields from the domain created last.
  void showLatestDomain();
  // Fillusers: the domain's users into the forward-to list and the user panel's list.
  void loadUsers();
  // CmbForward's selection handler: the selected user, then its aliases.
  void selectForwarder();
  // FillForwarders: the domain's aliases into the grid.
  void showForwarders();
  // FillVelmarClients ("&Show All Clients").
  void showAllClients();
  // CmdFind ("&Go").
  void findClients();
  // Command2 ("..."): the checks, then the user panel.
  void openUserPanel();
  // CmdSetupFwd ("&Set Forwarder").
  void openAliasPanel();
  // SetForwarders: creates the ticked clients' aliases on the panel and records them.
  void createAliases();
  // Whether an alias run or a reading of the inbox is under way.
  bool isRunning() const { return running_; }
  // A run begins or has ended; a window closed during a run closes once it has ended.
  void setRunning(bool running);

  // The hosting panel as the fields name it.
  HostingAccess hostingAccess() const;

  // An overlay in front of the panel it covers (the main panel unless given), which is disabled
  // meanwhile; or hidden and the panel it covered enabled again.
  void showOverlay(QWidget* overlay, QWidget* covered = nullptr);
  void hideOverlay(QWidget* overlay);
  QWidget* overlayInFront() const;

  // The window previews the keys of its controls; true when the key was swallowed.
  bool previewKey(int keyCode, QObject* target);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void connectControls();
  void layoutOverlays();
  // The smallest size at which the main panel keeps its controls and every overlay fits whole.
  void updateMinimumSize();
  void clientGridBeforeEdit(int row, int col, bool& cancel);
  void clientGridAfterEdit(int row, int col);
  // Whether leaving the host or domain field is a move inside the window (their validate
  // event), rather than the window losing the focus.
  bool isFieldLeft(QEvent* event) const;

  // The overlays in the order Escape closes them.
  std::vector<QWidget*> overlays() const;

  bool running_ = false;
  bool closeAfterRun_ = false;
  QHash<QWidget*, QWidget*> covered_;  // overlay -> the panel it covers
};

}  // namespace kestrel::mail
