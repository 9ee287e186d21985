#include "mail/inbox_panel.h"

#include "controls/panel_builders.h"
#include "entry/error_log.h"
#include "entry/interaction.h"
#include "entry/mod_it_main.h"
#include "mail/account_panel.h"
#include "mail/alias_progress_panel.h"
#include "mail/alias_run.h"
#include "mail/inbox_reading.h"
#include "mail/mail_accounts.h"
#include "mail/mail_preview.h"
#include "mail/mail_setup_panel.h"
#include "mail/mail_window.h"
#include "mail/mailbox_reader.h"
#include "platform/grid/flexgrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QVBoxLayout>

namespace kestrel::mail {

namespace {

inline constexpr const char* AttachmentNotOpenedMessage = "The attachment %1 could not be opened.";

}  // namespace

InboxPanel::InboxPanel(MailWindow& window) : QFrame(&window), window_(window) {
  setObjectName(QStringLiteral("FraInbox"));
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Raised);
  setAutoFillBackground(true);

  headingLabel = new QLabel(QString::fromLatin1(InboxHeading), this);
  headingLabel->setObjectName(QStringLiteral("LblInboxHead"));
  QFont bold = headingLabel->font();
  bold.setBold(true);
  headingLabel->setFont(bold);

  accountBox = new QComboBox(this);
  accountBox->setObjectName(QStringLiteral("CmbEMail"));
  accountBox->setMinimumWidth(240);
  accountSetupButton = MakeButton("CmdEmailSetup", "...", this);
  accountSetupButton->setToolTip(QStringLiteral("Server, port and password of the account"));
  accountSetupButton->setFixedWidth(32);
  accountGrid = new grid::FlexGrid(this);
  accountGrid->setObjectName(QStringLiteral("VSEmail"));
  FormatAccountGrid(*accountGrid->model());
  accountGrid->hide();

  messageGrid = new grid::FlexGrid(this);
  messageGrid->setObjectName(QStringLiteral("VSInbox"));
  FormatInboxGrid(*messageGrid->model());
  messageGrid->model()->setColHidden(vsinbox::To, true);
  messageGrid->setToolTip(QStringLiteral("Click a column's heading to sort by it"));
  showToBox = new QCheckBox(QStringLiteral("Show 'TO' Column"), this);
  showToBox->setObjectName(QStringLiteral("ChkShowTo"));

  searchColumnBox = new QComboBox(this);
  searchColumnBox->setObjectName(QStringLiteral("CmbSearch"));
  for (int i = 0; i < int(SearchColumnEntries.size()); ++i)
    searchColumnBox->addItem(QString::fromLatin1(SearchColumnEntries[std::size_t(i)]), vsinbox::From + i);
  searchColumnBox->setCurrentIndex(-1);
  searchField = new QLineEdit(this);
  searchField->setObjectName(QStringLiteral("TxtSearch"));
  searchField->setClearButtonEnabled(true);
  searchButton = MakeButton("CmdSearch", "&Go", this);

  showMailsButton = MakeButton("CmdShowMails", "Show Mails", this);
  refreshButton = MakeButton("CmdRefresh", "&Refresh", this);
  autoRefreshButton = MakeButton("CmdAutoRefresh", "&Auto Refresh", this);
  autoRefreshButton->setToolTip(QStringLiteral("The mailbox is read when Show Mails or Refresh is pressed"));
  deleteButton = MakeButton("CmdDelete", "&Delete", this);
  deleteButton->setToolTip(QStringLiteral("Messages stay on the mail server"));
  backButton = MakeButton("CmdBack", "&Back", this);

  preview = new MailPreview(this);
  attachmentList = new QListWidget(this);
  attachmentList->setObjectName(QStringLiteral("LstAttach"));
  attachmentList->setToolTip(QStringLiteral("Click an attachment to open it"));

  auto* accountRow = new QHBoxLayout;
  accountRow->addWidget(MakeBuddyLabel("&E-Mail", accountBox, this));
  accountRow->addWidget(accountBox);
  accountRow->addWidget(accountSetupButton);
  accountRow->addSpacing(12);
  accountRow->addWidget(showToBox);
  accountRow->addStretch(1);
  accountRow->addWidget(MakeBuddyLabel("Searc&h", searchColumnBox, this));
  accountRow->addWidget(searchColumnBox);
  accountRow->addWidget(searchField, 1);
  accountRow->addWidget(searchButton);

  auto* previewBox = new QGroupBox(QStringLiteral("Mail Preview"), this);
  auto* previewLayout = new QVBoxLayout(previewBox);
  previewLayout->addWidget(preview);
  auto* attachmentBox = new QGroupBox(QStringLiteral("Attachments"), this);
  auto* attachmentLayout = new QVBoxLayout(attachmentBox);
  attachmentLayout->addWidget(attachmentList);
  auto* lower = new QSplitter(Qt::Horizontal, this);
  lower->addWidget(previewBox);
  lower->addWidget(attachmentBox);
  lower->setStretchFactor(0, 3);
  lower->setStretchFactor(1, 1);
  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(messageGrid);
  split->addWidget(lower);
  split->setStretchFactor(0, 2);
  split->setStretchFactor(1, 3);

  auto* buttons = new QHBoxLayout;
  for (ZENButton* b : {showMailsButton, refreshButton, autoRefreshButton, deleteButton})
    buttons->addWidget(b);
  buttons->addStretch(1);
  buttons->addWidget(backButton);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(headingLabel);
  layout->addLayout(accountRow);
  layout->addWidget(split, 1);
  layout->addLayout(buttons);

  connect(accountSetupButton, &ZENButton::Click, this, [this] { window_.accountPanel->openPanel(); });
  connect(showMailsButton, &ZENButton::Click, this, &InboxPanel::showMails);
  connect(refreshButton, &ZENButton::Click, this, &InboxPanel::showMails);
  connect(backButton, &ZENButton::Click, this, &InboxPanel::closePanel);
  connect(searchButton, &ZENButton::Click, this, &InboxPanel::searchMessages);
  connect(showToBox, &QCheckBox::toggled, this, &InboxPanel::showToColumn);
  connect(messageGrid, &grid::FlexGrid::EnterCell, this, [this] {
    if (messageGrid->Row() != shownRow_)
      showMessage();
  });
  connect(messageGrid, &grid::FlexGrid::Click, this, &InboxPanel::messageGridClicked);
  connect(attachmentList, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { openAttachment(attachmentList->row(item)); });
}

void InboxPanel::openPanel() {
  headingLabel->setText(QString::fromLatin1(InboxHeading));
  window_.showOverlay(this);
  fillAccounts();
}

void InboxPanel::closePanel() {
  window_.hideOverlay(this);
}

void InboxPanel::fillAccounts() {
  ErrorTrap trap(MailWindowName, u"FillEmailAc");
  const std::vector<StoredAccount> stored = ReadAccounts();
  const QComboBox& forwardTo = *window_.mainPanel->forwardToBox;
  std::vector<DomainMailbox> users;
  for (int i = 0; i < forwardTo.count(); ++i)
    users.push_back(
        {forwardTo.itemData(i).toInt(), forwardTo.itemText(i), window_.state.userPasswords.value(i)});
  const std::vector<AccountEntry> entries = trap.value(
      [&] {
        return FillAccounts(*accountGrid->model(), stored, window_.state.currentDomain,
                            window_.state.currentDomainId, users);
      },
      std::vector<AccountEntry>{});
  const QSignalBlocker block(accountBox);
  accountBox->clear();
  for (const AccountEntry& e : entries) accountBox->addItem(e.text, e.number);
  if (accountBox->count() > 0)
    accountBox->setCurrentIndex(0);
}

void InboxPanel::showMails() {
  AccountPanel& account = *window_.accountPanel;
  const int index = accountBox->currentIndex();
  if (index >= 0) {
    account.mark = QStringLiteral("1");
    if (accountBox->itemData(index).toInt() == -1) {
      account.mark = QStringLiteral("0");
      account.openPanel();
    }
  }
  if (account.mark == QLatin1String("1"))
    checkForMails();
}

void InboxPanel::checkForMails() {
  ErrorTrap trap(MailWindowName, u"CheckforMails");
  if (reading_ || window_.isRunning())
    return;
  const int index = accountBox->currentIndex();
  const grid::FlexGridModel& accounts = *accountGrid->model();
  const int row = index < 0 ? -1 : FindAccountRowById(accounts, accountBox->itemData(index).toInt());
  if (row < 0)
    return;
  grid::FlexGridModel& g = *messageGrid->model();
  trap([&] { g.setRows(vsinbox::FirstRow); });
  clearMessage();

  std::shared_ptr<MailboxReader> reader;
  if (!trap([&] { reader = CreateObject<MailboxReader>(QString::fromLatin1(MailboxReader::ProgId)); }) ||
      !reader) {
    ui().MsgBox(QString::fromLatin1(NoReaderMessage), Interaction::Icon::Information);
    return;
  }
  const InboxAccount account = AccountOfRow(accounts, row);
  AliasProgressPanel& progress = *window_.progressPanel;
  reading_ = true;
  window_.setRunning(true);
  progress.beginReading(account.address);
  window_.showOverlay(&progress, this);
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);

  // The grid shows new rows and fits its columns a few times a second: measuring every row
  // after each message would cost more than reading it.
  QElapsedTimer sinceShown;
  sinceShown.start();
  const auto show = [&] {
    g.setRedraw(true);
    g.AutoSize(0, vsinbox::Date);
    g.setRedraw(false);
    sinceShown.restart();
  };
  InboxReadingHooks hooks;
  hooks.stopped = [&progress] { return !progress.isVisible(); };
  hooks.yield = [] { ui().DoEvents(); };
  hooks.opened = [&progress](int total) { progress.setSteps(total); };
  hooks.messageDone = [&](int done) {
    progress.step(done);
    if (done == 1 || sinceShown.elapsed() >= 250)
      show();
  };
  {
    const grid::RedrawPause pause(g);
    ReadMailbox(*reader, account, g, ScratchFolder(Base().vTmpPath()), hooks);
    reader.reset();
    trap([&] { g.AutoSize(0, vsinbox::Date); });
  }
  QGuiApplication::restoreOverrideCursor();
  window_.hideOverlay(&progress);
  reading_ = false;
  window_.setRunning(false);
  // The newest message shows at once.
  shownRow_ = -1;
  if (g.Rows() > vsinbox::FirstRow && g.Row() < vsinbox::FirstRow)
    g.setRow(vsinbox::FirstRow);
  else
    showMessage();
}

void InboxPanel::clearMessage() {
  attachmentList->clear();
  attachmentPaths.clear();
  preview->showBlank();
}

void InboxPanel::showMessage() {
  if (reading_)
    return;
  ErrorTrap trap(MailWindowName, u"GetMailContent");
  clearMessage();
  const grid::FlexGridModel& g = *messageGrid->model();
  const int row = g.Row();
  shownRow_ = row;
  if (row < vsinbox::FirstRow || row >= g.Rows())
    return;
  ui().DoEvents();
  const QString folder =
      MessageFolder(ScratchFolder(Base().vTmpPath()), MessageNumberOfRow(g, row)) + QDir::separator();
  const MessageContent content = trap.value([&] { return ReadMessageFolder(folder); }, MessageContent{});
  if (!content.bodyFile.isEmpty())
    trap([&] { preview->showBody(content.bodyFile, content.html); });
  attachmentList->addItems(content.attachmentNames);
  attachmentPaths = content.attachmentPaths;
}

void InboxPanel::searchMessages() {
  ErrorTrap trap(MailWindowName, u"CmdSearch_Click");
  const int column = searchColumnBox->currentIndex() < 0 ? 0 : searchColumnBox->currentData().toInt();
  trap([&] { SearchMessages(*messageGrid->model(), column, searchField->text()); });
}

void InboxPanel::showToColumn(bool shown) {
  messageGrid->model()->setColHidden(vsinbox::To, !shown);
}

void InboxPanel::openAttachment(int index) {
  ErrorTrap trap(MailWindowName, u"LstAttach_Click");
  if (index < 0 || index >= attachmentPaths.size())
    return;
  if (!ui().OpenWithDesktop(attachmentPaths[index], true))
    ui().MsgBox(QString::fromLatin1(AttachmentNotOpenedMessage).arg(attachmentList->item(index)->text()),
                Interaction::Icon::Information);
}

void InboxPanel::messageGridClicked() {
  const int column = messageGrid->MouseCol();
  if (messageGrid->MouseRow() != 0 || column < vsinbox::From || column > vsinbox::Date || reading_)
    return;
  ErrorTrap trap(MailWindowName, u"ReIndexing");
  sortAscending_ = column == sortColumn_ ? !sortAscending_ : true;
  sortColumn_ = column;
  grid::FlexGridModel& g = *messageGrid->model();
  const int shown = MessageNumberOfRow(g, shownRow_);
  trap([&] { SortMessages(g, column, sortAscending_); });
  // The preview keeps its message, now in another row.
  for (int r = vsinbox::FirstRow; shown > 0 && r < g.Rows(); ++r)
    if (MessageNumberOfRow(g, r) == shown) {
      shownRow_ = r;
      g.setRow(r);
      break;
    }
}

}  // namespace kestrel::mail
