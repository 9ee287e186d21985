// The web session component against the hosting panel simulator, over real HTTP and HTTPS.
#include "hosting_simulator.h"
#include "mail/hosting_requests.h"
#include "table_row.h"
#include "web_session_component.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kestrel;
using namespace kestrel::mail;
using namespace kestrel::testing;

namespace {

const QString Domain = "Example.in";
const QString Secret = "Sup3r&Secret!";

// Every line the component logs, to look for passwords in.
QStringList logged;
void capture(QtMsgType, const QMessageLogContext&, const QString& text) {
  logged << text;
}

}  // namespace

#define VERIFY_MATCHES(pattern, text) \
  QVERIFY2(QRegularExpression(pattern).match(text).hasMatch(), qPrintable(text))

class TstWebSession : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  HostingSimulator http_, https_;
  QList<QSslCertificate> ca_;

  std::shared_ptr<WebSession> make(const QString& engine, int timeoutMs = 5000, bool trusted = true) {
    WebSessionOptions o;
    o.timeoutMs = timeoutMs;
    if (trusted)
      o.extraCaCertificates = ca_;
    auto session = makeWebSession(o);
    if (!session->InitComponent(engine, dir_.path() + '/', false, 1))
      qWarning() << session->LastError();
    return session;
  }
  static bool open(WebSession& session, const QString& engine, const QString& address) {
    return engine == "IE" ? session.OpenURL(address) : session.OpenWHR("GET", address, "");
  }
  const HostingSimulator& sim(bool secure) { return secure ? https_ : http_; }
  // The HTTP simulator as a numeric address typed without scheme, the HTTPS one with it.
  QString base(bool secure) {
    const QUrl url = sim(secure).url;
    return HostingBaseAddress(secure ? url.toString() : url.authority());
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    const QString d = dir_.path();
    QVERIFY(http_.start({}));
    if (QProcess::execute(
            "openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                        "-keyout", d + "/server.key", "-out", d + "/server.pem", "-days", "2", "-subj",
                        "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"}) != 0)
      QSKIP("the openssl command is not available");
    QVERIFY(https_.start({"--tls-cert", d + "/server.pem", "--tls-key", d + "/server.key"}));
    QFile pem(d + "/server.pem");
    QVERIFY(pem.open(QIODevice::ReadOnly));
    ca_ = QSslCertificate::fromData(pem.readAll());
    QLoggingCategory::setFilterRules("kestrel.websession.debug=true");
    qInstallMessageHandler(capture);
  }
  void init() {
    http_.reset();
    https_.reset(ca_);
    logged.clear();
  }

  // A numeric address over HTTP goes to the user directory, an https one to the root; both
  // engines reach both pages and the answers are judged by the module's rules.
  void mailboxAndForwarders_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<bool>("secure");
    row("WHR over HTTP", "WHR", false);
    row("IE over HTTP", "IE", false);
    row("WHR over HTTPS", "WHR", true);
    row("IE over HTTPS", "IE", true);
  }
  void mailboxAndForwarders() {
    QFETCH(QString, engine);
    QFETCH(bool, secure);
    struct Step {
      bool mailbox;
      QString name, second, result;
    };
    const Step steps[] = {
        {true, "Asha", Secret, "SUCCESS: Asha@Example.in created."},
        {true, "asha", "other", "FAILED: The asha@Example.in already exists!"},
        {false, "Ravi", "Asha", "SUCCESS: Ravi@Example.in forward to Asha@Example.in"},
        {false, "Meena", "Nobody", "FAILED: The Nobody@Example.in email not created!"},
    };
    for (const Step& s : steps) {
      auto session = make(engine);
      const QString address = s.mailbox ? NewMailboxRequest(base(secure), s.name, s.second, s.second, Domain)
                                        : ForwarderRequest(base(secure), s.name, s.second, Domain);
      QVERIFY2(open(*session, engine, address), qPrintable(session->LastError()));
      const QString page = session->HtmlSource();
      QCOMPARE(s.mailbox ? JudgeMailboxAnswer(page, s.name, Domain)
                         : JudgeForwarderAnswer(page, s.name, s.second, Domain),
               s.result);
      session->Quit();
    }
    const QJsonObject state = sim(secure).state(ca_);
    QCOMPARE(state["mailboxes"].toArray(), QJsonArray({QJsonObject{{"address", "asha@example.in"},
                                                                   {"user", "asha"},
                                                                   {"domain", "example.in"},
                                                                   {"password", Secret}}}));
    QCOMPARE(state["forwarders"].toArray(),
             QJsonArray({QJsonObject{{"address", "ravi@example.in"}, {"to", "asha@example.in"}}}));
    const QJsonObject last = state["lastRequest"].toObject();
    QCOMPARE(last["path"].toString(), secure ? "/addforwarder.php" : "/~tolvenar/addforwarder.php");
    QCOMPARE(last["userAgent"].toString().contains("Trident"), engine == "IE");
  }

  void passwordsArriveIntact_data() {
    QTest::addColumn<QString>("password");
    row("& + # % =", "a&b+c#d%e=f");
    row("blanks at the ends", "  two ends ");
    row("non-ASCII", "pässwört₹");
    row("quote, backslash, semicolon", "it's\\x;y");
    row("looks percent-encoded", "%41%2B+");
  }
  void passwordsArriveIntact() {
    QFETCH(QString, password);
    auto session = make("WHR");
    QVERIFY(session->OpenWHR("GET", NewMailboxRequest(base(false), "asha", password, password, Domain), ""));
    QCOMPARE(JudgeMailboxAnswer(session->HtmlSource(), "asha", Domain), "SUCCESS: asha@Example.in created.");
    QCOMPARE(http_.state()["mailboxes"].toArray().first()["password"].toString(), password);
  }

  // Behind the panel's login page: the browser engine goes through it with its cookie and back,
  // the plain engine reports the redirect without following it (and without the password the
  // way back carries).
  void loginRedirect_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<bool>("secure");
    QTest::addColumn<bool>("opened");
    row("IE follows", "IE", false, true);
    row("IE follows over HTTPS", "IE", true, true);
    row("WHR stops", "WHR", false, false);
  }
  void loginRedirect() {
    QFETCH(QString, engine);
    QFETCH(bool, secure);
    QFETCH(bool, opened);
    sim(secure).scenario("login=1", ca_);
    auto session = make(engine);
    QCOMPARE(open(*session, engine, NewMailboxRequest(base(secure), "asha", Secret, Secret, Domain)), opened);
    const QJsonObject state = sim(secure).state(ca_);
    QCOMPARE(state["logins"].toInt(), opened ? 1 : 0);
    QCOMPARE(state["mailboxes"].toArray().size(), opened ? 1 : 0);
    if (opened) {
      QCOMPARE(JudgeMailboxAnswer(session->HtmlSource(), "asha", Domain),
               "SUCCESS: asha@Example.in created.");
    } else {
      VERIFY_MATCHES(
          "^The hosting panel sent the request on to http://127.0.0.1:\\d+/login.php \\(HTTP 302\\); "
          "the WHR engine does not follow redirects$",
          session->LastError());
    }
    QVERIFY(!logged.join('\n').contains("Sup3r"));
  }

  void failures_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("target");    // "http", "https", or an address of its own
    QTest::addColumn<QString>("scenario");  // simulator settings
    QTest::addColumn<bool>("trusted");
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<QString>("lastError");  // a regular expression; "" for a page without marker
    row("HTTP 500", "WHR", "http", "status=500", true, 5000,
        "^The hosting panel answered with an error \\(HTTP 500 Internal Server Error\\)$");
    row("HTTP 503, IE", "IE", "https", "status=503", true, 5000,
        "^The hosting panel answered with an error \\(HTTP 503 Service Unavailable\\)$");
    row("slow answer", "WHR", "http", "delay=3000", true, 300,
        "^The hosting panel at 127.0.0.1:\\d+ did not answer within 0.3 s$");
    row("slow after the login page, IE", "IE", "http", "delay=3000&login=1", true, 400,
        "^The hosting panel at 127.0.0.1:\\d+ did not answer within 0.4 s$");
    row("untrusted certificate", "WHR", "https", "", false, 5000,
        "^The hosting panel's certificate was refused: .*self-signed");
    row("refused connection", "IE", "refused", "", true, 5000,
        "^Could not connect to the hosting panel at 127.0.0.1:\\d+: connection refused$");
    row("unknown server", "WHR", "http://no-such-host.invalid/", "", true, 5000,
        "^The hosting panel's server no-such-host.invalid was not found$");
    row("not a web address", "WHR", "ftp://127.0.0.1/", "", true, 5000,
        "^Not a web address: ftp://127.0.0.1/.*pass=\\*\\*\\*&");
    row("page without marker", "WHR", "http", "marker=0", true, 5000, "");
  }
  void failures() {
    QFETCH(QString, engine);
    QFETCH(QString, target);
    QFETCH(QString, scenario);
    QFETCH(bool, trusted);
    QFETCH(int, timeoutMs);
    QFETCH(QString, lastError);
    QString panel = target;
    if (target == "http" || target == "https") {
      sim(target == "https").scenario(scenario, ca_);
      panel = base(target == "https");
    } else if (target == "refused") {
      QTcpServer probe;  // a port that was free a moment ago and is closed again
      QVERIFY(probe.listen(QHostAddress::LocalHost));
      panel = QString("http://127.0.0.1:%1/").arg(probe.serverPort());
    }
    auto session = make(engine, timeoutMs, trusted);
    QElapsedTimer clock;
    clock.start();
    const bool opened = open(*session, engine, NewMailboxRequest(panel, "asha", Secret, Secret, Domain));
    QCOMPARE(opened, lastError.isEmpty());
    QVERIFY2(clock.elapsed() < timeoutMs + 1500, qPrintable(QString::number(clock.elapsed())));
    if (opened)
      QCOMPARE(JudgeMailboxAnswer(session->HtmlSource(), "asha", Domain), QString());
    else
      VERIFY_MATCHES(lastError, session->LastError());
    QVERIFY(!session->LastError().contains("Sup3r"));
    QVERIFY(!logged.join('\n').contains("Sup3r"));
  }

  // While the panel thinks, the window keeps processing events, and a second request (from the
  // same component or another) is refused instead of nesting; Quit stops the wait, also when
  // the module drops the component meanwhile.
  void waiting_data() {
    QTest::addColumn<QString>("meanwhile");
    row("second request", "second");
    row("Quit", "quit");
    row("Quit and drop", "drop");
  }
  void waiting() {
    QFETCH(QString, meanwhile);
    http_.scenario("delay=800");
    auto session = make("WHR");
    WebSession* raw = session.get();
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    QStringList refusals;
    QTimer::singleShot(200, [&] {
      if (meanwhile == "second") {
        auto other = make("IE");
        const QString address = ForwarderRequest(base(false), "x", "y", Domain);
        for (WebSession* s : {raw, other.get()})
          refusals << (s->OpenWHR("GET", address, "") ? "opened" : s->LastError());
      } else {
        raw->Quit();
        if (meanwhile == "drop")
          session.reset();
      }
    });
    QElapsedTimer clock;
    clock.start();
    const bool opened =
        raw->OpenWHR("GET", NewMailboxRequest(base(false), "asha", Secret, Secret, Domain), "");
    QCOMPARE(opened, meanwhile == "second");
    QVERIFY2(ticks >= 15, "the wait did not yield to the event loop");
    if (meanwhile == "second") {
      QCOMPARE(refusals,
               QStringList(2, "A request to the hosting panel is still running; wait for it to finish"));
      QCOMPARE(JudgeMailboxAnswer(raw->HtmlSource(), "asha", Domain), "SUCCESS: asha@Example.in created.");
      QVERIFY(make("WHR")->OpenWHR("GET", ForwarderRequest(base(false), "x", "asha", Domain), ""));
    } else {
      QVERIFY(clock.elapsed() < 700);
      if (meanwhile == "quit") {
        QCOMPARE(raw->LastError(), "The request was stopped: the component was ended (Quit)");
        QVERIFY(!raw->OpenURL(http_.url.toString()));
      }
    }
  }

  void redaction_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("redacted");
    row("plain query", "x.php?user=a&pass=p%26q&vpass=p%26q&d=1", "x.php?user=a&pass=***&vpass=***&d=1");
    row("inside a return address", "/login.php?return=%2Fi.php%3Fpass%3Dp%2526q%26vpass%3Dp%2526q%26d%3D1",
        "/login.php?return=%2Fi.php%3Fpass%3D***%26vpass%3D***%26d%3D1");
    row("encoded twice", "r=%252Fi.php%253Fu%253Da%2526PASS%253Dp%252526q%2526d%253D1",
        "r=%252Fi.php%253Fu%253Da%2526PASS%253D***%2526d%253D1");
    row("at the start, to the end", "pass=secret", "pass=***");
    row("in a sentence", "failed for pass=abc def", "failed for pass=*** def");
    row("longer names untouched", "password=a&bypass=b&vpass2=c", "password=a&bypass=b&vpass2=c");
  }
  void redaction() {
    QFETCH(QString, text);
    QTEST(RedactPasswords(text), "redacted");
  }

  void initialisation_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("lastError");
    row("WHR", "WHR", "");
    row("IE in lower case, blanks around", " ie ", "");
    row("unknown engine", "Chrome", "Unknown engine \"Chrome\": the component offers \"IE\" and \"WHR\"");
    row("no engine", "", "Unknown engine \"\": the component offers \"IE\" and \"WHR\"");
  }
  void initialisation() {
    QFETCH(QString, engine);
    QFETCH(QString, lastError);
    auto session = makeWebSession({});
    QCOMPARE(session->InitComponent(engine, dir_.path(), false, 1), lastError.isEmpty());
    QCOMPARE(session->LastError(), lastError);
    if (!lastError.isEmpty()) {
      QVERIFY(!session->OpenURL(http_.url.toString()));
      QCOMPARE(session->LastError(), "The component was not initialised (InitComponent)");
    }
  }

  void environmentAndRegistry() {
    QStringList problems;
    qputenv("KESTREL_HOSTING_CA", QFile::encodeName(dir_.filePath("missing.pem")));
    qputenv("KESTREL_HOSTING_TIMEOUT_MS", "soon");
    QCOMPARE(WebSessionOptionsFromEnvironment(&problems).timeoutMs, 30000);
    QCOMPARE(problems.size(), 2);
    qputenv("KESTREL_HOSTING_CA", QFile::encodeName(dir_.filePath("server.pem")));
    qputenv("KESTREL_HOSTING_TIMEOUT_MS", "2500");
    problems.clear();
    const WebSessionOptions o = WebSessionOptionsFromEnvironment(&problems);
    QCOMPARE(problems, QStringList());
    QCOMPARE(o.timeoutMs, 2500);
    QCOMPARE(o.extraCaCertificates, ca_);
    registerWebSession(o);
    QVERIFY(CreateObject<WebSession>(QString::fromLatin1(WebSession::ProgId)) != nullptr);
  }

  // With --dovecot-passwd, two simulators sharing one passwd-file both keep their mailboxes,
  // passwords the file cannot carry plainly go in hex, and every mailbox has its Maildir.
  void dovecotFiles() {
    const QString passwd = dir_.filePath("dovecot/passwd");
    const QString maildir = dir_.filePath("mail");
    QVERIFY(QDir().mkpath(dir_.filePath("dovecot")));
    HostingSimulator a, b;
    for (HostingSimulator* s : {&a, &b})
      QVERIFY(s->start({"--dovecot-passwd", passwd, "--maildir", maildir}));
    QNetworkAccessManager network;
    std::vector<std::unique_ptr<QNetworkReply>> replies;
    for (int i = 0; i < 40; ++i) {
      const QString pw = i == 0 ? "a:b ü" : QString("pw %1").arg(i);
      const QString user = QString("user%1").arg(i);
      replies.emplace_back(network.get(QNetworkRequest(QUrl(
          NewMailboxRequest(HostingBaseAddress((i % 2 ? a : b).url.toString()), user, pw, pw, Domain)))));
    }
    for (auto& reply : replies) {
      if (!reply->isFinished())
        QVERIFY(QTest::qWaitFor([&] { return reply->isFinished(); }, 10000));
      QVERIFY(reply->readAll().contains("account created"));
    }
    QFile file(passwd);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 40);
    const QString home = maildir + "/example.in/user0";
    QVERIFY(lines.contains("user0@example.in:{PLAIN.HEX}" +
                           QString::fromLatin1(QString("a:b ü").toUtf8().toHex()) + "::::" + home +
                           "::userdb_mail=maildir:" + home));
    QVERIFY(
        lines.contains(QString("user7@example.in:{PLAIN}pw 7::::%1/example.in/user7::userdb_mail=maildir:%1/"
                               "example.in/user7")
                           .arg(maildir)));
    QCOMPARE(file.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    for (const char* sub : {"cur", "new", "tmp"}) QVERIFY(QDir(home + '/' + sub).exists());
  }
};

QTEST_MAIN(TstWebSession)
#include "tst_web_session.moc"
