#include "entry/frm_kestrel.h"

#include "assign/batch_update.h"
#include "assign/default_panel.h"
#include "controls/zen_button.h"
#include "entry/error_log.h"
#include "entry/interaction.h"
#include "entry/mod_it_main.h"
#include "entry/module_tables.h"
#include "platform/grid/flexgrid.h"
#include "portal/portal_run.h"
#include "portal/progress_panel.h"
#include "register/client_register_load.h"
#include "register/register_layout.h"
#include "register/register_panel.h"
#include "register/setup_panel.h"
#include "reports/report_panel.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QScreen>

namespace kestrel {

namespace {
constexpr const char16_t* Window = u"frmKestrel";
// 480 twips that the centring formula keeps free below the panels (the caption bar's share).
constexpr int BottomAllowanceTwips = 480;

QPointer<frmKestrel>& defaultInstance() {
  static QPointer<frmKestrel> instance;
  return instance;
}
}  // namespace

frmKestrel& frmKestrel::Load() {
  if (!defaultInstance()) {
    defaultInstance() = new frmKestrel;
    defaultInstance()->Form_Load();
  }
  return *defaultInstance();
}

frmKestrel* frmKestrel::Instance() {
  return defaultInstance().data();
}

frmKestrel::frmKestrel(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmKestrel"));
  setWindowTitle(QString::fromLatin1(Caption));
  setAttribute(Qt::WA_DeleteOnClose);

  FraMainOuter = new RegisterPanel(this);
  vsCL = FraMainOuter->vsCL;
  FormatRegisterGrid(*vsCL->model());
  FraReport = new ReportPanel(this);
  FraReport->hide();
  FraSetup = new SetupPanel(vsCL, this);
  FraSetup->hide();
  FraDefault = new DefaultPanel(vsCL, this);
  FraDefault->hide();
  FraProgress = new ProgressPanel(this);
  FraProgress->hide();
  Run = new PortalRun(
      *vsCL->model(), *FraProgress,
      [this](bool running) {
        if (running) {
          ShowPanel(FraProgress);
          return;
        }
        HidePanel(FraProgress);
        if (closeAfterRun_)
          QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
      },
      this);

  connect(FraMainOuter->CmdHelp, &ZENButton::Click, this, &frmKestrel::CmdHelp_Click);
  connect(FraMainOuter->CmdQuit, &ZENButton::Click, this, &frmKestrel::CmdQuit_Click);
  connect(FraMainOuter->CmdSetup, &ZENButton::Click, this, &frmKestrel::CmdSetup_Click);
  connect(FraMainOuter->CmdSecEmail, &ZENButton::Click, this, &frmKestrel::CmdSecEmail_Click);
  connect(FraMainOuter->CmdLogin, &ZENButton::Click, this, &frmKestrel::CmdLogin_Click);
  connect(FraMainOuter->CmdProceed, &ZENButton::Click, this, &frmKestrel::CmdProceed_Click);
  connect(FraSetup, &SetupPanel::closeRequested, this, [this] { HidePanel(FraSetup); });
  connect(FraDefault, &DefaultPanel::closeRequested, this, [this] { HidePanel(FraDefault); });
  connect(FraReport, &ReportPanel::closeRequested, this, [this] {
    FraMainOuter->show();
    FraReport->hide();
  });

  // A window of a size that suits the register, within the screen.
  const QRect avail = screen() ? screen()->availableGeometry() : QRect(0, 0, 1280, 800);
  resize(std::min(1360, avail.width() * 9 / 10), std::min(860, avail.height() * 9 / 10));
  qApp->installEventFilter(this);
}

frmKestrel::~frmKestrel() {
  qApp->removeEventFilter(this);
  if (defaultInstance() == this)
    defaultInstance() = nullptr;
}

void frmKestrel::Form_Load() {
  ErrorTrap trap(Window, u"Form_Load");
  trap([&] { Base().Resize_For_Resolution(this); });
  CreateModuleTables();
  trap([&] { Run->Portal = Run->NewPortalLogin(); });
  trap([&] { vsCL->model()->setMergeCells(grid::flexMergeFixedOnly); });
  trap([&] { FraDefault->FillBelongsToLists(); });
  trap([&] {
    MergeHeaders(*vsCL->model());
    MergeHeaders(*FraReport->VSRpt->model());
  });
  LoadClients(*vsCL->model());
  FraDefault->ReadDefaultDetails();
  FraSetup->LoadColumns();
  trap([&] { FraDefault->SelectNoRelation(); });
  trap([&] {
    FraSetup->ChkSoftware->setChecked(true);
    FraSetup->ChkLogin->setChecked(true);
    FraSetup->ChkChange->setChecked(true);
  });
  FraDefault->ReadITRDefSetting();
  loaded_ = true;
  Form_Resize();
}

void frmKestrel::centre(QWidget* panel) const {
  const int allowance = grid::FlexGridModel::twipsToPixels(BottomAllowanceTwips, logicalDpiY());
  panel->move((width() - panel->width()) / 2, (height() - panel->height() - allowance) / 2);
}

void frmKestrel::Form_Resize() {
  ignoreErrors([&] {
    // The main panel grows with the window (a register of many columns wants the room) and
    // stays centred; the others keep their own size and are centred over it.
    const int allowance = grid::FlexGridModel::twipsToPixels(BottomAllowanceTwips, logicalDpiY());
    const int margin = 8;
    FraMainOuter->resize(std::max(640, width() - 2 * margin),
                         std::max(400, height() - allowance - 2 * margin));
    centre(FraMainOuter);
    // Centring leaves the allowance below; the panel uses it rather than leave a strip empty.
    FraMainOuter->resize(FraMainOuter->width(), height() - FraMainOuter->y() - margin);
    FraReport->setGeometry(FraMainOuter->geometry());
    for (QWidget* panel : {static_cast<QWidget*>(FraDefault), static_cast<QWidget*>(FraProgress),
                           static_cast<QWidget*>(FraSetup)}) {
      if (panel->isVisible())
        panel->adjustSize();
      centre(panel);
    }
  });
}

void frmKestrel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Form_Resize();
}

QWidget* frmKestrel::PanelInFront() const {
  for (QWidget* panel : {static_cast<QWidget*>(FraSetup), static_cast<QWidget*>(FraProgress),
                         static_cast<QWidget*>(FraDefault)})
    if (panel->isVisible())
      return panel;
  return nullptr;
}

void frmKestrel::ShowPanel(QWidget* panel) {
  if (QWidget* front = PanelInFront(); front && front != panel)
    front->hide();
  FraMainOuter->setEnabled(false);
  FraReport->setEnabled(false);
  panel->show();
  // Sized once shown, when its captions and style are final.
  panel->adjustSize();
  Form_Resize();
  panel->raise();
  // The focus goes to the panel's first control that takes it from the keyboard.
  for (QWidget* w = panel->nextInFocusChain(); w && w != panel; w = w->nextInFocusChain())
    if (panel->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
        w->isVisibleTo(panel)) {
      w->setFocus(Qt::TabFocusReason);
      break;
    }
}

void frmKestrel::HidePanel(QWidget* panel) {
  panel->hide();
  FraMainOuter->setEnabled(true);
  FraReport->setEnabled(true);
  if (FraMainOuter->isVisible())
    vsCL->setFocus();
}

QString frmKestrel::HelpDocumentPath() {
  return QDir::toNativeSeparators(Base().ExePath() + QStringLiteral("/HTMLHelp/ITR_Help.pdf"));
}

void frmKestrel::CmdHelp_Click() {
  ErrorTrap trap(Window, u"CmdHelp_Click");
  trap([&] {
    const QString path = HelpDocumentPath();
    if (QFileInfo(path).isFile())
      ui().OpenWithDesktop(path, true);
  });
}

void frmKestrel::CmdQuit_Click() {
  close();
}

void frmKestrel::CmdSetup_Click() {
  ShowPanel(FraSetup);
}

void frmKestrel::CmdSecEmail_Click() {
  ShowPanel(FraDefault);
}

void frmKestrel::CmdLogin_Click() {
  Run->LoginToITR(false);
}

void frmKestrel::CmdProceed_Click() {
  kestrel::CmdProceed_Click(*vsCL, *FraDefault, [this](bool updateMode) { Run->LoginToITR(updateMode); });
}

bool frmKestrel::Form_KeyDown(int keyCode, QObject* target) {
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
      if (vsCL->isEditing() && target == vsCL->editor())
        return false;
      focusNextChild();
      return true;
    }
    case Qt::Key_F5:
      if (FraMainOuter->isVisible() && FraMainOuter->isEnabled()) {
        LoadClients(*vsCL->model());
        return true;
      }
      return false;
    case Qt::Key_F1:
      CmdHelp_Click();
      return true;
    case Qt::Key_Escape:
      // Escape in the grid's editor only abandons the edit.
      if (vsCL->isEditing() && target == vsCL->editor())
        return false;
      if (FraSetup->isVisible())
        FraSetup->CmdCancelSetup_Click();
      else if (FraProgress->isVisible()) {
        if (FraProgress->cmdprogC->isVisible() && FraProgress->cmdprogC->isEnabled())
          FraProgress->cmdprogC_Click();
      } else if (FraDefault->isVisible())
        FraDefault->CmdCancelDefault_Click();
      else if (FraReport->isVisible())
        FraReport->CmdBack_Click();
      else
        CmdQuit_Click();
      return true;
    default:
      return false;
  }
}

bool frmKestrel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    // Only keys meant for this window's own controls; a drop-down's list is a window of its own.
    if (widget->window() == this) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (Form_KeyDown(key->key(), watched))
        return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void frmKestrel::closeEvent(QCloseEvent* event) {
  // Nothing is stored on closing. A run in progress is cancelled and finishes its client
  // first; the window closes when the run has ended.
  if (Run->isRunning()) {
    FraProgress->setCancelMark(QStringLiteral("C"));
    closeAfterRun_ = true;
    event->ignore();
    return;
  }
  if (defaultInstance() == this)
    defaultInstance() = nullptr;
  QWidget::closeEvent(event);
}

}  // namespace kestrel
