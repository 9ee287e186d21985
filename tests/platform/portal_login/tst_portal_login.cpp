// The portal login component against the portal simulator, over real HTTP.
#include "pin_dialog.h"
#include "portal/portal_rules.h"
#include "portal_login_component.h"
#include "portal_simulator.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSslCertificate>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const QString Password = QStringLiteral("S3cret'Pw\\%x");

// The run's side: the last progress text, and the cancel mark.
struct Progress final : RunProgress {
  void showProgress(const QString& text) override { shown = text; }
  bool cancelRequested() const override { return cancel; }
  QString shown;
  bool cancel = false;
};

// Accounts AAAPA00nnA: nn 00 to 16 meet the failure scenarios the simulator picks by PAN, the
// others succeed.
QString pan(int n) {
  return QString("AAAPA%1A").arg(n, 4, 10, QChar('0'));
}

QJsonObject profileOf(PortalLogin& login) {
  return QJsonDocument::fromJson(login.GeteUserProfile().toUtf8()).object();
}

// The client's outcome as the run would show it, from the component's results.
QString outcomeOf(PortalLogin& login, const QString& pan, bool update) {
  if (!login.LoginWHR_CL(pan, Password))
    return login.ErrData();
  const QString profile = login.GeteUserProfile();
  if (profile.isEmpty())
    return outcome::ProfileFailed;
  if (update)
    return login.VerifyContactDet("91", "9123456780", "1", "new.desk@example.org", "2", "", "", "", "")
               ? outcome::ContactSuccess
               : outcome::VerifyFailed;
  const QString failure = ReadProfile(profile, pan).failure;
  return failure.isEmpty() ? QString(outcome::LoginSuccess) : failure;
}

struct Reach {
  int account;
  bool update;
  QString outcome;  // a regular expression
};

// One client against a simulator keeping the portal's pace a hundred times faster, with the
// component's pauses at the same scale.
struct Pace {
  QStringList simArgs;
  int account;
  int pauseMs;  // the component's pause before the password, in the portal's time
  bool skipOpen, readProfile;
  QString errData;  // a regular expression; "" for a login that went through
  PortalRefusal refusal;
  QStringList steps;   // what the simulator answered, "service code", in order
  QList<int> least{};  // the least pause before each step, in the portal's time
};

QStringList times(int n, const QString& step) {
  return QStringList(n, step);
}

// The requests of one client the simulator recorded: "service code" and when.
std::pair<QStringList, QList<qint64>> recorded(const QUrl& base, const QString& pan) {
  QNetworkAccessManager network;
  QUrl url = base;
  url.setPath("/sim/requests");
  std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(url)));
  QEventLoop loop;
  QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
  loop.exec();
  std::pair<QStringList, QList<qint64>> found;
  for (const QJsonValue& v : QJsonDocument::fromJson(reply->readAll())["requests"].toArray()) {
    if (v["pan"].toString() == pan) {
      found.first << v["service"].toString() + ' ' + v["code"].toString();
      found.second << qint64(v["at"].toDouble());
    }
  }
  return found;
}

struct SessionCase {
  int account;
  int idleMs;        // how long the first session rests before it is used again
  bool secondLogin;  // another instance logs the client in meanwhile
  bool firstKept;
  int takeOvers;  // logged take-overs of an open session
};

}  // namespace

Q_DECLARE_METATYPE(Reach)
Q_DECLARE_METATYPE(Pace)
Q_DECLARE_METATYPE(SessionCase)

#define VERIFY_MATCHES(pattern, text) \
  QVERIFY2(QRegularExpression(pattern).match(text).hasMatch(), qPrintable(text))

class TstPortalLogin : public QObject {
  Q_OBJECT

  PortalLoginOptions options(const Simulator& sim) const {
    PortalLoginOptions o;
    o.baseUrl = sim.url;
    o.timeoutMs = 8000;
    // These simulators play the portal without its pauses.
    o.loginPauseMs = 0;
    o.retryDelayMs = 20;
    // The PINs the simulator says it sent, as read off the client's phone and mailbox.
    o.pinProvider = [url = sim.url](const PinRequest& request, const std::function<bool()>&) {
      const QJsonObject sent = lastUpdate(url, request.userId);
      return std::optional<PinReply>(
          PinReply{sent.value("mobilePin").toString(), sent.value("emailPin").toString()});
    };
    return o;
  }
  PortalLoginOptions options() const { return options(sim_); }
  std::shared_ptr<PortalLogin> make(const PortalLoginOptions& o) {
    auto login = makePortalLogin(o);
    login->InitMe(dir_.filePath("VelLog.log"), dir_.path() + '/', &progress_, 1, 1, 1);
    login->setShowError(false);
    return login;
  }
  QString log() {
    QFile file(dir_.filePath("VelLog.log"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }

  QTemporaryDir dir_;
  QString fixture_;
  Simulator sim_;
  Progress progress_;
  // The portal's time a hundred times faster: sessions idle out after 1 s, a lock lasts 0.6 s,
  // PINs stay valid for 0.6 s.
  Simulator fast_;

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    const QJsonObject profile{{"firstName", "Asha"},          {"lastName", "Iyer"},
                              {"residentialStatusCd", "RES"}, {"priMobileNum", "9876500001"},
                              {"priMobBelongsTo", "1"},       {"priEmailId", "asha@example.in"},
                              {"priEmailRelationId", "1"}};
    QJsonArray accounts;
    for (int n = 0; n <= 40; ++n)
      accounts.append(QJsonObject{{"pan", pan(n)}, {"password", Password}, {"profile", profile}});
    fixture_ = dir_.filePath("accounts.json");
    QFile fixture(fixture_);
    QVERIFY(fixture.open(QIODevice::WriteOnly));
    fixture.write(QJsonDocument(QJsonObject{{"accounts", accounts}}).toJson());
    fixture.close();
    QVERIFY(
        sim_.start({"--fixture", fixture_, "--slow", "1500", "--record", dir_.filePath("updates.jsonl")}));
    QVERIFY(fast_.start({"--fixture", fixture_, "--session-idle", "100s", "--lockout", "5/60s",
                         "--pin-validity", "60s", "--time-scale", "0.01"}));
  }

  void init() { progress_ = Progress(); }

  // Every outcome the run tells apart comes out of the simulator by the account's PAN.
  void outcomes_data() {
    QTest::addColumn<Reach>("r");
    QTest::newRow("00 unknown user") << Reach{0, false, "^PAN does not exist"};
    QTest::newRow("01 wrong password") << Reach{1, false, "^Invalid Password, Please retry\\.$"};
    QTest::newRow("02 contact details not verified") << Reach{2, false, "^NON Verified Details$"};
    QTest::newRow("03 PINs pending") << Reach{3, false, "^Validate PIN Details$"};
    QTest::newRow("04 validated, told at login") << Reach{4, false, "^Validate Contact Success$"};
    QTest::newRow("05 session open, taken over") << Reach{5, false, "^Login Success$"};
    QTest::newRow("06 profile without contacts") << Reach{6, false, "^Unknown Response$"};
    QTest::newRow("07 broken login answer")
        << Reach{7, false, "^The e-filing portal's answer could not be read$"};
    QTest::newRow("08 HTTP 500") << Reach{8, false, "HTTP 500 Internal Server Error"};
    QTest::newRow("10 update refused") << Reach{10, true, "^Failed to Open 'Verify Contact Detail' Page$"};
    QTest::newRow("11 busy, retried") << Reach{11, false, "^Login Success$"};
    QTest::newRow("12 stray comma in the profile") << Reach{12, false, "^Login Success$"};
    QTest::newRow("13 profile cut off") << Reach{13, false, "^Login Success$"};
    QTest::newRow("14 profile as an HTML page") << Reach{14, false, "^Unknown Response$"};
    QTest::newRow("15 profile page fails") << Reach{15, false, "^Failed to Open 'myProfile' Page$"};
    QTest::newRow("20 fetch") << Reach{20, false, "^Login Success$"};
    QTest::newRow("21 update with the PINs") << Reach{21, true, "^Validate Contact Success$"};
  }
  void outcomes() {
    QFETCH(Reach, r);
    auto login = make(options());
    VERIFY_MATCHES(r.outcome, outcomeOf(*login, pan(r.account), r.update));
    login->CheckForLogInCL(pan(r.account), true);
    // After logging out the portal has no open session.
    QCOMPARE(login->GeteUserProfile(), QString());
  }

  void contactUpdate_data() {
    QTest::addColumn<QString>("pan");
    QTest::addColumn<int>("priMobileRel");
    QTest::addColumn<QString>("pins");  // "right", "wrong"
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("errData");
    QTest::addColumn<QString>("recorded");  // status of the simulator's record, "" for none
    QTest::newRow("validated") << pan(30) << 20 << "right" << true << QString() << "validated";
    QTest::newRow("wrong PINs") << pan(32) << 20 << "wrong" << false << QString("^Too many invalid PINs")
                                << "pin-refused";
    QTest::newRow("relation missing")
        << pan(33) << -1 << "right" << false
        << QString("^Please select to whom the primary mobile number belongs\\.$") << "";
  }
  void contactUpdate() {
    QFETCH(QString, pan);
    QFETCH(int, priMobileRel);
    QFETCH(QString, pins);
    QFETCH(bool, accepted);
    QFETCH(QString, errData);
    QFETCH(QString, recorded);
    const QUrl base = sim_.url;
    PortalLoginOptions o = options();
    int asked = 0;
    o.pinProvider = [&](const PinRequest& request, const std::function<bool()>&) -> std::optional<PinReply> {
      ++asked;
      if (pins == "wrong")
        return PinReply{"000000", "000000"};
      const QJsonObject sent = lastUpdate(base, request.userId);
      return PinReply{sent.value("mobilePin").toString(), sent.value("emailPin").toString()};
    };
    static int round = 0;
    const QString email = QString("new.mail%1@example.org").arg(++round);
    const qsizetype before = simUpdates(base).size();
    auto login = make(o);
    QVERIFY(login->LoginWHR_CL(pan, Password));
    const QString rel = QString::number(priMobileRel);
    QCOMPARE(login->VerifyContactDet("91", "9123456780", rel, email, "2", "", "", "", ""), accepted);
    if (!accepted)
      VERIFY_MATCHES(errData, login->ErrData());
    if (pins == "wrong")
      QCOMPARE(asked, o.pinAttempts);

    const QJsonArray after = simUpdates(base);
    QCOMPARE(after.size(), before + (recorded.isEmpty() ? 0 : 1));
    if (!recorded.isEmpty()) {
      const QJsonObject e = after.last().toObject();
      QCOMPARE(QStringList({e["pan"].toString(), e["status"].toString(), e["priMobileNum"].toString(),
                            e["priMobBelongsTo"].toString(), e["priEmailRelationId"].toString()}),
               QStringList({pan, recorded, "9123456780", rel, "2"}));
    }
    // Validated details are the profile from then on.
    QCOMPARE(profileOf(*login).value("priEmailId").toString() == email, accepted);
    login->CheckForLogInCL(pan, true);
  }

  // PINs not given ("Later") leave the update pending: the next login is told so and the new
  // details never become the profile; once the PINs have expired the client logs in again.
  void pinsPendingAfterLater() {
    const QString client = pan(29);
    PortalLoginOptions later = options(fast_);
    later.pinProvider = [](const PinRequest&, const std::function<bool()>&) {
      return std::optional<PinReply>();
    };
    auto first = make(later);
    QCOMPARE(outcomeOf(*first, client, true), QString(outcome::VerifyFailed));
    first->CheckForLogInCL(client, true);
    QCOMPARE(outcomeOf(*make(options(fast_)), client, false), QString(outcome::ValidatePin));
    QTest::qWait(900);
    auto after = make(options(fast_));
    QVERIFY(after->LoginWHR_CL(client, Password));
    QCOMPARE(profileOf(*after).value("priEmailId").toString(), "asha@example.in");
    QCOMPARE(lastUpdate(fast_.url, client).value("status").toString(), "pin-expired");
  }

  // Five wrong passwords in a row lock the account, against the right one too, until the lock
  // ends; a right password in between starts the count again.
  void lockout() {
    const QString in, invalid = "Invalid Password, Please retry.",
                      locked = "Account locked: Your account is locked after 5 ";
    const QList<std::pair<bool, QString>> tries = {{false, invalid}, {false, invalid}, {false, invalid},
                                                   {false, invalid}, {true, in},       {false, invalid},
                                                   {false, invalid}, {false, invalid}, {false, invalid},
                                                   {false, locked},  {true, locked},   {true, in}};
    for (qsizetype i = 0; i < tries.size(); ++i) {
      if (i == tries.size() - 1)
        QTest::qWait(800);  // the lock lasts 0.6 s
      auto login = make(options(fast_));
      const bool right = tries[i].first;
      login->LoginWHR_CL(pan(26), right ? Password : "not-" + Password);
      QVERIFY2(login->ErrData().startsWith(tries[i].second) &&
                   (tries[i].second.isEmpty() == login->ErrData().isEmpty()),
               qPrintable(QString("login %1: %2").arg(i + 1).arg(login->ErrData())));
      QCOMPARE(login->refusal() == PortalRefusal::AccountLocked, tries[i].second == locked);
      login->CheckForLogInCL(pan(26), true);
    }
    // A password is never sent twice: every try counts towards the lock.
    QCOMPARE(recorded(fast_.url, pan(26)).first.filter(QRegularExpression("^loginService ")).size(),
             tries.size());
  }

  // The pause before the password, the back-off after "Request is not authenticated", the
  // fresh start and the give-up, the refusals never retried, and the logout that ends a client.
  void pace_data() {
    QTest::addColumn<Pace>("p");
    const QString pan = "wLoginService EF00000", password = "loginService EF00000",
                  logout = "logoutService EF00000", busy = "^Portal busy: .* given up$",
                  skipped = "^Skipped: the taxpayer is logged in to the e-filing portal elsewhere$";
    const QStringList paced = {"--pace"}, fetched = {pan, password, "userProfileService HTTP 200", logout},
                      passwordBusy = times(4, "loginService EF500023"),
                      panBusy = times(4, "wLoginService EF500023");
    // Beyond the first request (or two) of ten seconds, everything is too fast.
    const QStringList loginBusy = QStringList{pan} + passwordBusy + panBusy,
                      sessionBusy = QStringList{pan, password} + times(4, "userProfileService EF500023") +
                                    times(4, "logoutService EF500023") + panBusy;
    const QList<int> backOff = {0, 10000, 20000, 40000}, loginPauses = QList<int>{0} + backOff + backOff,
                     sessionPauses = QList<int>{0, 0} + backOff + backOff + backOff;
    using enum PortalRefusal;
    QTest::newRow("pause before the password")
        << Pace{paced, 20, 10000, false, true, "", None, fetched, {0, 10000, 0, 0}};
    QTest::newRow("password too soon, backed off") << Pace{
        paced, 21, 0, false, false, "", None, {pan, passwordBusy[0], password, logout}, {0, 0, 10000}};
    QTest::newRow("busy at login: fresh start, given up")
        << Pace{{"--rate-limit", "1/1000s"}, 22, 0, false, false, busy, Busy, loginBusy, loginPauses};
    QTest::newRow("busy in the session: logged out, fresh start, given up")
        << Pace{{"--rate-limit", "2/1000s"}, 23, 0, false, true, busy, Busy, sessionBusy, sessionPauses};
    QTest::newRow("wrong password: one try")
        << Pace{paced, 1, 10000, false, false, "^Invalid Password", None, {pan, "loginService EF00027"}};
    QTest::newRow("permission denied: nothing more") << Pace{
        paced, 16, 10000, false, false, "^Permission Denied: ", AccessRefused, {"wLoginService EF00403"}};
    QTest::newRow("open session skipped")
        << Pace{{}, 5, 0, true, false, skipped, LoggedInElsewhere, {pan, "loginService EF00177"}};
  }
  void pace() {
    QFETCH(Pace, p);
    Simulator sim;
    QVERIFY(sim.start(QStringList{"--fixture", fixture_, "--time-scale", "0.01"} + p.simArgs));
    PortalLoginOptions o = options(sim);
    o.timeScale = 0.01;
    o.retryDelayMs = PortalLoginOptions().retryDelayMs;
    o.loginPauseMs = p.pauseMs;
    o.takeOverOpenSession = !p.skipOpen;
    auto login = make(o);
    const bool in = login->LoginWHR_CL(pan(p.account), Password) &&
                    (!p.readProfile || !login->GeteUserProfile().isEmpty());
    QCOMPARE(in, p.errData.isEmpty());
    if (!in)
      VERIFY_MATCHES(p.errData, login->ErrData());
    QCOMPARE(login->refusal(), p.refusal);
    login->CheckForLogInCL(pan(p.account), true);

    const auto [steps, at] = recorded(sim.url, pan(p.account));
    QCOMPARE(steps, p.steps);
    for (qsizetype i = 1; i < p.least.size(); ++i)
      QVERIFY2(at[i] - at[i - 1] >= p.least[i] / 100,
               qPrintable(QString("step %1 came %2 ms after the one before").arg(i).arg(at[i] - at[i - 1])));
  }

  // One session per client: it ends when it rests too long or when another login takes it over.
  void sessions_data() {
    QTest::addColumn<SessionCase>("c");
    QTest::newRow("used again in time") << SessionCase{35, 300, false, true, 0};
    QTest::newRow("idle past the timeout") << SessionCase{36, 1500, true, false, 0};
    QTest::newRow("taken over by another login") << SessionCase{37, 0, true, false, 1};
  }
  void sessions() {
    QFETCH(SessionCase, c);
    const QString client = pan(c.account);
    auto first = make(options(fast_));
    QVERIFY(first->LoginWHR_CL(client, Password));
    QTest::qWait(c.idleMs);
    auto second = make(options(fast_));
    if (c.secondLogin)
      QVERIFY(second->LoginWHR_CL(client, Password));
    QCOMPARE(!first->GeteUserProfile().isEmpty(), c.firstKept);
    QCOMPARE(first->ErrData(), c.firstKept ? QString() : "Your session has expired. Please login again.");
    QCOMPARE(log().count(client + ": a session was open"), c.takeOvers);
  }

  // Certificates are checked: a self-signed portal is refused until its certificate is given as
  // an extra authority.
  void https() {
    const QString d = dir_.path();
    if (QProcess::execute(
            "openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                        "-keyout", d + "/server.key", "-out", d + "/server.pem", "-days", "2", "-subj",
                        "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"}) != 0)
      QSKIP("the openssl command is not available");
    Simulator secure;
    QVERIFY(secure.start({"--fixture", dir_.filePath("accounts.json"), "--tls-cert", d + "/server.pem",
                          "--tls-key", d + "/server.key"}));
    for (const bool trusted : {false, true}) {
      PortalLoginOptions o = options();
      o.baseUrl = secure.url;
      if (trusted) {
        QFile ca(d + "/server.pem");
        QVERIFY(ca.open(QIODevice::ReadOnly));
        o.extraCaCertificates = QSslCertificate::fromData(ca.readAll());
      }
      auto login = make(o);
      QCOMPARE(login->LoginWHR_CL(pan(20), Password), trusted);
      if (!trusted)
        VERIFY_MATCHES("(?i)^Secure connection to the e-filing portal failed: .*certificate",
                       login->ErrData());
      login->CheckForLogInCL(pan(20), true);
    }
  }

  // Failures end the login soon, and the cancel mark ends both the wait for a slow answer and the
  // pause between retries.
  void endsEarly_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("pan");
    QTest::addColumn<QString>("errData");
    QTest::newRow("timeout") << "timeout" << pan(9) << "^The e-filing portal did not answer within 0.4 s$";
    QTest::newRow("cancel: slow answer") << "cancel" << pan(9) << "^Cancelled by the user$";
    QTest::newRow("cancel: retry pause") << "cancel" << pan(11) << "^Cancelled by the user$";
    QTest::newRow("cancel: pause before the password") << "cancel" << pan(20) << "^Cancelled by the user$";
    QTest::newRow("refused")
        << "refused" << pan(20)
        << "^Could not connect to the e-filing portal at 127.0.0.1:\\d+: connection refused$";
  }
  void endsEarly() {
    QFETCH(QString, what);
    QFETCH(QString, pan);
    QFETCH(QString, errData);
    PortalLoginOptions o = options();
    if (what == "timeout") {
      o.timeoutMs = 400;
    } else if (what == "refused") {
      QTcpServer probe;  // a port that was free a moment ago and is closed again
      QVERIFY(probe.listen(QHostAddress::LocalHost));
      o.baseUrl = QUrl(QString("http://127.0.0.1:%1").arg(probe.serverPort()));
    } else {
      o.retryDelayMs = 5000;
      o.loginPauseMs = 10000;
      QTimer::singleShot(300, [this] { progress_.cancel = true; });
    }
    auto login = make(o);
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!login->LoginWHR_CL(pan, Password));
    VERIFY_MATCHES(errData, login->ErrData());
    QVERIFY2(clock.elapsed() < (what == "cancel" ? 1200 : 5000),
             qPrintable(QString::number(clock.elapsed())));
    if (what == "cancel") {
      QVERIFY2(ticks >= 10, "the wait did not yield to the event loop");
      QVERIFY(!progress_.shown.isEmpty());
    }
    login->CheckForLogInCL(pan, true);
  }

  // The PIN dialog never holds the run up: it ends with the PINs, on the cancel mark or by
  // itself. It blocks no window, so that the run's Cancel stays usable, stands clear of it and
  // keeps one size.
  void pinDialog_data() {
    QTest::addColumn<QString>("action");
    QTest::newRow("PINs typed") << "type";
    QTest::newRow("run cancelled") << "cancel";
    QTest::newRow("nobody answers") << "";
  }
  void pinDialog() {
    QFETCH(QString, action);
    QWidget window;
    window.resize(760, 560);
    QPushButton cancel("Cancel", &window);
    cancel.setObjectName("cmdprogC");
    cancel.setGeometry(330, 300, 90, 28);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    bool cancelled = false;
    QTimer::singleShot(150, [&] {
      auto* dialog = window.findChild<QDialog*>("dlgPortalPin");
      QVERIFY(dialog && dialog->isVisible());
      QVERIFY(!QApplication::activeModalWidget());
      QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
      QVERIFY(!dialog->frameGeometry().intersects(QRect(cancel.mapToGlobal(QPoint()), cancel.size())));
      const auto edits = dialog->findChildren<QLineEdit*>();
      QCOMPARE(edits.size(), 2);
      auto* buttons = dialog->findChild<QDialogButtonBox*>();
      if (action == "type") {
        QTest::keyClicks(edits[0], "12x3456");
        QTest::keyClicks(edits[1], "654321");
        buttons->button(QDialogButtonBox::Ok)->click();
      }
      cancelled = action == "cancel";
    });
    QElapsedTimer clock;
    clock.start();
    const auto reply = PinDialogProvider(1500)({"AAAPA0001A", "XXXXXX6780", "ne****@example.org", {}, 1},
                                               [&] { return cancelled; });
    QVERIFY(clock.elapsed() < 3000);
    QCOMPARE(reply.has_value(), action == "type");
    if (reply)
      QCOMPARE(reply->mobilePin + '|' + reply->emailPin, "123456|654321");
  }

  // Above or below the progress panel, whichever is nearer the window's middle; clear of its
  // Cancel alone when the panel leaves no room; beside the Cancel when the screen is low.
  void pinDialogPlace_data() {
    QTest::addColumn<QRect>("panel");
    QTest::addColumn<int>("screenHeight");
    QTest::addColumn<bool>("clearOfPanel");
    QTest::newRow("room around the panel") << QRect(262, 260, 500, 130) << 640 << true;
    QTest::newRow("panel near the top") << QRect(262, 40, 500, 130) << 640 << true;
    QTest::newRow("tall panel") << QRect(262, 20, 500, 600) << 640 << false;
    QTest::newRow("low screen") << QRect(262, 20, 500, 260) << 300 << false;
  }
  void pinDialogPlace() {
    QFETCH(QRect, panel);
    QFETCH(int, screenHeight);
    QFETCH(bool, clearOfPanel);
    const QRect screen(0, 0, 1024, screenHeight);
    const QRect cancel(panel.right() - 100, panel.bottom() - 40, 90, 28);
    const QRect at(PinDialogPosition({420, 200}, screen, panel, cancel, screen), QSize(420, 200));
    QVERIFY(screen.contains(at));
    QVERIFY(!at.intersects(cancel));
    QCOMPARE(at.intersects(panel), !clearOfPanel);
  }

  // Runs last: everything above wrote to the log.
  void passwordNeverLogged() {
    auto login = make(options());
    QVERIFY(login->LoginWHR_CL(pan(5), Password));
    login->CheckForLogInCL(pan(5), true);
    QFile log(dir_.filePath("VelLog.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    QVERIFY(text.contains(pan(5).toUtf8()));
    QVERIFY(!text.contains(Password.toUtf8()));
    QVERIFY(!text.contains(Password.toUtf8().toBase64()));
    QVERIFY(!text.contains(QByteArray("nope").toBase64()));
  }

  void environmentAndRegistry() {
    qputenv("KESTREL_PORTAL_PIN", "none");
    QStringList found;
    qputenv("KESTREL_PORTAL_BACKOFF_TRIES", "-1");
    qputenv("KESTREL_PORTAL_SESSION_OPEN", " Skip");
    const PortalLoginOptions paced = PortalLoginOptionsFromEnvironment(&found);
    QVERIFY(found.size() == 1 && paced.notAuthenticatedRetries == 3 && !paced.takeOverOpenSession);
    qunsetenv("KESTREL_PORTAL_BACKOFF_TRIES");
    found.clear();
    qputenv("KESTREL_PORTAL_URL", "ftp://x");  // not a web address: reported, the default is used
    QCOMPARE(PortalLoginOptionsFromEnvironment(&found).baseUrl.toString(), "http://127.0.0.1:18443");
    QCOMPARE(found.size(), 1);
    qputenv("KESTREL_PORTAL_URL", "https://eportal.example.in");
    const PortalLoginOptions o = PortalLoginOptionsFromEnvironment(nullptr);
    QCOMPARE(o.baseUrl.toString(), "https://eportal.example.in");
    QVERIFY(!o.pinProvider);
    registerPortalLogin(o);
    QVERIFY(CreateObject<PortalLogin>(QString::fromLatin1(PortalLogin::ProgId)) != nullptr);
  }
};

QTEST_MAIN(TstPortalLogin)
#include "tst_portal_login.moc"
