#include "entry/main_window.h"

#include "assign/default_panel.h"
#include "assign/proceed_checks.h"
#include "assign/proceed_command.h"
#include "controls/zen_button.h"
#include "entry/error_log.h"
#include "entry/interaction.h"
#include "entry/mod_it_main.h"
#include "entry/module_tables.h"
#include "mail/client_grid.h"
#include "mail/mail_window.h"
#include "platform/grid/flexgrid.h"
#include "portal/confirmed_updates.h"
#include "portal/portal_run.h"
#include "portal/portal_settings_box.h"
#include "portal/progress_panel.h"
#include "portal/run_summary.h"
#include "portal/run_summary_panel.h"
#include "register/client_register_load.h"
#include "register/register_layout.h"
#include "register/register_panel.h"
#include "register/selection_rules.h"
#include "register/setup_panel.h"
#include "reports/report_commands.h"
#include "reports/report_panel.h"
#include "store/client_codes.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QToolTip>
#include <QVBoxLayout>

#include <optional>

namespace kestrel {

namespace {
// The window's name in the error log.
constexpr const char16_t* Window = u"frmKestrel";
// 480 twips that the centring formula keeps free below the panels (the caption bar's share).
constexpr int BottomAllowanceTwips = 480;
// Room between the window's edges and the main panel.
constexpr int PanelMargin = 8;

QPointer<MainWindow>& defaultInstance() {
  static QPointer<MainWindow> instance;
  return instance;
}
}  // namespace

MainWindow& MainWindow::loadDefault() {
  if (!defaultInstance()) {
    defaultInstance() = new MainWindow;
    defaultInstance()->load();
  }
  return *defaultInstance();
}

MainWindow* MainWindow::instance() {
  return defaultInstance().data();
}

MainWindow::MainWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmKestrel"));
  setWindowTitle(QString::fromLatin1(Caption));
  setAttribute(Qt::WA_DeleteOnClose);

  registerPanel = new RegisterPanel(this);
  registerGrid = registerPanel->vsCL;
  FormatRegisterGrid(*registerGrid->model());
  reportPanel = new ReportPanel(this);
  reportPanel->hide();
  setupPanel = new SetupPanel(registerGrid, this);
  portalSettings = new PortalSettingsBox(setupPanel);
  setupPanel->addSection(portalSettings);
  setupPanel->hide();
  defaultPanel = new DefaultPanel(registerGrid, this);
  defaultPanel->hide();
  progressPanel = new ProgressPanel(this);
  progressPanel->hide();
  runSummaryPanel = new RunSummaryPanel(registerPanel);
  if (auto* column = qobject_cast<QVBoxLayout*>(registerPanel->layout()))
    column->insertWidget(column->indexOf(registerGrid) + 1, runSummaryPanel);
  reportCommands = new ReportCommands(registerPanel, reportPanel, this);
  menuBar = new QMenuBar(this);
  menuBar->addMenu(reportCommands->copyMenu);
  menuBar->addMenu(reportCommands->reportsMenu);
  portalRun = new PortalRun(
      *registerGrid->model(), [this] { return progressPanel->cancelRequested(); }, this);
  connectPortalRun();

  connect(registerPanel->CmdHelp, &ZENButton::Click, this, &MainWindow::openHelp);
  connect(registerPanel->CmdQuit, &ZENButton::Click, this, &MainWindow::quit);
  connect(registerPanel->CmdSetup, &ZENButton::Click, this, &MainWindow::showSetup);
  connect(registerPanel->CmdSecEmail, &ZENButton::Click, this, &MainWindow::showDefaults);
  connect(registerPanel->CmdLogin, &ZENButton::Click, this, &MainWindow::fetchProfiles);
  connect(registerPanel->CmdProceed, &ZENButton::Click, this, &MainWindow::proceedWithUpdate);
  connect(registerPanel->CmdSaveConfirmed, &ZENButton::Click, this, &MainWindow::saveConfirmedDetails);
  connect(registerPanel->CmdMailSetup, &ZENButton::Click, this, &MainWindow::openMailSetup);
  connect(setupPanel, &SetupPanel::closeRequested, this, [this] { hidePanel(setupPanel); });
  connect(setupPanel, &SetupPanel::applied, portalSettings, &PortalSettingsBox::save);
  connect(defaultPanel, &DefaultPanel::closeRequested, this, [this] { hidePanel(defaultPanel); });
  connect(reportPanel, &ReportPanel::closeRequested, this, [this] {
    registerPanel->show();
    reportPanel->hide();
  });

  // A window of a size that suits the register, within the screen.
  const QRect avail = screen() ? screen()->availableGeometry() : QRect(0, 0, 1280, 800);
  resize(std::min(1360, avail.width() * 9 / 10), std::min(860, avail.height() * 9 / 10));
  qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  if (defaultInstance() == this)
    defaultInstance() = nullptr;
}

void MainWindow::connectPortalRun() {
  // While a run goes on the progress panel is in front; its Cancel sets the mark the run asks.
  progressPanel->follow(*portalRun);
  connect(portalRun, &PortalRun::started, this, [this] {
    runSummaryPanel->hide();
    showPanel(progressPanel);
  });
  connect(portalRun, &PortalRun::finished, this, [this] {
    progressPanel->end();
    hidePanel(progressPanel);
    showRunSummary(true);
    showSaveConfirmedButton();
    if (closeAfterRun_)
      QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
  });
}

void MainWindow::showRunSummary(bool runJustEnded) {
  ErrorTrap trap(Window, u"LoginToITR");
  RunSummaryInput input{portalRun->mode(), portalRun->elapsedMs(), portalRun->selectedCount(), {}};
  // The run also knows the confirmations it could not put in the journal; once saving has been
  // tried again, the journal alone tells which still wait.
  if (runJustEnded)
    for (const ConfirmedUpdate& update : portalRun->unsavedClients()) input.unsavedCodes.insert(update.code);
  trap([&] {
    for (const ConfirmedUpdate& update : ConfirmedUpdateJournal::ofSuite().pending())
      input.unsavedCodes.insert(update.code);
  });
  trap([&] { runSummaryPanel->showSummary(SummariseRun(*registerGrid->model(), input).text); });
}

void MainWindow::load() {
  ErrorTrap trap(Window, u"Form_Load");
  runSummaryPanel->hide();
  trap([&] { Base().Resize_For_Resolution(this); });
  CreateModuleTables();
  trap([&] { portalRun->portalLogin = portalRun->newPortalLogin(); });
  trap([&] { registerGrid->model()->setMergeCells(grid::flexMergeFixedOnly); });
  trap([&] { defaultPanel->fillRelationLists(); });
  trap([&] {
    MergeHeaders(*registerGrid->model());
    MergeHeaders(*reportPanel->VSRpt->model());
  });
  // Details confirmed in an earlier session and not saved then are saved before the register is
  // read, so that it shows them.
  savePendingConfirmations(false);
  LoadClients(*registerGrid->model());
  defaultPanel->loadUsedValues();
  setupPanel->LoadColumns();
  trap([&] { defaultPanel->clearRelations(); });
  trap([&] {
    setupPanel->ChkSoftware->setChecked(true);
    setupPanel->ChkLogin->setChecked(true);
    setupPanel->ChkChange->setChecked(true);
  });
  defaultPanel->loadSettings();
  reportIndistinctCodes();
  loaded_ = true;
  updateMinimumSize();
  layoutPanels();
}

void MainWindow::updateMinimumSize() {
  ignoreErrors([&] {
    // The main panel with its count on a line of its own, and each panel centred in front of
    // it whole, below the menu bar and above the allowance the centring keeps free.
    const int allowance = grid::FlexGridModel::twipsToPixels(BottomAllowanceTwips, logicalDpiY());
    const QLabel& count = *registerPanel->lblCount;
    QSize need = registerPanel->minimumSizeHint() + QSize(0, count.sizeHint().height() + 6);
    need = need.expandedTo(reportPanel->minimumSizeHint());
    for (QWidget* panel : {static_cast<QWidget*>(defaultPanel), static_cast<QWidget*>(progressPanel),
                           static_cast<QWidget*>(setupPanel)})
      need = need.expandedTo(panel->sizeHint().expandedTo(panel->minimumSize()));
    setMinimumSize(need + QSize(2 * PanelMargin, menuBarHeight() + allowance + 2 * PanelMargin));
  });
}

void MainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange && loaded_)
    updateMinimumSize();
}

// Codes the database server cannot tell apart share each other's rows; their write-backs are
// refused by the store, so the user hears of them once, when the window loads.
void MainWindow::reportIndistinctCodes() {
  ErrorTrap trap(Window, u"ShowData");
  const auto groups = trap.value([] { return FindIndistinctClientCodes(Base()); }, QList<QStringList>());
  if (const QString message = IndistinctCodesMessage(groups); !message.isEmpty())
    ui().MsgBox(message, Interaction::Icon::Information);
}

int MainWindow::menuBarHeight() const {
  return menuBar->sizeHint().height();
}

void MainWindow::centre(QWidget* panel) const {
  // The panels share the room below the menu bar.
  const int allowance = grid::FlexGridModel::twipsToPixels(BottomAllowanceTwips, logicalDpiY());
  const int top = menuBarHeight();
  panel->move((width() - panel->width()) / 2, top + (height() - top - panel->height() - allowance) / 2);
}

void MainWindow::layoutPanels() {
  ignoreErrors([&] {
    // The main panel grows with the window (a register of many columns wants the room) and
    // stays centred; the others keep their own size and are centred over it.
    const int allowance = grid::FlexGridModel::twipsToPixels(BottomAllowanceTwips, logicalDpiY());
    menuBar->setGeometry(0, 0, width(), menuBarHeight());
    registerPanel->resize(width() - 2 * PanelMargin,
                          height() - menuBarHeight() - allowance - 2 * PanelMargin);
    centre(registerPanel);
    // Centring leaves the allowance below; the panel uses it rather than leave a strip empty.
    registerPanel->resize(registerPanel->width(), height() - registerPanel->y() - PanelMargin);
    reportPanel->setGeometry(registerPanel->geometry());
    for (QWidget* panel : {static_cast<QWidget*>(defaultPanel), static_cast<QWidget*>(progressPanel),
                           static_cast<QWidget*>(setupPanel)}) {
      if (panel->isVisible())
        panel->adjustSize();
      centre(panel);
    }
  });
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutPanels();
}

QWidget* MainWindow::panelInFront() const {
  for (QWidget* panel : {static_cast<QWidget*>(setupPanel), static_cast<QWidget*>(progressPanel),
                         static_cast<QWidget*>(defaultPanel)})
    if (panel->isVisible())
      return panel;
  return nullptr;
}

void MainWindow::showPanel(QWidget* panel) {
  if (QWidget* front = panelInFront(); front && front != panel)
    front->hide();
  registerPanel->setEnabled(false);
  reportPanel->setEnabled(false);
  panel->show();
  // Sized once shown, when its captions and style are final; the window keeps room for it.
  panel->adjustSize();
  updateMinimumSize();
  layoutPanels();
  panel->raise();
  // The focus goes to the panel's first control that takes it from the keyboard.
  for (QWidget* w = panel->nextInFocusChain(); w && w != panel; w = w->nextInFocusChain())
    if (panel->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
        w->isVisibleTo(panel)) {
      w->setFocus(Qt::TabFocusReason);
      break;
    }
}

void MainWindow::hidePanel(QWidget* panel) {
  panel->hide();
  registerPanel->setEnabled(true);
  reportPanel->setEnabled(true);
  if (registerPanel->isVisible())
    registerGrid->setFocus();
}

QString MainWindow::helpDocumentPath() {
  return QDir::toNativeSeparators(Base().ExePath() + QStringLiteral("/HTMLHelp/ITR_Help.pdf"));
}

void MainWindow::openHelp() {
  ErrorTrap trap(Window, u"CmdHelp_Click");
  trap([&] {
    const QString path = helpDocumentPath();
    // A desktop without a PDF viewer opens nothing: say where the manual is, so it can be read
    // some other way.
    if (QFileInfo(path).isFile() && !ui().OpenWithDesktop(path, true))
      ui().MsgBox(tr("The help manual could not be opened: no program on this computer opens PDF files.\n"
                     "Install a PDF viewer, or open the manual yourself:\n%1")
                      .arg(path),
                  Interaction::Icon::Information);
  });
}

void MainWindow::quit() {
  close();
}

void MainWindow::showSetup() {
  portalSettings->load();
  showPanel(setupPanel);
}

void MainWindow::showDefaults() {
  showPanel(defaultPanel);
}

void MainWindow::cancelOpenEdit() {
  registerGrid->cancelEdit();
}

void MainWindow::reloadClients() {
  cancelOpenEdit();
  runSummaryPanel->hide();
  savePendingConfirmations(false);
  LoadClients(*registerGrid->model());
}

void MainWindow::saveConfirmedDetails() {
  savePendingConfirmations(true);
}

void MainWindow::savePendingConfirmations(bool tellUser) {
  ErrorTrap trap(Window, u"SaveConfirmedDetails");
  std::optional<PendingSaveResult> result;
  trap([&] {
    ConfirmedUpdateJournal journal = ConfirmedUpdateJournal::ofSuite();
    result = SavePendingConfirmations(journal);
  });
  if (result) {
    // Rows marked in this session lose the marking once their client is saved.
    trap([&] {
      grid::FlexGridModel& g = *registerGrid->model();
      for (const ConfirmedUpdate& saved : result->saved)
        for (int r = FirstDataRow; r < g.Rows(); ++r)
          if (g.TextMatrix(r, col::PartyCode) == saved.code &&
              g.CellBackColor(r, col::PartyCode) == PortalRun::unsavedBackColour())
            g.setCellBackColor(r, 0, r, col::ImportLogs, QColor());
    });
    // The summary's list of clients waiting to be saved follows the journal.
    if (runSummaryPanel->isVisible())
      showRunSummary(false);
    if (tellUser && !result->unsaved.empty())
      ui().MsgBox(UnsavedConfirmationsMessage(result->unsaved), Interaction::Icon::Exclamation);
    else if (tellUser)
      ui().MsgBox(
          QStringLiteral("The confirmed details of %1 client(s) are saved.").arg(result->saved.size()),
          Interaction::Icon::Information);
  }
  showSaveConfirmedButton();
}

void MainWindow::showSaveConfirmedButton() {
  ErrorTrap trap(Window, u"SaveConfirmedDetails");
  const bool pending = trap.value([] { return !ConfirmedUpdateJournal::ofSuite().pending().empty(); }, false);
  registerPanel->showSaveConfirmed(pending);
  if (loaded_)
    updateMinimumSize();
}

bool MainWindow::showUnsavedToolTip(QEvent* event) {
  const auto* help = static_cast<QHelpEvent*>(event);
  const int row = registerGrid->rowAt(help->pos().y());
  const int c = registerGrid->colAt(help->pos().x());
  if (row < FirstDataRow || c < 0 ||
      registerGrid->model()->CellBackColor(row, c) != PortalRun::unsavedBackColour())
    return false;
  QToolTip::showText(help->globalPos(), PortalRun::unsavedToolTip(), registerGrid->viewport());
  return true;
}

void MainWindow::fetchProfiles() {
  cancelOpenEdit();
  portalRun->runClients(RunMode::Fetch);
}

void MainWindow::proceedWithUpdate() {
  cancelOpenEdit();
  StartUpdateRun(*registerGrid, defaultPanel->sharingLimits(), [this](bool updateMode) {
    portalRun->runClients(updateMode ? RunMode::Update : RunMode::Fetch);
  });
}

void MainWindow::openMailSetup() {
  // An open mail window keeps its clients and results and only comes to the front.
  const bool opening = !mail::MailWindow::instance();
  mail::MailWindow& mailWindow = mail::MailWindow::openDefault();
  if (opening) {
    mailWindow.loadClients(mail::SelectedRegisterClients(*registerGrid->model()));
    mailWindow.InitMe();
  }
  mailWindow.show();
  mailWindow.raise();
  mailWindow.activateWindow();
}

bool MainWindow::previewKey(int keyCode, QObject* target) {
  switch (keyCode) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
      QWidget* active = focusWidget();
      if (!active)
        return false;
      if (auto* b = qobject_cast<ZENButton*>(active)) {
        b->PerformClick();
        return true;
      }
      // The grid's in-place editor keeps Enter: it stores the edited value.
      if (registerGrid->isEditing() && target == registerGrid->editor())
        return false;
      focusNextChild();
      return true;
    }
    case Qt::Key_F5:
      if (registerPanel->isVisible() && registerPanel->isEnabled()) {
        reloadClients();
        return true;
      }
      return false;
    case Qt::Key_F1:
      openHelp();
      return true;
    case Qt::Key_Escape:
      // Escape in the grid's editor only abandons the edit.
      if (registerGrid->isEditing() && target == registerGrid->editor())
        return false;
      if (setupPanel->isVisible())
        setupPanel->CmdCancelSetup_Click();
      else if (progressPanel->isVisible()) {
        if (progressPanel->cancelButton->isVisible() && progressPanel->cancelButton->isEnabled())
          progressPanel->confirmCancel();
      } else if (defaultPanel->isVisible())
        defaultPanel->closePanel();
      else if (reportPanel->isVisible())
        reportPanel->CmdBack_Click();
      else
        quit();
      return true;
    default:
      return false;
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ToolTip && watched == registerGrid->viewport() && showUnsavedToolTip(event))
    return true;
  if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    // Only keys meant for this window's own controls; a drop-down's list is a window of its own.
    if (widget->window() == this) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (previewKey(key->key(), watched))
        return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Nothing is stored on closing. Fetched details, typed changes and outcomes live only in the
  // register, so the user is asked before they go (once: not again when the window closes
  // after the run it cancelled).
  if (!closeAfterRun_ && HoldsUnsubmittedWork(*registerGrid->model()) &&
      !ui().AskYesNo(QString::fromLatin1(CloseQuestion), true)) {
    event->ignore();
    return;
  }
  // A run in progress is cancelled and finishes its client first; the window closes when the
  // run has ended.
  if (portalRun->isRunning()) {
    progressPanel->setCancelRequested(true);
    closeAfterRun_ = true;
    event->ignore();
    return;
  }
  if (defaultInstance() == this)
    defaultInstance() = nullptr;
  QWidget::closeEvent(event);
}

}  // namespace kestrel
