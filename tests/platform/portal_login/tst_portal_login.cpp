// The portal login component against the portal simulator, over real HTTP and HTTPS.
#include "portal_login_component.h"
#include "portal_simulator.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const QString Password = QStringLiteral("S3cret'Pw\\%x");

QJsonObject account(const char* pan, const char* scenario) {
  return {{"pan", QLatin1String(pan)},
          {"password", Password},
          {"scenario", QLatin1String(scenario)},
          {"profile", QJsonObject{{"firstName", "Asha"},
                                  {"lastName", "Iyer"},
                                  {"residentialStatusCd", "RES"},
                                  {"priMobileNum", "9876500001"},
                                  {"priMobBelongsTo", "1"},
                                  {"priEmailId", "asha@example.in"},
                                  {"priEmailRelationId", "1"}}}};
}

bool run(const QString& program, const QStringList& args, const QString& dir) {
  QProcess p;
  p.setWorkingDirectory(dir);
  p.start(program, args);
  return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

}  // namespace

class TstPortalLogin : public QObject {
  Q_OBJECT

 private:
  PortalLoginOptions options() const {
    PortalLoginOptions o;
    o.baseUrl = sim_.url;
    o.timeoutMs = 8000;
    o.retryDelayMs = 20;
    return o;
  }
  std::shared_ptr<PortalLogin> make(const PortalLoginOptions& o) {
    auto login = makePortalLogin(o);
    login->InitMe(dir_.filePath("VelLog.log"), dir_.path() + '/', &label_, &cancel_, 1, 1, 1);
    login->setShowError(false);
    return login;
  }

  QTemporaryDir dir_;
  Simulator sim_;
  QLabel label_;
  QPushButton cancel_;

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QJsonArray accounts;
    for (auto [pan, scenario] : std::initializer_list<std::pair<const char*, const char*>>{
             {"AAAPA0001A", "success"},
             {"AAAPA0002A", "wrong-password"},
             {"AAAPA0003A", "unknown-user"},
             {"AAAPA0004A", "unverified"},
             {"AAAPA0005A", "pin-pending"},
             {"AAAPA0006A", "contact-validated"},
             {"AAAPA0007A", "session-open"},
             {"AAAPA0008A", "empty-profile"},
             {"AAAPA0009A", "garbage"},
             {"AAAPA0010A", "http-500"},
             {"AAAPA0011A", "slow"},
             {"AAAPA0012A", "verification-refused"},
             {"AAAPA0013A", "busy"},
             {"AAAPA0014A", "success"},
         })
      accounts.append(account(pan, scenario));
    QFile fixture(dir_.filePath("accounts.json"));
    QVERIFY(fixture.open(QIODevice::WriteOnly));
    fixture.write(QJsonDocument(QJsonObject{{"accounts", accounts}}).toJson());
    fixture.close();
    QVERIFY(sim_.start(
        {"--fixture", fixture.fileName(), "--slow", "1500", "--record", dir_.filePath("updates.jsonl")}));
  }

  void init() { cancel_.setProperty(PortalLogin::CancelMarkProperty, QString()); }

  void login_data() {
    QTest::addColumn<QString>("pan");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<QString>("errData");  // a regular expression
    QTest::newRow("success") << "AAAPA0001A" << Password << true << "";
    QTest::newRow("lower-case PAN") << "aaapa0001a" << Password << true << "";
    QTest::newRow("wrong password sent") << "AAAPA0001A"
                                         << "nope" << false << "^Invalid Password, Please retry\\.$";
    QTest::newRow("password refused") << "AAAPA0002A" << Password << false << "^Invalid Password";
    QTest::newRow("unknown user") << "AAAPA0003A" << Password << false << "^PAN does not exist";
    QTest::newRow("not in the portal") << "ZZZPZ9999Z" << Password << false << "^PAN does not exist";
    QTest::newRow("unverified") << "AAAPA0004A" << Password << false << "^NON Verified Details$";
    QTest::newRow("PIN pending") << "AAAPA0005A" << Password << false << "^Validate PIN Details$";
    QTest::newRow("contact validated") << "AAAPA0006A" << Password << false << "^Validate Contact Success$";
    QTest::newRow("session open: continue") << "AAAPA0007A" << Password << true << "";
    QTest::newRow("garbage answer") << "AAAPA0009A" << Password << false << "answer could not be read";
    QTest::newRow("HTTP 500") << "AAAPA0010A" << Password << false << "HTTP 500 Internal Server Error";
    QTest::newRow("slow but in time") << "AAAPA0011A" << Password << true << "";
    QTest::newRow("busy, retried") << "AAAPA0013A" << Password << true << "";
    QTest::newRow("no password") << "AAAPA0001A"
                                 << "" << false << "^No password for this client$";
  }
  void login() {
    QFETCH(QString, pan);
    QFETCH(QString, password);
    QFETCH(bool, loggedIn);
    QFETCH(QString, errData);
    auto login = make(options());
    QCOMPARE(login->LoginWHR_CL(pan, password), loggedIn);
    if (!loggedIn)
      QVERIFY2(QRegularExpression(errData).match(login->ErrData()).hasMatch(), qPrintable(login->ErrData()));
    QCOMPARE(login->GeteUserProfile().isEmpty(), !loggedIn);
    login->CheckForLogInCL(pan, true);
    // After logging out the portal has no open session: the next login needs no "Continue".
    QCOMPARE(login->GeteUserProfile(), QString());
  }

  void profile_data() {
    QTest::addColumn<QString>("pan");
    QTest::addColumn<QString>("priMobileNum");
    QTest::newRow("with contacts") << "AAAPA0014A"
                                   << "9876500001";
    QTest::newRow("empty profile") << "AAAPA0008A"
                                   << "";
  }
  void profile() {
    QFETCH(QString, pan);
    QFETCH(QString, priMobileNum);
    auto login = make(options());
    QVERIFY(login->LoginWHR_CL(pan, Password));
    const QJsonObject p = QJsonDocument::fromJson(login->GeteUserProfile().toUtf8()).object();
    QCOMPARE(p.value("firstName").toString(), "Asha");
    QCOMPARE(p.value("lastName").toString(), "Iyer");
    QCOMPARE(p.value("priMobileNum").toString(), priMobileNum);
    QVERIFY(p.contains("secEmailRelationId"));
    login->CheckForLogInCL(pan, true);
  }

  void retriesAreBounded_data() {
    QTest::addColumn<int>("retries");
    QTest::addColumn<bool>("loggedIn");
    QTest::newRow("none") << 0 << false;
    QTest::newRow("one") << 1 << false;
    QTest::newRow("two") << 2 << true;
  }
  void retriesAreBounded() {
    QFETCH(int, retries);
    QFETCH(bool, loggedIn);
    PortalLoginOptions o = options();
    o.notAuthenticatedRetries = retries;
    auto login = make(o);
    QCOMPARE(login->LoginWHR_CL("AAAPA0013A", Password), loggedIn);
    if (!loggedIn)
      QVERIFY2(login->ErrData().startsWith("Request is not authenticated"), qPrintable(login->ErrData()));
    login->CheckForLogInCL("AAAPA0013A", true);
    // The simulator refuses the first two tries of each login: let a successful one reset it.
    if (!loggedIn) {
      auto again = make(options());
      QVERIFY(again->LoginWHR_CL("AAAPA0013A", Password));
      again->CheckForLogInCL("AAAPA0013A", true);
    }
  }

  void contactUpdate_data() {
    QTest::addColumn<QString>("pan");
    QTest::addColumn<QString>("priMobileRel");
    QTest::addColumn<QString>("pins");  // "right", "wrong", "none"
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("errData");
    QTest::addColumn<QString>("recorded");  // status of the simulator's record, "" for none
    QTest::newRow("validated") << "AAAPA0001A"
                               << "20"
                               << "right" << true << ""
                               << "validated";
    QTest::newRow("PINs not given") << "AAAPA0001A"
                                    << "20"
                                    << "none" << false << "^Contact details submitted"
                                    << "pin-sent";
    QTest::newRow("wrong PINs") << "AAAPA0001A"
                                << "20"
                                << "wrong" << false << "^Too many invalid PINs"
                                << "pin-refused";
    QTest::newRow("refused") << "AAAPA0012A"
                             << "20"
                             << "right" << false << "cannot be updated at present"
                             << "";
    QTest::newRow("relation missing")
        << "AAAPA0014A"
        << "-1"
        << "right" << false << "^Please select to whom the primary mobile number belongs\\.$"
        << "";
  }
  void contactUpdate() {
    QFETCH(QString, pan);
    QFETCH(QString, priMobileRel);
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
    const QString email = QStringLiteral("new.mail%1@example.org").arg(++round);
    const qsizetype before = simUpdates(base).size();
    auto login = make(o);
    QVERIFY(login->LoginWHR_CL(pan, Password));
    const bool result = login->VerifyContactDet("91", "9123456780", priMobileRel, email, "2", "", "", "", "");
    QCOMPARE(result, accepted);
    if (!accepted)
      QVERIFY2(QRegularExpression(errData).match(login->ErrData()).hasMatch(), qPrintable(login->ErrData()));
    if (pins == "wrong")
      QCOMPARE(asked, o.pinAttempts);

    const QJsonArray after = simUpdates(base);
    QCOMPARE(after.size(), before + (recorded.isEmpty() ? 0 : 1));
    if (!recorded.isEmpty()) {
      const QJsonObject entry = after.last().toObject();
      QCOMPARE(entry.value("pan").toString(), pan);
      QCOMPARE(entry.value("status").toString(), recorded);
      QCOMPARE(entry.value("priMobileNum").toString(), "9123456780");
      QCOMPARE(entry.value("priMobBelongsTo").toString(), priMobileRel);
      QCOMPARE(entry.value("priEmailRelationId").toString(), "2");
      QCOMPARE(entry.value("secMobRelationId").toString(), "");
    }
    // Validated details are the profile from then on.
    const QJsonObject p = QJsonDocument::fromJson(login->GeteUserProfile().toUtf8()).object();
    QCOMPARE(p.value("priEmailId").toString() == email, accepted);
    login->CheckForLogInCL(pan, true);
  }

  void transportFailures_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("errData");
    QTest::newRow("timeout") << "timeout"
                             << "^The e-filing portal did not answer within 0.4 s$";
    QTest::newRow("refused")
        << "refused"
        << "^Could not connect to the e-filing portal at 127.0.0.1:\\d+: connection refused$";
    QTest::newRow("too large") << "large"
                               << "^The e-filing portal's answer was larger than 64 bytes$";
  }
  void transportFailures() {
    QFETCH(QString, what);
    QFETCH(QString, errData);
    PortalLoginOptions o = options();
    QString pan = "AAAPA0001A";
    if (what == "timeout") {
      o.timeoutMs = 400;
      pan = "AAAPA0011A";
    } else if (what == "refused") {
      QTcpServer probe;
      QVERIFY(probe.listen(QHostAddress::LocalHost));
      o.baseUrl = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(probe.serverPort()));
    } else {
      o.maxAnswerBytes = 64;
    }
    auto login = make(o);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!login->LoginWHR_CL(pan, Password));
    QVERIFY2(QRegularExpression(errData).match(login->ErrData()).hasMatch(), qPrintable(login->ErrData()));
    QVERIFY(clock.elapsed() < 5000);
    login->CheckForLogInCL(pan, true);
  }

  // The cancel mark ends the wait for a slow answer and the pause between retries.
  void cancelMark_data() {
    QTest::addColumn<QString>("pan");
    QTest::addColumn<int>("retryDelayMs");
    QTest::newRow("slow answer") << "AAAPA0011A" << 20;
    QTest::newRow("retry pause") << "AAAPA0013A" << 5000;
  }
  void cancelMark() {
    QFETCH(QString, pan);
    QFETCH(int, retryDelayMs);
    PortalLoginOptions o = options();
    o.retryDelayMs = retryDelayMs;
    auto login = make(o);
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    QTimer::singleShot(300,
                       [this] { cancel_.setProperty(PortalLogin::CancelMarkProperty, QStringLiteral("C")); });
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!login->LoginWHR_CL(pan, Password));
    QCOMPARE(login->ErrData(), "Cancelled by the user");
    QVERIFY2(clock.elapsed() < 1200, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(ticks >= 10, "the wait did not yield to the event loop");
    QVERIFY(!label_.text().isEmpty());
    login->CheckForLogInCL(pan, true);
  }

  void https_data() {
    QTest::addColumn<bool>("trusted");
    QTest::addColumn<QString>("errData");
    QTest::newRow("trusted CA") << true << "";
    QTest::newRow("untrusted certificate")
        << false << "^Secure connection to the e-filing portal failed: .*certificate";
  }
  void https() {
    QFETCH(bool, trusted);
    QFETCH(QString, errData);
    const QString d = dir_.path();
    const QString openssl = QStringLiteral("openssl");
    if (!QFile::exists(d + "/server.pem")) {
      const QStringList ec = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
      QFile ext(d + "/ext.cnf");
      QVERIFY(ext.open(QIODevice::WriteOnly));
      ext.write("subjectAltName=IP:127.0.0.1,DNS:localhost\nbasicConstraints=CA:FALSE\n");
      ext.close();
      if (!run(openssl,
               QStringList{"req", "-x509"} + ec +
                   QStringList{"-keyout", "ca.key", "-out", "ca.pem", "-days", "2", "-subj",
                               "/CN=Kestrel Test CA"},
               d))
        QSKIP("the openssl command is not available");
      QVERIFY(run(openssl,
                  QStringList{"req"} + ec +
                      QStringList{"-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=127.0.0.1"},
                  d));
      QVERIFY(run(openssl,
                  {"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                   "-CAcreateserial", "-out", "server.pem", "-days", "2", "-extfile", "ext.cnf"},
                  d));
    }
    Simulator secure;
    QVERIFY(secure.start({"--fixture", dir_.filePath("accounts.json"), "--tls-cert", d + "/server.pem",
                          "--tls-key", d + "/server.key"}));
    QCOMPARE(secure.url.scheme(), "https");
    PortalLoginOptions o = options();
    o.baseUrl = secure.url;
    if (trusted) {
      QFile ca(d + "/ca.pem");
      QVERIFY(ca.open(QIODevice::ReadOnly));
      o.extraCaCertificates = QSslCertificate::fromData(ca.readAll());
    }
    auto login = make(o);
    QCOMPARE(login->LoginWHR_CL("AAAPA0001A", Password), trusted);
    if (trusted)
      QVERIFY(login->GeteUserProfile().contains("Asha"));
    else
      QVERIFY2(QRegularExpression(errData, QRegularExpression::CaseInsensitiveOption)
                   .match(login->ErrData())
                   .hasMatch(),
               qPrintable(login->ErrData()));
    login->CheckForLogInCL("AAAPA0001A", true);
  }

  // The PIN dialog never holds the run up: it ends with the PINs, on Later, on the cancel mark or
  // by itself.
  void pinDialog_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("replied");
    QTest::newRow("PINs typed") << "type" << true;
    QTest::newRow("later") << "later" << false;
    QTest::newRow("run cancelled") << "cancel" << false;
    QTest::newRow("nobody answers") << "" << false;
  }
  void pinDialog() {
    QFETCH(QString, action);
    QFETCH(bool, replied);
    bool cancelled = false;
    QTimer::singleShot(150, [&] {
      auto* dialog = QApplication::activeModalWidget();
      QVERIFY(dialog);
      const auto edits = dialog->findChildren<QLineEdit*>();
      QCOMPARE(edits.size(), 2);
      if (action == "type") {
        QTest::keyClicks(edits[0], "12x3456");
        QTest::keyClicks(edits[1], "654321");
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
      } else if (action == "later") {
        for (QAbstractButton* b : dialog->findChild<QDialogButtonBox*>()->buttons())
          if (b->text() == "Later")
            b->click();
      } else if (action == "cancel") {
        cancelled = true;
      }
    });
    QElapsedTimer clock;
    clock.start();
    const auto reply = PinDialogProvider(1500)({"AAAPA0001A", "XXXXXX6780", "ne****@example.org", {}, 1},
                                               [&] { return cancelled; });
    QVERIFY(clock.elapsed() < 3000);
    QCOMPARE(reply.has_value(), replied);
    if (replied) {
      QCOMPARE(reply->mobilePin, "123456");
      QCOMPARE(reply->emailPin, "654321");
    }
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

  void registryAndEnvironment_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("expectedUrl");
    QTest::addColumn<int>("problems");
    QTest::newRow("default") << ""
                             << "http://127.0.0.1:18443" << 0;
    QTest::newRow("https portal") << "https://eportal.example.in"
                                  << "https://eportal.example.in" << 0;
    QTest::newRow("not a web address") << "ftp://x"
                                       << "http://127.0.0.1:18443" << 1;
  }
  void registryAndEnvironment() {
    QFETCH(QString, url);
    QFETCH(QString, expectedUrl);
    QFETCH(int, problems);
    qputenv("KESTREL_PORTAL_URL", url.toUtf8());
    qputenv("KESTREL_PORTAL_PIN", "none");
    QStringList found;
    const PortalLoginOptions o = PortalLoginOptionsFromEnvironment(&found);
    QCOMPARE(o.baseUrl.toString(), expectedUrl);
    QCOMPARE(found.size(), problems);
    QVERIFY(!o.pinProvider);
    registerPortalLogin(o);
    QVERIFY(CreateObject<PortalLogin>(QString::fromLatin1(PortalLogin::ProgId)) != nullptr);
  }
};

QTEST_MAIN(TstPortalLogin)
#include "tst_portal_login.moc"
