#include "reports/report_commands.h"

#include "controls/zen_button.h"
#include "platform/grid/flexgrid.h"
#include "register/register_panel.h"
#include "reports/copy_commands.h"
#include "reports/occurrence_report.h"
#include "reports/report_panel.h"
#include "reports/wait_cursor.h"

#include <QCheckBox>
#include <QEvent>
#include <QMenu>

namespace kestrel {

ReportCommands::ReportCommands(RegisterPanel* mainPanel, ReportPanel* reportPanel, QWidget* window)
    : QObject(window), mainPanel_(mainPanel), reportPanel_(reportPanel), window_(window) {
  buildCopyMenu();
  buildReportsMenu();
  connect(mainPanel_->CmdKeepSame, &ZENButton::Click, this, &ReportCommands::popUpCopyMenu);
  connect(mainPanel_->CmdReport, &ZENButton::Click, this, &ReportCommands::popUpReportsMenu);
  connect(reportPanel_->showDetailsBox, &QCheckBox::clicked, this,
          [this] { showOccurrence(reportPanel_->occurrenceColumn()); });
  mainPanel_->installEventFilter(this);
  reportPanel_->installEventFilter(this);
  updateMenus();
}

QAction* ReportCommands::addItem(QMenu* menu, const char* name, const char* caption) {
  QAction* action = menu->addAction(QString::fromUtf8(caption));
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

void ReportCommands::addSeparator(QMenu* menu, const char* name) {
  QAction* separator = menu->addSeparator();
  separator->setObjectName(QString::fromLatin1(name));
}

void ReportCommands::buildCopyMenu() {
  copyMenu = new QMenu(tr("&Copy"), window_);
  copyMenu->setObjectName(QStringLiteral("MnuCopy"));
  connect(addItem(copyMenu, "MnuCopySw", "As Per Software - To be Changed"), &QAction::triggered, this,
          &ReportCommands::copySoftwareToChange);
  connect(addItem(copyMenu, "MnuCopyLogin", "As Per Login - To be Changed"), &QAction::triggered, this,
          &ReportCommands::copyLoginToChange);
  connect(addItem(copyMenu, "MnuCopyLoginToSw", "As Per Login - Software (Name Only)"), &QAction::triggered,
          this, &ReportCommands::copyNamesToSuite);
  connect(addItem(copyMenu, "MnuCopyLoginToSwMoEml", "As Per Login - Software (Mobile/Email)"),
          &QAction::triggered, this, &ReportCommands::copyContactsToSuite);
}

void ReportCommands::buildReportsMenu() {
  reportsMenu = new QMenu(tr("&Reports"), window_);
  reportsMenu->setObjectName(QStringLiteral("MnuReports"));

  const auto blank = [this](QMenu* menu, const char* name) {
    for (const BlankList& list : BlankLists)
      if (qstrcmp(list.item, name) == 0)
        connect(addItem(menu, list.item, list.caption), &QAction::triggered, this,
                [this, &list] { showBlankList(list); });
  };
  const auto occurrence = [this](QMenu* menu, const char* name) {
    for (const OccurrenceList& list : OccurrenceLists)
      if (qstrcmp(list.item, name) == 0)
        connect(addItem(menu, list.item, list.caption), &QAction::triggered, this,
                [this, column = list.column] { showOccurrence(column); });
  };

  QMenu* mobile = reportsMenu->addMenu(tr("&Mobile"));
  mobile->setObjectName(QStringLiteral("MnuMobileRpt"));
  connect(addItem(mobile, "MnuMobMisMatch", "Mobile Mismatch"), &QAction::triggered, this,
          [this] { showMismatchList(MismatchKind::Mobile); });
  occurrence(mobile, "MnuMobAssigned");
  occurrence(mobile, "MnuLMobAssigned");
  addSeparator(mobile, "MnuMailD1");
  blank(mobile, "MnuMobBlankSw");
  blank(mobile, "MnuMobBlankLogin");
  addSeparator(mobile, "MnumailD2");
  blank(mobile, "MnuSecMobBlanksw");
  blank(mobile, "MnuSecMobBlankLogin");

  QMenu* eMail = reportsMenu->addMenu(tr("&E-Mail"));
  eMail->setObjectName(QStringLiteral("MnuEmailRpt"));
  connect(addItem(eMail, "MnuEmailMismatch", "E-Mail Mismatch"), &QAction::triggered, this,
          [this] { showMismatchList(MismatchKind::EMail); });
  occurrence(eMail, "MnuEMailAssigned");
  occurrence(eMail, "MnuLMailAssigned");
  addSeparator(eMail, "MnuMobD1");
  blank(eMail, "MnuEmailBlankSw");
  blank(eMail, "MnuEmailBlankLogin");
  addSeparator(eMail, "MnuMobD2");
  blank(eMail, "MnuSecEmailBlankSw");
  blank(eMail, "MnuSecEmailBlankLogin");
}

QAction* ReportCommands::item(const QString& name) const {
  for (const QMenu* menu : {copyMenu, reportsMenu})
    for (QAction* action : menu->findChildren<QAction*>())
      if (action->objectName() == name)
        return action;
  return nullptr;
}

QPoint ReportCommands::belowLeftCorner(const QWidget* button) {
  return button->mapToGlobal(QPoint(0, button->height()));
}

void ReportCommands::popUpCopyMenu() {
  copyMenu->popup(belowLeftCorner(mainPanel_->CmdKeepSame));
}

void ReportCommands::popUpReportsMenu() {
  reportsMenu->popup(belowLeftCorner(mainPanel_->CmdReport));
}

void ReportCommands::closeRegisterEditor() {
  // Until the register offers one call for it, the editor is cancelled through the grid.
  if (mainPanel_->vsCL->isEditing())
    mainPanel_->vsCL->cancelEdit();
}

void ReportCommands::copySoftwareToChange() {
  closeRegisterEditor();
  CopyGroupToChange(*mainPanel_->vsCL->model(), CopySource::Software);
}

void ReportCommands::copyLoginToChange() {
  closeRegisterEditor();
  CopyGroupToChange(*mainPanel_->vsCL->model(), CopySource::Login);
}

void ReportCommands::copyNamesToSuite() {
  closeRegisterEditor();
  CopyLoginNamesToSuite(*mainPanel_->vsCL->model());
}

void ReportCommands::copyContactsToSuite() {
  closeRegisterEditor();
  CopyLoginContactsToSuite(*mainPanel_->vsCL->model());
}

void ReportCommands::showReportPanel() {
  mainPanel_->hide();
  reportPanel_->show();
  reportPanel_->raise();
}

void ReportCommands::showBlankList(const BlankList& list) {
  closeRegisterEditor();
  ListBlank(*mainPanel_->vsCL->model(), list.column, *reportPanel_->VSRpt->model());
  reportPanel_->showReportGrid(QString::fromLatin1(list.title));
  showReportPanel();
}

void ReportCommands::showMismatchList(MismatchKind kind) {
  closeRegisterEditor();
  ListMismatch(*mainPanel_->vsCL->model(), kind, *reportPanel_->VSRpt->model());
  reportPanel_->showReportGrid(MismatchTitle(kind));
  showReportPanel();
}

void ReportCommands::showOccurrence(int column) {
  if (column < 0)
    return;
  closeRegisterEditor();
  reportPanel_->setOccurrenceColumn(column);
  const WaitCursor wait;
  const QString title =
      AssignedDet(*mainPanel_->vsCL->model(), column, reportPanel_->showDetailsBox->isChecked(),
                  *reportPanel_->detailGrid->model());
  reportPanel_->showDetailGrid(title);
  showReportPanel();
}

void ReportCommands::updateMenus() {
  const bool mainInFront = mainPanel_->isVisibleTo(window_) && mainPanel_->isEnabled();
  const bool reportInFront = reportPanel_->isVisibleTo(window_) && reportPanel_->isEnabled();
  copyMenu->menuAction()->setEnabled(mainInFront);
  reportsMenu->menuAction()->setEnabled(mainInFront || reportInFront);
}

bool ReportCommands::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::EnabledChange:
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
      updateMenus();
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace kestrel
