#include "mail/mail_window.h"

#include "controls/zen_button.h"
#include "entry/error_log.h"
#include "entry/interaction.h"
#include "mail/account_panel.h"
#include "mail/alias_panel.h"
#include "mail/alias_progress_panel.h"
#include "mail/alias_run.h"
#include "mail/client_grid.h"
#include "mail/inbox_panel.h"
#include "mail/mail_setup_panel.h"
#include "mail/mail_store.h"
#include "mail/user_panel.h"
#include "platform/grid/flexgrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QScreen>

namespace kestrel::mail {

namespace {

QPointer<MailWindow>& defaultInstance() {
  static QPointer<MailWindow> instance;
  return instance;
}

inline constexpr const char* NoHostMessage = "Please provide a valid Host URL";
inline constexpr const char* NoDomainMessage = "Please provide a valid Domain";
inline constexpr const char* NoForwarderMessage = "Please Select Forwarder Name";

}  // namespace

MailWindow& MailWindow::openDefault() {
  if (!defaultInstance())
    defaultInstance() = new MailWindow;
  return *defaultInstance();
}

MailWindow* MailWindow::instance() {
  return defaultInstance().data();
}

MailWindow::MailWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("FrmMailSetup"));
  setWindowTitle(QString::fromLatin1(Caption));
  setAttribute(Qt::WA_DeleteOnClose);

  mainPanel = new MailSetupPanel(this);
  userPanel = new UserPanel(*this);
  aliasPanel = new AliasPanel(this);
  progressPanel = new AliasProgressPanel(this);
  inboxPanel = new InboxPanel(*this);
  accountPanel = new AccountPanel(*this);
  for (QWidget* overlay : overlays()) overlay->hide();
  connectControls();

  updateMinimumSize();
  const QRect avail = screen() ? screen()->availableGeometry() : QRect(0, 0, 1280, 800);
  resize(std::min(1100, avail.width() * 9 / 10), std::min(680, avail.height() * 9 / 10));
  qApp->installEventFilter(this);
}

MailWindow::~MailWindow() {
  qApp->removeEventFilter(this);
  if (defaultInstance() == this)
    defaultInstance() = nullptr;
}

void MailWindow::connectControls() {
  MailSetupPanel& p = *mainPanel;
  connect(p.forwardToBox, &QComboBox::activated, this, &MailWindow::selectForwarder);
  connect(p.userSetupButton, &ZENButton::Click, this, &MailWindow::openUserPanel);
  connect(p.findButton, &ZENButton::Click, this, &MailWindow::findClients);
  connect(p.allClientsButton, &ZENButton::Click, this, &MailWindow::showAllClients);
  connect(p.aliasSetupButton, &ZENButton::Click, this, &MailWindow::openAliasPanel);
  connect(p.inboxButton, &ZENButton::Click, inboxPanel, &InboxPanel::openPanel);
  connect(p.quitButton, &ZENButton::Click, this, &QWidget::close);
  connect(p.clientGrid, &grid::FlexGrid::BeforeEdit, this, &MailWindow::clientGridBeforeEdit);
  connect(p.clientGrid, &grid::FlexGrid::AfterEdit, this, &MailWindow::clientGridAfterEdit);
  // Only tick boxes change in the client grid; no cell opens an editor.
  connect(p.clientGrid, &grid::FlexGrid::StartEdit, this, [](int, int, bool& cancel) { cancel = true; });
  connect(aliasPanel, &AliasPanel::closeRequested, this, [this] { hideOverlay(aliasPanel); });
  connect(aliasPanel, &AliasPanel::runRequested, this, [this] {
    hideOverlay(aliasPanel);
    createAliases();
  });
  // Closing the progress panel stops the run before its next client and ends a request that
  // is still waiting for the panel; the main panel stays disabled until the run has returned.
  connect(progressPanel, &AliasProgressPanel::closeClicked, this, [this] {
    progressPanel->hide();
    StopHostingRequest();
  });
}

void MailWindow::loadClients(const std::vector<AliasClient>& clients) {
  ErrorTrap trap(MailWindowName, u"CmdMailSetup_Click");
  trap([&] { ShowSelectedClients(*mainPanel->clientGrid->model(), clients); });
}

void MailWindow::InitMe() {
  showLatestDomain();
  showForwarders();
}

HostingAccess MailWindow::hostingAccess() const {
  return {mainPanel->hostField->text(), state.currentDomain, mainPanel->useBrowserBox->isChecked()};
}

void MailWindow::identifyDomain() {
  ErrorTrap trap(MailWindowName, u"GetDomainID");
  MailSetupPanel& p = *mainPanel;
  state.currentDomainId = 0;
  // Held trimmed, as they are stored: a blank at an end would otherwise reach the forward
  // address of every alias request and the result texts.
  state.currentHost = NormalisedHost(p.hostField->text()).trimmed();
  state.currentDomain = NormalisedHost(p.domainField->text()).trimmed();
  if (state.currentHost.isEmpty() || state.currentDomain.isEmpty())
    return;
  state.currentDomainId = FindDomainID(state.currentHost, state.currentDomain);

  // Nothing of the previous domain stays: aliases, users, results and the selected user.
  grid::FlexGridModel& g = *p.clientGrid->model();
  trap([&] {
    if (g.Rows() > vs::FirstRow)
      ClearDomainCells(g);
    g.setColComboList(vs::ForwardTo, QString());
  });
  {
    const QSignalBlocker block(p.forwardToBox);
    p.forwardToBox->clear();
  }
  p.forwarderField->clear();
  p.forwarderTag.clear();
  p.forwarderPassword->clear();

  if (state.currentDomainId != 0)
    loadUsers();
  else
    state.currentDomainId = CreateDomain(state.currentHost, state.currentDomain);
}

void MailWindow::showLatestDomain() {
  const std::optional<StoredDomain> latest = ReadLatestDomain();
  if (!latest)
    return;
  mainPanel->hostField->setText(latest->url);
  mainPanel->domainField->setText(latest->domain);
}

void MailWindow::loadUsers() {
  ErrorTrap trap(MailWindowName, u"Fillusers");
  MailSetupPanel& p = *mainPanel;
  const std::vector<MailUser> users = ReadUsers(state.currentDomainId);
  state.userPasswords.clear();
  {
    const QSignalBlocker blockForward(p.forwardToBox);
    const QSignalBlocker blockUsers(userPanel->userBox);
    p.forwardToBox->clear();
    userPanel->userBox->clear();
    for (const MailUser& u : users) {
      p.forwardToBox->addItem(u.name, u.id);
      userPanel->userBox->addItem(u.name, u.id);
      state.userPasswords << u.password;
    }
    p.forwardToBox->addItem(QStringLiteral("ALL"), -1);
    state.userPasswords << QString();
    // The user list starts without a user chosen.
    userPanel->userBox->setCurrentIndex(-1);
    userPanel->userBox->setEditText(QString());
  }
  p.forwarderField->clear();
  p.forwarderTag.clear();
  p.forwarderPassword->clear();
  userPanel->passwordField->clear();
  userPanel->retypedField->clear();
  trap([&] {
    p.clientGrid->model()->setColComboList(vs::ForwardTo, ForwardToList(users, state.currentDomain));
  });

  p.forwardToBox->setCurrentIndex(0);
  selectForwarder();
}

void MailWindow::selectForwarder() {
  ErrorTrap trap(MailWindowName, u"CmbForward_Click");
  MailSetupPanel& p = *mainPanel;
  const int index = p.forwardToBox->currentIndex();
  if (index < 0) {
    p.forwarderField->clear();
    p.forwarderTag.clear();
    p.forwarderPassword->clear();
  } else {
    p.forwarderField->setText(p.forwardToBox->itemText(index));
    p.forwarderTag = QString::number(p.forwardToBox->itemData(index).toInt());
    p.forwarderPassword->setText(state.userPasswords.value(index));
  }
  showForwarders();
}

void MailWindow::showForwarders() {
  ErrorTrap trap(MailWindowName, u"FillForwarders");
  if (state.currentDomainId == 0)
    identifyDomain();
  const std::vector<AliasRecord> aliases = ReadAliases(state.currentDomainId);
  trap([&] { ShowAliases(*mainPanel->clientGrid->model(), aliases, mainPanel->selectedUserId()); });
}

void MailWindow::showAllClients() {
  ErrorTrap trap(MailWindowName, u"FillVelmarClients");
  grid::FlexGridModel& g = *mainPanel->clientGrid->model();
  const std::vector<AliasClient> clients = ReadSuiteClients();
  trap([&] { ShowAllClients(g, clients); });
  // The clients' aliases at once, so that those of other users stay locked; the header box
  // stays unticked like every row.
  showForwarders();
  trap([&] { g.setCellChecked(0, vs::Tick, grid::flexUnchecked); });
}

void MailWindow::findClients() {
  ErrorTrap trap(MailWindowName, u"CmdFind_Click");
  MailSetupPanel& p = *mainPanel;
  if (p.findKindBox->currentIndex() < 0)
    p.findKindBox->setCurrentIndex(int(FindKind::Containing) - 1);
  const int column = p.findColumnBox->currentIndex() < 0 ? 0 : p.findColumnBox->currentData().toInt();
  trap([&] {
    FindClients(*p.clientGrid->model(), column, FindKind(p.findKindBox->currentData().toInt()),
                p.findField->text());
  });
}

void MailWindow::openUserPanel() {
  MailSetupPanel& p = *mainPanel;
  for (auto [field, message] :
       {std::pair{p.hostField, NoHostMessage}, std::pair{p.domainField, NoDomainMessage}})
    if (field->text().trimmed().isEmpty()) {
      ui().MsgBox(QString::fromLatin1(message), Interaction::Icon::Information);
      field->setFocus();
      return;
    }
  identifyDomain();
  if (state.currentDomainId != 0)
    showOverlay(userPanel);
}

void MailWindow::openAliasPanel() {
  if (mainPanel->selectedUserId() < 1) {
    ui().MsgBox(QString::fromLatin1(NoForwarderMessage), Interaction::Icon::Information);
    mainPanel->forwardToBox->setFocus();
    return;
  }
  showOverlay(aliasPanel);
}

void MailWindow::createAliases() {
  ErrorTrap trap(MailWindowName, u"SetForwarders");
  if (running_)
    return;
  setRunning(true);
  state.seriesCounter = 0;
  grid::FlexGridModel& g = *mainPanel->clientGrid->model();
  int ticked = 0;
  for (int row = vs::FirstRow; row < g.Rows(); ++row)
    ticked += trap.value([&] { return IsTicked(g, row); }, false);
  progressPanel->begin(mainPanel->forwarderField->text(), ticked);
  showOverlay(progressPanel);

  const HostingAccess access = hostingAccess();
  const QString forwardUser = mainPanel->forwarderField->text();
  AliasRunHooks hooks;
  hooks.stopped = [this] { return !progressPanel->isVisible(); };
  hooks.addForwarder = [&](const QString& alias) {
    state.lastResult.clear();
    HostingOutcome outcome = AddForwarder(access, alias, forwardUser, FailureNotice::InOutcome);
    state.lastResult = outcome.result;
    return outcome;
  };
  // The grid shows the results a few times a second rather than repaint after every client,
  // which would cost more than the client's own work.
  const grid::RedrawPause pause(g);
  QElapsedTimer sinceShown;
  sinceShown.start();
  int done = 0;
  hooks.rowDone = [&](int, bool requested) {
    if (requested)
      progressPanel->step(++done);
    if (sinceShown.elapsed() >= 250) {
      g.setRedraw(true);
      g.setRedraw(false);
      sinceShown.restart();
    }
    if (requested)
      ui().DoEvents();
  };
  CreateAliases(g, aliasPanel->chosenParts(), state.seriesCounter, state.currentDomainId,
                mainPanel->selectedUserId(), hooks);

  hideOverlay(progressPanel);
  trap([&] { g.AutoSize(0, g.Cols() - 1); });
  setRunning(false);
}

void MailWindow::setRunning(bool running) {
  running_ = running;
  if (!running && closeAfterRun_)
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void MailWindow::clientGridBeforeEdit(int row, int col, bool& cancel) {
  ErrorTrap trap(MailWindowName, u"VS_BeforeEdit");
  trap([&] {
    cancel = !CanChangeTick(*mainPanel->clientGrid->model(), row, col, mainPanel->selectedUserId());
  });
}

void MailWindow::clientGridAfterEdit(int row, int col) {
  ErrorTrap trap(MailWindowName, u"VS_AfterEdit");
  if (row == 0 && col == vs::Tick)
    trap([&] { TickAllClients(*mainPanel->clientGrid->model()); });
}

std::vector<QWidget*> MailWindow::overlays() const {
  return {accountPanel, progressPanel, inboxPanel, aliasPanel, userPanel};
}

QWidget* MailWindow::overlayInFront() const {
  for (QWidget* overlay : overlays())
    if (overlay->isVisible())
      return overlay;
  return nullptr;
}

void MailWindow::showOverlay(QWidget* overlay, QWidget* covered) {
  if (!covered)
    covered = mainPanel;
  // Over the main panel stands one overlay at a time.
  if (covered == mainPanel)
    for (QWidget* other : overlays())
      if (other != overlay && other->isVisible() && covered_.value(other, mainPanel) == mainPanel)
        other->hide();
  covered_.insert(overlay, covered);
  covered->setEnabled(false);
  overlay->show();
  overlay->adjustSize();
  layoutOverlays();
  overlay->raise();
  for (QWidget* w = overlay->nextInFocusChain(); w && w != overlay; w = w->nextInFocusChain())
    if (overlay->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
        w->isVisibleTo(overlay)) {
      w->setFocus(Qt::TabFocusReason);
      break;
    }
}

void MailWindow::hideOverlay(QWidget* overlay) {
  overlay->hide();
  QWidget* covered = covered_.take(overlay);
  if (!covered)
    covered = mainPanel;
  covered->setEnabled(true);
  if (covered == mainPanel)
    mainPanel->clientGrid->setFocus();
  else if (covered == inboxPanel)
    inboxPanel->messageGrid->setFocus();
}

void MailWindow::layoutOverlays() {
  ignoreErrors([&] {
    mainPanel->setGeometry(rect().adjusted(6, 6, -6, -6));
    inboxPanel->setGeometry(rect().adjusted(10, 10, -10, -10));
    for (QWidget* overlay : overlays())
      if (overlay != inboxPanel)
        overlay->move((width() - overlay->width()) / 2, (height() - overlay->height()) / 3);
  });
}

void MailWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutOverlays();
}

void MailWindow::updateMinimumSize() {
  ignoreErrors([&] {
    // The margins of layoutOverlays: 6 around the main panel, 10 around the inbox.
    QSize need = mainPanel->minimumSizeHint() + QSize(12, 12);
    need = need.expandedTo(inboxPanel->minimumSizeHint() + QSize(20, 20));
    for (QWidget* overlay : overlays())
      if (overlay != inboxPanel)
        need = need.expandedTo(overlay->sizeHint().expandedTo(overlay->minimumSize()) + QSize(12, 12));
    setMinimumSize(need);
  });
}

void MailWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange)
    updateMinimumSize();
}

bool MailWindow::previewKey(int keyCode, QObject* target) {
  switch (keyCode) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
      QWidget* active = focusWidget();
      if (!active)
        return false;
      if (auto* button = qobject_cast<ZENButton*>(active)) {
        button->PerformClick();
        return true;
      }
      if (target == progressPanel->closeLabel)
        return false;
      if (target == inboxPanel->attachmentList) {
        inboxPanel->openAttachment(inboxPanel->attachmentList->currentRow());
        return true;
      }
      focusNextChild();
      return true;
    }
    case Qt::Key_Escape:
      // A reading's progress panel stands over the inbox: Escape stops the reading first.
      if (accountPanel->isVisible())
        accountPanel->closePanel();
      else if (progressPanel->isVisible())
        emit progressPanel->closeClicked();
      else if (inboxPanel->isVisible())
        inboxPanel->closePanel();
      else if (aliasPanel->isVisible())
        emit aliasPanel->closeRequested();
      else if (userPanel->isVisible())
        userPanel->closePanel();
      else
        close();
      return true;
    default:
      return false;
  }
}

bool MailWindow::isFieldLeft(QEvent* event) const {
  const auto reason = static_cast<QFocusEvent*>(event)->reason();
  return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && isVisible() &&
         !closeAfterRun_;
}

bool MailWindow::eventFilter(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType())
    return QWidget::eventFilter(watched, event);
  auto* widget = static_cast<QWidget*>(watched);
  if (event->type() == QEvent::KeyPress && widget->window() == this) {
    if (previewKey(static_cast<QKeyEvent*>(event)->key(), watched))
      return true;
  } else if (event->type() == QEvent::FocusOut &&
             (widget == mainPanel->hostField || widget == mainPanel->domainField) && isFieldLeft(event)) {
    // The host and domain fields' validate event: leaving either identifies the domain.
    identifyDomain();
  }
  return QWidget::eventFilter(watched, event);
}

void MailWindow::closeEvent(QCloseEvent* event) {
  // A run finishes the client or message in progress first; the window closes when it has ended.
  if (running_) {
    closeAfterRun_ = true;
    emit progressPanel->closeClicked();
    event->ignore();
    return;
  }
  if (defaultInstance() == this)
    defaultInstance() = nullptr;
  QWidget::closeEvent(event);
}

}  // namespace kestrel::mail
