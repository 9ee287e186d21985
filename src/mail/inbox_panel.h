#pragma once

#include <QFrame>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace kestrel {

class ZENButton;
namespace grid {
class FlexGrid;
}

namespace mail {

class MailPreview;
class MailWindow;

// The inbox `FraInbox` over the mail window's main panel: one of the firm's mail accounts is
// read into the message grid, the selected message shows in the preview with its attachments.
// The messages of the last reading lie in the scratch folder under the suite's temporary folder.
class InboxPanel : public QFrame {
  Q_OBJECT

 public:
  explicit InboxPanel(MailWindow& window);

  QLabel* headingLabel = nullptr;           // LblInboxHead
  QComboBox* accountBox = nullptr;          // CmbEMail; item data: the account's ID, -1 for none
  ZENButton* accountSetupButton = nullptr;  // CmdEmailSetup ("...")
  grid::FlexGrid* accountGrid = nullptr;    // VSEmail (not shown)
  grid::FlexGrid* messageGrid = nullptr;    // VSInbox
  QCheckBox* showToBox = nullptr;           // ChkShowTo
  QComboBox* searchColumnBox = nullptr;     // CmbSearch; item data: grid column
  QLineEdit* searchField = nullptr;         // TxtSearch
  ZENButton* searchButton = nullptr;        // CmdSearch
  ZENButton* showMailsButton = nullptr;     // CmdShowMails
  ZENButton* refreshButton = nullptr;       // CmdRefresh
  ZENButton* autoRefreshButton = nullptr;   // CmdAutoRefresh
  ZENButton* deleteButton = nullptr;        // CmdDelete
  ZENButton* backButton = nullptr;          // CmdBack
  MailPreview* preview = nullptr;           // WebBrowser
  QListWidget* attachmentList = nullptr;    // LstAttach: file names
  QStringList attachmentPaths;              // LstAttachPath: full paths, same order

  // CmdInbox ("&Check E-Mails"): the panel over the main panel with the accounts filled in.
  void openPanel();
  // CmdBack.
  void closePanel();
  // FillEmailAc: the stored accounts and the domain's mailbox users into the grid and the list.
  void fillAccounts();
  // CmdShowMails and CmdRefresh: reads the chosen account, or opens the account panel for an
  // entry that has no stored account yet.
  void showMails();
  // CheckforMails.
  void checkForMails();
  // GetMailContent: the message of the grid's current row into the preview and the lists.
  void showMessage();
  // CmdSearch.
  void searchMessages();
  // ChkShowTo.
  void showToColumn(bool shown);
  // LstAttach: opens the attachment with the desktop's program.
  void openAttachment(int index);
  // Whether a reading is under way.
  bool isReading() const { return reading_; }

 private:
  void messageGridClicked();
  void clearMessage();

  MailWindow& window_;
  bool reading_ = false;
  int shownRow_ = -1;  // the row whose message the preview shows
  int sortColumn_ = -1;
  bool sortAscending_ = true;
};

inline constexpr const char* InboxHeading = "Inbox : Check Mails";

}  // namespace mail
}  // namespace kestrel
