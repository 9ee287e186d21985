// The mail window offscreen on a fake base component and a scripted hosting panel: the
// statements it sends when it opens and identifies a domain, the user panel's checks, saves and
// deletes, the alias run's per-client outcomes and stop, the tick rules and the keys.
#include "controls/zen_button.h"
#include "entry/mod_it_main.h"
#include "fake_base.h"
#include "layout_checks.h"
#include "mail/alias_panel.h"
#include "mail/alias_progress_panel.h"
#include "mail/alias_run.h"
#include "mail/client_grid.h"
#include "mail/mail_setup_panel.h"
#include "mail/mail_window.h"
#include "mail/user_panel.h"
#include "mail/web_session.h"
#include "platform/grid/flexgrid.h"
#include "scripted_interaction.h"
#include "table_row.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>

#include <functional>
#include <optional>

using namespace kestrel;
using namespace kestrel::mail;
using namespace kestrel::testing;

namespace {

// The hosting panel as the tests script it: the page for each request address, or no page.
struct Panel {
  QStringList requests;
  std::function<std::optional<QString>(const QString& url)> answer;
  std::function<void()> whileWaiting;
};

class ScriptedSession final : public WebSession {
 public:
  explicit ScriptedSession(Panel& panel) : panel_(panel) {}
  bool InitComponent(const QString&, const QString&, bool, int) override { return true; }
  bool OpenWHR(const QString&, const QString& url, const QString&) override { return open(url); }
  bool OpenURL(const QString& url) override { return open(url); }
  QString HtmlSource() const override { return page_; }
  QString LastError() const override { return "Connection refused"; }
  void Quit() override {}

 private:
  bool open(const QString& url) {
    panel_.requests << url;
    if (panel_.whileWaiting)
      panel_.whileWaiting();
    const auto page = panel_.answer(url);
    page_ = page.value_or(QString());
    return page.has_value();
  }
  Panel& panel_;
  QString page_;
};

const QString Forwarders = "SELECT * FROM WebMailFwder WHERE DomainID =3";

FakeTable table(const QStringList& fields, std::vector<std::vector<QVariant>> rows) {
  return FakeTable{fields, std::move(rows)};
}

struct Fixture {
  std::shared_ptr<FakeBase> base = std::make_shared<FakeBase>();
  Panel panel;
  ScopedInteraction script;
  QPointer<MailWindow> window;

  Fixture() {
    ObjectRegistry::instance().registerFactory("VelBase.ClsMain", [b = base] { return b; });
    ObjectRegistry::instance().registerFactory(WebSession::ProgId,
                                               [this] { return std::make_shared<ScriptedSession>(panel); });
    ModuleStart();
    panel.answer = [](const QString&) { return std::optional<QString>(QString()); };
  }
  ~Fixture() {
    delete window.data();
    ModuleShutdown();
  }
  // A stored domain 3 ("panel.in", "example.in") with the user "office" (5) and the alias of
  // client C2 forwarding to user 9 of the same domain.
  void storeDomain() {
    base->results.insert("SELECT * FROM WebMailDomain Order by DomainID Desc Limit 1",
                         table({"DomainID", "sUrl", "sDomain"}, {{3, "panel.in", "example.in"}}));
    base->results.insert("SELECT DomainID FROM WebMailDomain WHERE sUrl='panel.in' AND sDomain='example.in'",
                         table({"DomainID"}, {{3}}));
    base->results.insert("SELECT * FROM WebMailUser WHERE DomainID=3",
                         table({"DomainID", "UserID", "sUserNm", "sPassword"}, {{3, 5, "office", "pw5"}}));
    base->results.insert(Forwarders,
                         table({"DomainID", "CodeNo", "sAlias", "nForwardTo"}, {{3, "C2", "c2", 9}}));
  }
  MailWindow& open(const std::vector<AliasClient>& clients = {}) {
    window = &MailWindow::openDefault();
    window->loadClients(clients);
    base->statements.clear();
    window->InitMe();
    window->show();
    QApplication::setActiveWindow(window);
    (void)QTest::qWaitForWindowActive(window);
    return *window;
  }
  grid::FlexGridModel& grid() { return *window->mainPanel->clientGrid->model(); }
  QStringList messages() const {
    QStringList texts;
    for (const auto& m : script->messages) texts << m.text;
    return texts;
  }
  // The statements that change the mail tables, identifier claims left out.
  QStringList writes() const {
    QStringList w;
    for (const QString& s : base->statements)
      if (!s.startsWith("SELECT", Qt::CaseInsensitive) && !s.contains("WebMailIdClaim"))
        w << s;
    return w;
  }
};

const std::vector<AliasClient> Clients = {{"C1", "Asha Rao", "AAAPR1111A", "1980-01-02", "9000000001"},
                                          {"C2", "Ravi Kumar", "BBBPK2222B", "1975-12-31", "9000000002"},
                                          {"C3", "O'Neil D'Souza", "CCCPD3333C", "", "9000000003"}};

}  // namespace

class TstMailWindow : public QObject {
  Q_OBJECT

 private slots:
  void opensOnTheDomainCreatedLast() {
    Fixture f;
    f.storeDomain();
    MailWindow& w = f.open(Clients);
    QCOMPARE(f.base->statements,
             QStringList({"SELECT * FROM WebMailDomain Order by DomainID Desc Limit 1",
                          "SELECT DomainID FROM WebMailDomain WHERE sUrl='panel.in' AND sDomain='example.in'",
                          "SELECT * FROM WebMailUser WHERE DomainID=3", Forwarders, Forwarders}));
    QCOMPARE(w.mainPanel->forwardToBox->count(), 2);
    QCOMPARE(w.mainPanel->forwardToBox->itemText(1), "ALL");
    QCOMPARE(w.mainPanel->forwarderField->text(), "office");
    QCOMPARE(w.mainPanel->forwarderTag, "5");
    QCOMPARE(w.state.userPasswords, QStringList({"pw5", ""}));
    // C2's alias belongs to another user: its forward-to cell is kept and its tick locked.
    QCOMPARE(f.grid().TextMatrix(2, vs::UserName), "");
    QCOMPARE(f.grid().TextMatrix(2, vs::ForwardTo), "9");
    QVERIFY(f.grid().ColHidden(vs::ForwardTo));
    QVERIFY(!w.mainPanel->clientGrid->toggleCheck(2, vs::Tick));
    QVERIFY(w.mainPanel->clientGrid->toggleCheck(1, vs::Tick));
    QVERIFY(!w.mainPanel->clientGrid->toggleCheck(1, vs::PartyName));
    // Under "ALL" every alias shows, with the address of its user.
    w.mainPanel->forwardToBox->setCurrentIndex(1);
    w.selectForwarder();
    QCOMPARE(f.grid().TextMatrix(2, vs::UserName), "c2");
    QVERIFY(!f.grid().ColHidden(vs::ForwardTo));
    QCOMPARE(f.grid().ColComboList(vs::ForwardTo), "#5;office@example.in|");
  }

  void anEmptyStoreCreatesNothing() {
    Fixture f;
    MailWindow& w = f.open(Clients);
    QCOMPARE(f.base->statements, QStringList({"SELECT * FROM WebMailDomain Order by DomainID Desc Limit 1",
                                              "SELECT * FROM WebMailFwder WHERE DomainID =0"}));
    QCOMPARE(w.state.currentDomainId, 0);
    QCOMPARE(w.mainPanel->forwardToBox->count(), 0);
  }

  void identifiesTheTypedDomain_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QStringList>("statements");
    const QString maxId = "Select Max(DomainID) as MaxID From WebMailDomain WHERE 1=1 ";
    row("prefixes removed, ends trimmed", " https://www.Panel.in/", " example.in ",
        QStringList{"SELECT DomainID FROM WebMailDomain WHERE sUrl='Panel.in' AND sDomain='example.in'",
                    maxId,
                    "INSERT INTO WebMailDomain(DomainID, sUrl, sDomain)VALUES(1,'Panel.in','example.in')"});
    row("a slash before blanks is no final slash", "panel.in/ ", "example.in",
        QStringList{"SELECT DomainID FROM WebMailDomain WHERE sUrl='panel.in/' AND sDomain='example.in'",
                    maxId,
                    "INSERT INTO WebMailDomain(DomainID, sUrl, sDomain)VALUES(1,'panel.in/','example.in')"});
    row("quote in the host", "o'neil.in", "x\\y.in",
        QStringList{"SELECT DomainID FROM WebMailDomain WHERE sUrl='o''neil.in' AND sDomain='x\\y.in'", maxId,
                    "INSERT INTO WebMailDomain(DomainID, sUrl, sDomain)VALUES(1,'o''neil.in','x\\y.in')"});
    row("no domain", "panel.in", "   ", QStringList{});
    row("stored pair found", "http://panel.in", "example.in/",
        QStringList{"SELECT DomainID FROM WebMailDomain WHERE sUrl='panel.in' AND sDomain='example.in'",
                    "SELECT * FROM WebMailUser WHERE DomainID=3", Forwarders});
  }
  void identifiesTheTypedDomain() {
    QFETCH(QString, host);
    QFETCH(QString, domain);
    Fixture f;
    f.storeDomain();
    f.base->results.remove("SELECT * FROM WebMailDomain Order by DomainID Desc Limit 1");
    MailWindow& w = f.open();
    f.base->statements.clear();
    w.mainPanel->hostField->setText(host);
    w.mainPanel->domainField->setText(domain);
    w.identifyDomain();
    QStringList sent;
    for (const QString& s : f.base->statements)
      if (!s.contains("WebMailIdClaim"))
        sent << s;
    QTEST(sent, "statements");
  }

  void leavingTheFieldsByKeyboardIdentifiesTheDomain() {
    Fixture f;
    MailWindow& w = f.open();
    QLineEdit* host = w.mainPanel->hostField;
    host->setFocus();
    QTest::keyClicks(host, "panel.in");
    QTest::keyClick(host, Qt::Key_Return);  // Enter moves on as Tab does
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.mainPanel->domainField));
    QCOMPARE(w.state.currentDomainId, 0);  // no domain yet: nothing stored
    QTest::keyClicks(w.mainPanel->domainField, "example.in");
    QTest::keyClick(w.mainPanel->domainField, Qt::Key_Tab);
    QCOMPARE(w.state.currentDomainId, 1);
    QVERIFY(f.writes().contains(
        "INSERT INTO WebMailDomain(DomainID, sUrl, sDomain)VALUES(1,'panel.in','example.in')"));
  }

  void savingAUser_data() {
    QTest::addColumn<bool>("create");       // "Create New (From Kov)", else "Existing User"
    QTest::addColumn<QString>("name");      // typed, or "office" picked from the list
    QTest::addColumn<QString>("password");  // typed twice unless it holds "|"
    QTest::addColumn<QString>("page");      // the panel's answer; "down" for none
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<bool>("sent");  // whether the panel was asked
    const QString insert =
        "INSERT INTO WebMailUser(DomainID, UserID, sUserNm, sPassword )VALUES(3,1,'Asha','p''w')";
    row("no name", true, "  ", "pw", "", QStringList{NoUserNameMessage}, QStringList{}, false);
    row("no password", true, "Asha", "", "", QStringList{NoPasswordMessage}, QStringList{}, false);
    row("passwords differ", true, "Asha", "pw|pW", "", QStringList{PasswordMismatchMessage}, QStringList{},
        false);
    row("created: sent as typed, stored trimmed", true, "Asha", " p'w ", "Account created",
        QStringList{"SUCCESS: Asha@example.in created."}, QStringList{insert}, true);
    row("exists", true, "Asha", "p'w", "already exists!",
        QStringList{"FAILED: The Asha@example.in already exists!"}, QStringList{}, true);
    row("no marker", true, "Asha", "p'w", "<html>500</html>", QStringList{}, QStringList{}, true);
    row("panel down", true, "Asha", "p'w", "down", QStringList{"Failed to Open Link !\n\nConnection refused"},
        QStringList{}, true);
    row("existing user recorded without a request", false, "Asha", "p'w", "", QStringList{},
        QStringList{insert}, false);
    row("listed user: new password on both tables", false, "office", " n'ew", "", QStringList{},
        QStringList{"Update WebMailUser SET sPassword ='n''ew' WHERE UserID=5 AND DomainID=3",
                    "Update WebEMailAc  SET sPassword='n''ew' WHERE EmailID ='office@example.in'"},
        false);
  }
  void savingAUser() {
    QFETCH(bool, create);
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, page);
    Fixture f;
    f.storeDomain();
    MailWindow& w = f.open();
    w.openUserPanel();
    QVERIFY(w.userPanel->isVisible());
    f.base->statements.clear();
    f.panel.answer = [&](const QString&) {
      return page == "down" ? std::nullopt : std::optional<QString>(page);
    };
    UserPanel& u = *w.userPanel;
    (create ? u.createOption : u.existingOption)->setChecked(true);
    if (name == "office")
      u.userBox->setCurrentIndex(0);
    else
      u.userBox->setEditText(name);
    const QStringList typed = password.split('|');
    u.passwordField->setText(typed.front());
    u.retypedField->setText(typed.back());
    u.saveButton->PerformClick();

    QTEST(f.messages(), "messages");
    QTEST(f.writes(), "writes");
    QTEST(!f.panel.requests.isEmpty(), "sent");
    if (!f.panel.requests.isEmpty())
      QVERIFY2(f.panel.requests[0].contains("index.php?user=asha&pass=" +
                                            QString::fromLatin1(QUrl::toPercentEncoding(typed.front()))),
               qPrintable(f.panel.requests[0]));
  }

  void deletingAUser_data() {
    QTest::addColumn<bool>("aliasesForward");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("writes");
    row("refused while an alias forwards to it", true, QStringList{UserForwardsMessage}, QStringList{});
    row("removed from the store only", false, QStringList{},
        QStringList{"DELETE FROM WebMailuser WHERE userid=5 AND DomainID =3"});
  }
  void deletingAUser() {
    QFETCH(bool, aliasesForward);
    Fixture f;
    f.storeDomain();
    if (aliasesForward)
      f.base->results.insert("SELECT * FROM WebMailFwder WHERE nForwardto=5 AND DomainID =3",
                             table({"CodeNo"}, {{"C1"}}));
    MailWindow& w = f.open();
    w.openUserPanel();
    f.base->statements.clear();
    w.userPanel->userBox->setEditText("office");
    w.userPanel->deleteButton->PerformClick();  // a typed name is no listed user
    QVERIFY(f.base->statements.isEmpty());
    w.userPanel->userBox->setCurrentIndex(0);
    w.userPanel->deleteButton->PerformClick();
    QTEST(f.messages(), "messages");
    QTEST(f.writes(), "writes");
    if (aliasesForward)
      QCOMPARE(f.script->messages[0].icon, Interaction::Icon::None);
  }

  void aliasRunRecordsOnlyConfirmedAliases() {
    Fixture f;
    f.storeDomain();
    std::vector<AliasClient> clients = Clients;
    clients.push_back({"C4", "Meera", "", "", ""});
    clients.push_back({"C5", "Zed", "", "", ""});
    MailWindow& w = f.open(clients);
    f.grid().setCellChecked(2, vs::Tick, grid::flexUnchecked);  // C2: not ticked
    // C1 confirmed, C3 refused, C4 an answer without a marker, C5 no answer.
    f.panel.answer = [](const QString& url) -> std::optional<QString> {
      if (url.contains("user=c1"))
        return QString("c1@example.in will forward to office@example.in");
      if (url.contains("user=c3"))
        return QString("email not created");
      if (url.contains("user=c4"))
        return QString("Internal Server Error");
      return std::nullopt;
    };
    AliasPanel& a = *w.aliasPanel;
    a.optionBoxes[0]->setCurrentIndex(part::PartyCode);
    a.optionBoxes[1]->setCurrentIndex(part::NumberSeries);
    a.optionFields[1]->setText("7");
    f.base->statements.clear();
    w.createAliases();

    const QStringList logs = {f.grid().TextMatrix(1, vs::ImportLogs), f.grid().TextMatrix(2, vs::ImportLogs),
                              f.grid().TextMatrix(3, vs::ImportLogs), f.grid().TextMatrix(4, vs::ImportLogs),
                              f.grid().TextMatrix(5, vs::ImportLogs)};
    QCOMPARE(logs, QStringList({"SUCCESS: c17@example.in forward to office@example.in", "",
                                "FAILED: The office@example.in email not created!", "",
                                "Failed to Open Link ! Connection refused"}));
    // The series counts on over failing rows and skips the unticked one.
    QCOMPARE(f.panel.requests.size(), 4);
    QVERIFY(
        f.panel.requests[3].contains("addforwarder.php?user=c510&email_domain=example.in&forward=office@"));
    QCOMPARE(f.grid().TextMatrix(1, vs::UserName), "c17");
    QCOMPARE(f.grid().TextMatrix(3, vs::UserName), "");
    QCOMPARE(f.writes(),
             QStringList({"DELETE FROM WebMailFwder WHERE DomainID =3 AND CodeNo='C1'",
                          "INSERT INTO WebMailFwder(DomainID, CodeNo, sAlias, nForwardTo)VALUES(3,'C1',"
                          "'c17',5)"}));
    QVERIFY(w.mainPanel->isEnabled());
    QVERIFY(!w.progressPanel->isVisible());
    QVERIFY(f.messages().isEmpty());
    // The count and the bar follow the ticked clients alone.
    QCOMPARE(w.progressPanel->countLabel->text(), "4 of 4 clients done");
    QCOMPARE(w.progressPanel->bar->value(), 100);
  }

  void closingTheProgressPanelStopsTheRun() {
    Fixture f;
    f.storeDomain();
    MailWindow& w = f.open(Clients);
    f.grid().setCellChecked(2, vs::Tick, grid::flexUnchecked);
    w.aliasPanel->optionBoxes[0]->setCurrentIndex(part::Pan);
    // The user clicks "Close" while the first request waits for the panel.
    f.panel.whileWaiting = [&] {
      QVERIFY(!w.mainPanel->isEnabled());
      emit w.progressPanel->closeClicked();
    };
    w.createAliases();
    QCOMPARE(f.panel.requests.size(), 1);
    QVERIFY(w.mainPanel->isEnabled());
  }

  void emptyAliasSendsNothing() {
    Fixture f;
    f.storeDomain();
    MailWindow& w = f.open({Clients[2]});
    w.aliasPanel->optionBoxes[0]->setCurrentIndex(part::Dob);  // C3 has no date of birth
    w.createAliases();
    QVERIFY(f.panel.requests.isEmpty());
    QCOMPARE(f.grid().TextMatrix(1, vs::ImportLogs), "FAILED : Requested User Name cannot be blank");
  }

  void openingChecks() {
    Fixture f;
    MailWindow& w = f.open(Clients);
    w.openUserPanel();
    w.mainPanel->hostField->setText("panel.in");
    w.openUserPanel();
    w.openAliasPanel();
    QCOMPARE(f.messages(), QStringList({"Please provide a valid Host URL", "Please provide a valid Domain",
                                        "Please Select Forwarder Name"}));
    QVERIFY(!w.userPanel->isVisible() && !w.aliasPanel->isVisible());
  }

  void slotChoiceResetsLaterSlots() {
    Fixture f;
    MailWindow& w = f.open();
    AliasPanel& a = *w.aliasPanel;
    a.optionBoxes[1]->setCurrentIndex(part::AnyText);
    a.optionChosen(1);
    QVERIFY(a.optionFields[1]->isEnabled());
    a.optionBoxes[0]->setCurrentIndex(part::Pan);
    a.optionChosen(0);
    QCOMPARE(a.optionBoxes[1]->currentIndex(), part::Select);
    QVERIFY(!a.optionFields[0]->isEnabled() && !a.optionFields[1]->isEnabled());
  }

  // At its minimum size, which fits a 1024×640 screen, the window shows the controls of its
  // main panel and of each panel in front whole.
  void smallestWindowClipsNothing_data() {
    QTest::addColumn<QString>("panel");
    QTest::newRow("main panel") << "FraMainOuter";
    QTest::newRow("users") << "FraUser";
    QTest::newRow("aliases") << "FraFwdSetup";
  }
  void smallestWindowClipsNothing() {
    QFETCH(QString, panel);
    Fixture f;
    f.storeDomain();
    MailWindow& w = f.open(Clients);
    QVERIFY(w.minimumWidth() <= 1024 && w.minimumHeight() <= 600);
    w.resize(w.minimumSize());
    if (panel == u"FraUser")
      w.openUserPanel();
    else if (panel == u"FraFwdSetup")
      w.openAliasPanel();
    QCoreApplication::processEvents();
    auto* shown = w.findChild<QWidget*>(panel);
    QVERIFY(shown->isVisible() && w.rect().contains(shown->geometry()));
    QCOMPARE(clippedControls(*shown).join(", "), QString());
  }

  void escapeClosesTheTopmostThenTheWindow() {
    Fixture f;
    f.storeDomain();
    MailWindow& w = f.open(Clients);
    w.openUserPanel();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!w.userPanel->isVisible() && w.mainPanel->isEnabled());
    w.mainPanel->aliasSetupButton->setFocus();
    QTest::keyClick(w.mainPanel->aliasSetupButton, Qt::Key_Return);  // Enter presses a button
    QVERIFY(w.aliasPanel->isVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!w.aliasPanel->isVisible());
    QTest::keyClick(w.mainPanel->clientGrid, Qt::Key_Escape);
    QTRY_VERIFY(!f.window);
  }
};

QTEST_MAIN(TstMailWindow)
#include "tst_mail_window.moc"
