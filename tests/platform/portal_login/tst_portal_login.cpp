// The portal login component against the portal simulator, over real HTTP.
#include "portal_login_component.h"
#include "portal_simulator.h"

#include <QApplication>
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

QJsonObject profileOf(PortalLogin& login) {
  return QJsonDocument::fromJson(login.GeteUserProfile().toUtf8()).object();
}

}  // namespace

#define VERIFY_MATCHES(pattern, text) \
  QVERIFY2(QRegularExpression(pattern).match(text).hasMatch(), qPrintable(text))

class TstPortalLogin : public QObject {
  Q_OBJECT

  PortalLoginOptions options() const {
    PortalLoginOptions o;
    o.baseUrl = sim_.url;
    o.timeoutMs = 8000;
    o.retryDelayMs = 20;
    return o;
  }
  std::shared_ptr<PortalLogin> make(const PortalLoginOptions& o) {
    auto login = makePortalLogin(o);
    login->InitMe(dir_.filePath("VelLog.log"), dir_.path() + '/', &progress_, 1, 1, 1);
    login->setShowError(false);
    return login;
  }

  QTemporaryDir dir_;
  Simulator sim_;
  Progress progress_;

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    // Account AAAPAnnnnA has the n-th scenario.
    const QStringList scenarios = {"success",     "wrong-password",    "unknown-user", "unverified",
                                   "pin-pending", "contact-validated", "session-open", "empty-profile",
                                   "garbage",     "http-500",          "slow",         "verification-refused",
                                   "busy",        "success",           "busy"};
    const QJsonObject profile{{"firstName", "Asha"},          {"lastName", "Iyer"},
                              {"residentialStatusCd", "RES"}, {"priMobileNum", "9876500001"},
                              {"priMobBelongsTo", "1"},       {"priEmailId", "asha@example.in"},
                              {"priEmailRelationId", "1"}};
    QJsonArray accounts;
    for (int i = 0; i < scenarios.size(); ++i)
      accounts.append(QJsonObject{{"pan", QString("AAAPA%1A").arg(i + 1, 4, 10, QChar('0'))},
                                  {"password", Password},
                                  {"scenario", scenarios[i]},
                                  {"profile", profile}});
    QFile fixture(dir_.filePath("accounts.json"));
    QVERIFY(fixture.open(QIODevice::WriteOnly));
    fixture.write(QJsonDocument(QJsonObject{{"accounts", accounts}}).toJson());
    fixture.close();
    QVERIFY(sim_.start(
        {"--fixture", fixture.fileName(), "--slow", "1500", "--record", dir_.filePath("updates.jsonl")}));
  }

  void init() { progress_ = Progress(); }

  void login_data() {
    QTest::addColumn<QString>("pan");
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("expected");  // ErrData (a regular expression), or the profile's mobile
    QTest::newRow("success") << "AAAPA0001A" << true << Password << "9876500001";
    QTest::newRow("wrong password") << "AAAPA0001A" << false << QString("nope")
                                    << "^Invalid Password, Please retry\\.$";
    QTest::newRow("not in the portal") << "ZZZPZ9999Z" << false << Password << "^PAN does not exist";
    QTest::newRow("session open: continue") << "AAAPA0007A" << true << Password << "9876500001";
    QTest::newRow("HTTP 500") << "AAAPA0010A" << false << Password << "HTTP 500 Internal Server Error";
    QTest::newRow("busy, retried") << "AAAPA0013A" << true << Password << "9876500001";
    QTest::newRow("no password") << "AAAPA0001A" << false << QString() << "^No password for this client$";
  }
  void login() {
    QFETCH(QString, pan);
    QFETCH(bool, loggedIn);
    QFETCH(QString, password);
    QFETCH(QString, expected);
    auto login = make(options());
    QCOMPARE(login->LoginWHR_CL(pan, password), loggedIn);
    if (!loggedIn) {
      VERIFY_MATCHES(expected, login->ErrData());
      QCOMPARE(login->GeteUserProfile(), QString());
    } else {
      const QJsonObject p = profileOf(*login);
      QCOMPARE(p.value("priMobileNum").toString(), expected);
      QVERIFY(p.contains("secEmailRelationId"));  // every contact field, even when the portal has none
    }
    login->CheckForLogInCL(pan, true);
    // After logging out the portal has no open session: the next login needs no "Continue".
    QCOMPARE(login->GeteUserProfile(), QString());
  }

  void contactUpdate_data() {
    QTest::addColumn<QString>("pan");
    QTest::addColumn<int>("priMobileRel");
    QTest::addColumn<QString>("pins");  // "right", "wrong", "none"
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("errData");
    QTest::addColumn<QString>("recorded");  // status of the simulator's record, "" for none
    QTest::newRow("validated") << "AAAPA0001A" << 20 << "right" << true << QString() << "validated";
    QTest::newRow("PINs not given") << "AAAPA0001A" << 20 << "none" << false
                                    << QString("^Contact details submitted") << "pin-sent";
    QTest::newRow("wrong PINs") << "AAAPA0001A" << 20 << "wrong" << false << QString("^Too many invalid PINs")
                                << "pin-refused";
    QTest::newRow("relation missing")
        << "AAAPA0014A" << -1 << "right" << false
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
    if (pins != "none") {
      o.pinProvider = [&](const PinRequest& request,
                          const std::function<bool()>&) -> std::optional<PinReply> {
        ++asked;
        if (pins == "wrong")
          return PinReply{"000000", "000000"};
        const QJsonObject sent = lastUpdate(base, request.userId);
        return PinReply{sent.value("mobilePin").toString(), sent.value("emailPin").toString()};
      };
    }
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
      QCOMPARE(login->LoginWHR_CL("AAAPA0001A", Password), trusted);
      if (!trusted)
        VERIFY_MATCHES("(?i)^Secure connection to the e-filing portal failed: .*certificate",
                       login->ErrData());
      login->CheckForLogInCL("AAAPA0001A", true);
    }
  }

  // Failures end the login soon, and the cancel mark ends both the wait for a slow answer and the
  // pause between retries.
  void endsEarly_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("pan");
    QTest::addColumn<QString>("errData");
    QTest::newRow("timeout") << "timeout" << QString("AAAPA0011A")
                             << "^The e-filing portal did not answer within 0.4 s$";
    QTest::newRow("cancel: slow answer") << "cancel" << QString("AAAPA0011A") << "^Cancelled by the user$";
    QTest::newRow("cancel: retry pause") << "cancel" << QString("AAAPA0013A") << "^Cancelled by the user$";
    QTest::newRow("refused")
        << "refused" << QString("AAAPA0001A")
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

  // The PIN dialog never holds the run up: it ends with the PINs, on Later, on the cancel mark or
  // by itself.
  void pinDialog_data() {
    QTest::addColumn<QString>("action");
    QTest::newRow("PINs typed") << "type";
    QTest::newRow("run cancelled") << "cancel";
    QTest::newRow("nobody answers") << "";
  }
  void pinDialog() {
    QFETCH(QString, action);
    bool cancelled = false;
    QTimer::singleShot(150, [&] {
      auto* dialog = QApplication::activeModalWidget();
      QVERIFY(dialog);
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

  // Runs last: everything above wrote to the log.
  void passwordNeverLogged() {
    auto login = make(options());
    QVERIFY(login->LoginWHR_CL("AAAPA0007A", Password));
    login->CheckForLogInCL("AAAPA0007A", true);
    QFile log(dir_.filePath("VelLog.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    QVERIFY(text.contains("AAAPA0007A"));
    QVERIFY(!text.contains(Password.toUtf8()));
    QVERIFY(!text.contains(Password.toUtf8().toBase64()));
    QVERIFY(!text.contains(QByteArray("nope").toBase64()));
  }

  void environmentAndRegistry() {
    qputenv("KESTREL_PORTAL_PIN", "none");
    QStringList found;
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
