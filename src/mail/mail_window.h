#pragma once

#include "mail/hosting_call.h"
#include "mail/mail_rules.h"

#include <QStringList>
#include <QWidget>

#include <vector>

namespace kestrel::mail {

class AliasPanel;
class AliasProgressPanel;
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
// hosting panel, its mailbox users and one alias per client. The main panel holds the clients;
// in front of it at most one of the user panel, the alias panel and the progress panel of an
// alias run (the main panel is disabled meanwhile). One window at a time: the main window's
// "&Mail Setup" opens it or brings it to the front.
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
  // Whether an alias run is under way.
  bool isRunning() const { return running_; }

  // The hosting panel as the fields name it.
  HostingAccess hostingAccess() const;

  // An overlay in front, the main panel disabled; or hidden and the main panel enabled.
  void showOverlay(QWidget* overlay);
  void hideOverlay(QWidget* overlay);
  QWidget* overlayInFront() const;

  // The window previews the keys of its controls; true when the key was swallowed.
  bool previewKey(int keyCode, QObject* target);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void connectControls();
  void layoutOverlays();
  void clientGridBeforeEdit(int row, int col, bool& cancel);
  void clientGridAfterEdit(int row, int col);
  // Whether leaving the host or domain field is a move inside the window (their validate
  // event), rather than the window losing the focus.
  bool isFieldLeft(QEvent* event) const;

  bool running_ = false;
  bool closeAfterRun_ = false;
};

}  // namespace kestrel::mail
