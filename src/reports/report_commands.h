#pragma once

#include "reports/report_lists.h"

#include <QObject>
#include <QPoint>

class QAction;
class QMenu;
class QWidget;

namespace kestrel {

class RegisterPanel;
class ReportPanel;

// The Copy menu `MnuCopy` and the Reports menu `MnuReports` of the main window, the main
// panel's buttons that pop them up (`CmdKeepSame`, `CmdReport`) and the report panel's
// `ChkShowDetail`. The commands themselves work on the grids (copy_commands, report_lists,
// occurrence_report); this puts their results on screen. The menus are usable only while the
// panel they act on is in front and enabled.
class ReportCommands : public QObject {
  Q_OBJECT

 public:
  ReportCommands(RegisterPanel* mainPanel, ReportPanel* reportPanel, QWidget* window);

  QMenu* copyMenu = nullptr;     // "&Copy"
  QMenu* reportsMenu = nullptr;  // "&Reports", with "&Mobile" and "&E-Mail"

  // A menu item or separator by its object name, nullptr when there is none.
  QAction* item(const QString& name) const;

  // `CmdKeepSame_Click`, `CmdReport_Click`: the menu at the button's lower left corner.
  void popUpCopyMenu();
  void popUpReportsMenu();
  static QPoint belowLeftCorner(const QWidget* button);

  void copySoftwareToChange();  // MnuCopySw
  void copyLoginToChange();     // MnuCopyLogin
  void copyNamesToSuite();      // MnuCopyLoginToSw
  void copyContactsToSuite();   // MnuCopyLoginToSwMoEml

  void showBlankList(const BlankList& list);
  void showMismatchList(MismatchKind kind);
  // The occurrence report of a client column, with or without details as ChkShowDetail says.
  void showOccurrence(int column);

  // Enables each menu as its panel is shown and enabled.
  void updateMenus();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildCopyMenu();
  void buildReportsMenu();
  QAction* addItem(QMenu* menu, const char* name, const char* caption);
  void addSeparator(QMenu* menu, const char* name);
  // An edit left open in the register would store its text over what a command writes.
  void closeRegisterEditor();
  void showReportPanel();

  RegisterPanel* mainPanel_;
  ReportPanel* reportPanel_;
  QWidget* window_;
};

}  // namespace kestrel
