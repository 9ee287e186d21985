#include "shot_book.h"

#include "assign/default_panel.h"
#include "controls/zen_button.h"
#include "entry/main_window.h"
#include "entry/notice_dialog.h"
#include "mail/account_panel.h"
#include "mail/alias_panel.h"
#include "mail/client_grid.h"
#include "mail/inbox_panel.h"
#include "mail/mail_setup_panel.h"
#include "mail/mail_window.h"
#include "mail/user_panel.h"
#include "platform/grid/flexgrid.h"
#include "portal/portal_run.h"
#include "portal/progress_panel.h"
#include "register/register_layout.h"
#include "register/register_panel.h"
#include "register/setup_panel.h"
#include "reports/report_commands.h"
#include "reports/report_lists.h"
#include "reports/report_panel.h"
#include "simulator_process.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTextStream>
#include <QTimer>

#include <stdexcept>

namespace kestrel::shots {

namespace {

// The clients the pictures tick: serial numbers 1 to 8 of the demo store, which give successful
// logins beside a few of the portal's refusals.
constexpr int FirstSerial = 1;
constexpr int LastSerial = 8;
// Window sizes that keep the pictures legible on an A4 page.
constexpr QSize MainSize(1240, 720);
constexpr QSize MailSize(1060, 660);

QString serialText(int n) {
  return QString::number(n);
}

// The register shows exactly these columns, chosen on the column setup panel as a user would.
void showColumns(MainWindow& w, const QList<int>& columns) {
  w.showSetup();
  SetupPanel& setup = *w.setupPanel;
  for (QCheckBox* group : {setup.ChkSoftware, setup.ChkLogin, setup.ChkChange}) group->setChecked(true);
  setup.ChkSoftware_Click();
  setup.ChkLogin_Click();
  setup.ChkChange_Click();
  for (int i = 0; i < col::Count; ++i) setup.ChkColShow[size_t(i)]->setChecked(columns.contains(i));
  setup.CmdOKSetup_Click();
}

// How many clients' Import Logs begin with the text.
int outcomes(const grid::FlexGridModel& g, int column, const QString& text) {
  int n = 0;
  for (int r = 0; r < g.Rows(); ++r)
    if (g.TextMatrix(r, column).startsWith(text))
      ++n;
  return n;
}

// The columns shown when the window opens.
QList<int> startColumns() {
  QList<int> shown;
  for (int i = 0; i < col::Count; ++i)
    if (!RegisterColumns()[size_t(i)].hidden)
      shown.push_back(i);
  return shown;
}

}  // namespace

ShotBook::ShotBook(QString folder, SimulatorProcess& portal) : folder_(std::move(folder)), portal_(portal) {
  if (!QDir().mkpath(folder_))
    throw std::runtime_error(QStringLiteral("cannot create %1").arg(folder_).toStdString());
}

void ShotBook::expect(bool state, const char* problem) {
  if (state)
    return;
  ++failures_;
  QTextStream(stderr) << "kestrel-manual-shots: " << problem << Qt::endl;
}

void ShotBook::settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

void ShotBook::save(QWidget* widget, const QString& name) {
  settle();
  const QString path = folder_ + QLatin1Char('/') + name + QStringLiteral(".png");
  if (widget && widget->grab().save(path)) {
    ++written_;
    return;
  }
  ++failures_;
  QTextStream(stderr) << "kestrel-manual-shots: could not write " << path << Qt::endl;
}

int ShotBook::answerDialogs(const QString& title, const std::function<void()>& action,
                            const std::function<void(QDialog*, int)>& answer) {
  int seen = 0;
  QPointer<QDialog> current;
  QTimer watch;
  watch.setInterval(50);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* dialog = qobject_cast<QDialog*>(w);
          dialog && dialog != current && dialog->isVisible() && dialog->windowTitle() == title) {
        current = dialog;
        answer(dialog, seen++);
        return;
      }
  });
  watch.start();
  action();
  return seen;
}

void ShotBook::takeAll() {
  notice();
  window_ = &MainWindow::loadDefault();
  window_->resize(MainSize);
  window_->show();
  settle();
  registerAndSetup();
  fetch();
  reports();
  mailSetup();
  defaultsAndUpdate();
}

void ShotBook::notice() {
  NoticeDialog& dialog = NoticeDialog::instance();
  dialog.show();
  save(&dialog, QStringLiteral("notice"));
  dialog.goBack();
  settle();
}

void ShotBook::registerAndSetup() {
  MainWindow& w = *window_;
  RegisterPanel& panel = *w.registerPanel;
  panel.TxtFromR[0]->setText(serialText(FirstSerial));
  panel.TxtFromR[1]->setText(serialText(LastSerial));
  panel.CmdOKRange_Click();
  panel.UpdateCount();
  save(&w, QStringLiteral("register"));

  // A search by name keeps the rows that contain the text.
  panel.CmbSearch->setCurrentIndex(panel.CmbSearch->findText(QStringLiteral("Party Name")));
  panel.TxtSearch->setText(QStringLiteral("an"));
  panel.CmdSearch_Click();
  save(&w, QStringLiteral("search"));
  panel.TxtSearch->clear();
  panel.CmdSearch_Click();

  w.showSetup();
  save(w.setupPanel, QStringLiteral("setup"));
  w.hidePanel(w.setupPanel);
}

void ShotBook::fetch() {
  MainWindow& w = *window_;
  // The progress panel while the third client is on its way.
  int clients = 0;
  const auto connection = QObject::connect(w.portalRun, &PortalRun::clientStarted, &w, [&] {
    if (++clients == 3)
      QTimer::singleShot(0, &w, [this, &w] { save(w.progressPanel, QStringLiteral("progress")); });
  });
  w.fetchProfiles();
  QObject::disconnect(connection);
  settle();
  expect(outcomes(*w.registerGrid->model(), col::ImportLogs, QStringLiteral("Login Success")) > 0,
         "no client was fetched from the portal");
  // The portal's details beside the suite's.
  showColumns(w, {col::SrNo, col::PartyName, col::Software + col::Mobile1, col::Software + col::EMail1,
                  col::LoginName, col::Login + col::Mobile1, col::Login + col::EMail1, col::ImportLogs});
  save(&w, QStringLiteral("fetched"));
  showColumns(w, {col::SrNo, col::PartyName, col::LoginName, col::Login + col::NonResident,
                  col::Login + col::Mobile1, col::Login + col::Mobile1Rel, col::Login + col::EMail1,
                  col::Login + col::EMail1Rel, col::Login + col::Mobile2, col::Login + col::EMail2});
  save(&w, QStringLiteral("fetched-login"));
  showColumns(w, startColumns());
}

void ShotBook::reports() {
  MainWindow& w = *window_;
  ReportCommands& commands = *w.reportCommands;

  // The Reports menu's mobile lists and the Copy menu, as the buttons pop them up.
  if (QAction* mobile = commands.reportsMenu->actions().value(0); mobile && mobile->menu()) {
    QMenu* menu = mobile->menu();
    menu->popup(ReportCommands::belowLeftCorner(w.registerPanel->CmdReport));
    save(menu, QStringLiteral("reports-menu"));
    menu->hide();
  }
  commands.copyMenu->popup(ReportCommands::belowLeftCorner(w.registerPanel->CmdKeepSame));
  save(commands.copyMenu, QStringLiteral("copy-menu"));
  commands.copyMenu->hide();

  commands.showBlankList(BlankLists[1]);  // blank mobile on the portal
  save(&w, QStringLiteral("blank-list"));
  w.reportPanel->CmdBack_Click();

  commands.showMismatchList(MismatchKind::Mobile);
  save(&w, QStringLiteral("mismatch-list"));
  w.reportPanel->CmdBack_Click();

  w.reportPanel->showDetailsBox->setChecked(true);
  commands.showOccurrence(col::Software + col::EMail1);
  save(&w, QStringLiteral("occurrence"));
  w.reportPanel->showDetailsBox->setChecked(false);
  commands.showOccurrence(col::Software + col::EMail1);
  save(&w, QStringLiteral("occurrence-summary"));
  w.reportPanel->CmdBack_Click();
  settle();
}

void ShotBook::mailSetup() {
  MainWindow& w = *window_;
  w.openMailSetup();
  mail::MailWindow* mailWindow = mail::MailWindow::instance();
  expect(mailWindow != nullptr, "the mail window did not open");
  if (!mailWindow)
    return;
  mail::MailWindow& m = *mailWindow;
  m.resize(MailSize);
  settle();
  save(&m, QStringLiteral("mail"));

  // A mailbox for the clients' aliases, created on the hosting panel.
  m.openUserPanel();
  mail::UserPanel& users = *m.userPanel;
  users.createOption->setChecked(true);
  users.userBox->setEditText(QStringLiteral("returns"));
  users.passwordField->setText(QStringLiteral("Filing#2026"));
  users.retypedField->setText(QStringLiteral("Filing#2026"));
  save(&users, QStringLiteral("mail-user"));
  users.saveUser();
  settle();

  // The aliases: party code and a fixed text, forwarding to that mailbox.
  mail::MailSetupPanel& p = *m.mainPanel;
  p.forwardToBox->setCurrentIndex(p.forwardToBox->findText(QStringLiteral("returns")));
  m.openAliasPanel();
  mail::AliasPanel& alias = *m.aliasPanel;
  alias.optionBoxes[0]->setCurrentIndex(alias.optionBoxes[0]->findData(mail::part::PartyCode));
  alias.optionChosen(0);
  alias.optionBoxes[1]->setCurrentIndex(alias.optionBoxes[1]->findData(mail::part::AnyText));
  alias.optionChosen(1);
  alias.optionFields[1]->setText(QStringLiteral(".itr"));
  save(&alias, QStringLiteral("alias"));
  m.hideOverlay(m.aliasPanel);
  m.createAliases();
  settle();
  expect(outcomes(*p.clientGrid->model(), mail::vs::ImportLogs, QStringLiteral("SUCCESS:")) > 0,
         "no alias was created");
  save(&m, QStringLiteral("aliases-created"));

  // The inbox, and the account its mailbox is read with.
  mail::InboxPanel& inbox = *m.inboxPanel;
  inbox.openPanel();
  inbox.accountBox->setCurrentIndex(
      inbox.accountBox->findText(QStringLiteral("returns@demo-firm.example.in")));
  save(&m, QStringLiteral("inbox"));
  inbox.showMails();
  mail::AccountPanel& account = *m.accountPanel;
  account.hostField->setText(QStringLiteral("mail.demo-firm.example.in"));
  account.portField->setText(QStringLiteral("995"));
  account.sslBox->setChecked(true);
  save(&account, QStringLiteral("mail-account"));
  m.hideOverlay(&account);
  inbox.closePanel();
  m.close();
  settle();
}

void ShotBook::defaultsAndUpdate() {
  MainWindow& w = *window_;
  w.showDefaults();
  DefaultPanel& d = *w.defaultPanel;
  d.primaryMobileBox->setEditText(QStringLiteral("9876501234"));
  d.relationBoxes[0]->setCurrentIndex(d.relationBoxes[0]->findText(QStringLiteral("Self")));
  d.fetchAliasBox->setChecked(true);
  d.relationBoxes[1]->setCurrentIndex(d.relationBoxes[1]->findText(QStringLiteral("Self")));
  d.secondaryEMailBox->setEditText(QStringLiteral("filings@demo-firm.example.in"));
  d.relationBoxes[3]->setCurrentIndex(d.relationBoxes[3]->findText(QStringLiteral("Tax Return Preparer")));
  save(w.defaultPanel, QStringLiteral("defaults"));
  d.assignToSelectedClients();
  settle();
  const QList<int> changeColumns = {col::SrNo,          col::PartyName,    col::NewMobile1,
                                    col::NewMobile1Rel, col::NewEMail1,    col::NewEMail1Rel,
                                    col::NewEMail2,     col::NewEMail2Rel, col::ImportLogs};
  showColumns(w, changeColumns);
  save(&w, QStringLiteral("assigned"));

  // The update. Each PIN box is answered with the PINs the portal simulator announced for the
  // client named in it; the first one is pictured.
  static const QRegularExpression panInText(QStringLiteral("PINs for (\\S+) to"));
  const int boxes = answerDialogs(
      QStringLiteral("e-filing portal: PIN validation"), [&] { w.proceedWithUpdate(); },
      [this](QDialog* dialog, int index) {
        const QList<QLineEdit*> fields = dialog->findChildren<QLineEdit*>();
        QString pan;
        for (const QLabel* label : dialog->findChildren<QLabel*>())
          if (const auto match = panInText.match(label->text()); match.hasMatch())
            pan = match.captured(1);
        const auto [mobilePin, emailPin] = portal_.pinsFor(pan);
        if (fields.size() == 2 && !mobilePin.isEmpty()) {
          fields[0]->setText(mobilePin);
          fields[1]->setText(emailPin);
        }
        if (index == 0)
          save(dialog, QStringLiteral("pin"));
        if (fields.size() == 2 && !mobilePin.isEmpty())
          dialog->accept();
        else
          dialog->reject();
      });
  expect(boxes > 0, "no PIN box opened during the update");
  settle();
  expect(outcomes(*w.registerGrid->model(), col::ImportLogs, QStringLiteral("Validate Contact Success")) > 0,
         "no client's update was confirmed");
  save(&w, QStringLiteral("updated"));
  showColumns(w, startColumns());
}

}  // namespace kestrel::shots
