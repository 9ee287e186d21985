// The mailbox reader component over real connections: the private Dovecot server (POP3 and
// POP3S; skipped when scripts/test.sh has not started one) and small scripted servers that
// stall, drop the connection or talk nonsense.
#include "dovecot_box.h"
#include "mail_samples.h"
#include "mailbox_reader_component.h"
#include "table_row.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <map>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const QString Password = "Pa:ss\"w0rd'\\ 7";

#define VERIFY_MATCHES(pattern, text) \
  QVERIFY2(QRegularExpression(pattern).match(text).hasMatch(), qPrintable(text))

// A POP3 server on 127.0.0.1 that answers like a real one with two messages, up to the point
// where its fault sets in.
class ScriptedPop3 : public QObject {
 public:
  enum Fault {
    SilentGreeting,
    RefusingGreeting,
    StallOnList,
    StallInMessage,
    DropInMessage,
    RefuseFirstHeader
  };

  explicit ScriptedPop3(Fault fault) : fault_(fault) {
    server_.listen(QHostAddress::LocalHost);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
        if (fault_ == RefusingGreeting)
          socket->write("-ERR [SYS/TEMP] Too many connections\r\n");
        else if (fault_ != SilentGreeting)
          socket->write("+OK ready\r\n");
      }
    });
  }
  int port() const { return server_.serverPort(); }

 private:
  void answer(QTcpSocket* socket) {
    while (socket->canReadLine()) {
      const QByteArray line = socket->readLine().trimmed();
      const QList<QByteArray> words = line.split(' ');
      const QByteArray command = words.value(0).toUpper();
      const int n = words.value(1).toInt();
      const QByteArray message =
          plainMessage("Message " + QByteArray::number(n), QByteArray(200, 'x') + "\n");
      if (command == "CAPA")
        socket->write("+OK\r\nUSER\r\n.\r\n");
      else if (command == "USER" || command == "PASS")
        socket->write("+OK\r\n");
      else if (command == "LIST" && fault_ != StallOnList)
        socket->write("+OK 2 messages\r\n1 300\r\n2 300\r\n.\r\n");
      else if (command == "TOP" && n == 1 && fault_ == RefuseFirstHeader)
        socket->write("-ERR no such message\r\n");
      else if (command == "TOP")
        socket->write("+OK\r\n" + message.left(message.indexOf("\r\n\r\n") + 4) + ".\r\n");
      else if (command == "RETR" && (fault_ == StallInMessage || fault_ == DropInMessage)) {
        socket->write("+OK\r\n" + message.left(150));
        if (fault_ == DropInMessage) {
          socket->flush();
          socket->disconnectFromHost();
        }
      } else if (command == "RETR")
        socket->write("+OK\r\n" + message + ".\r\n");
      else if (command == "QUIT") {
        socket->write("+OK bye\r\n");
        socket->disconnectFromHost();
      }
    }
  }

  Fault fault_;
  QTcpServer server_;
};

int closedPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost);
  return probe.serverPort();  // closed again when probe goes
}

MailboxReaderOptions quickOptions() {
  MailboxReaderOptions options;
  options.connectTimeoutMs = 2000;
  options.stallTimeoutMs = 1000;
  return options;
}

}  // namespace

class TstMailboxReader : public QObject {
  Q_OBJECT

  std::optional<DovecotBox> dovecot_ = DovecotBox::fromEnvironment();

  MailboxReaderOptions dovecotOptions(bool trustCa = true) const {
    MailboxReaderOptions options;
    options.connectTimeoutMs = 10000;  // Dovecot answers a wrong password after two seconds
    options.stallTimeoutMs = 10000;
    if (trustCa)
      options.caFile = dovecot_->caFile();
    return options;
  }

  int loginsOf(const QString& user) const {
    QFile log(dovecot_->infoLog());
    if (!log.open(QIODevice::ReadOnly))
      return -1;
    return int(log.readAll().count("Login: user=<" + user.toUtf8() + ">"));
  }

 private slots:
  // Every message comes back in the list and as files, over one login.
  void readsMailbox_data() {
    QTest::addColumn<bool>("ssl");
    row("POP3", false);
    row("POP3S", true);
  }
  void readsMailbox() {
    QFETCH(bool, ssl);
    if (!dovecot_)
      QSKIP("No Dovecot test server (scripts/test.sh starts one)");
    const QString user = QString("reader-%1@example.in").arg(ssl ? "tls" : "plain");
    QVERIFY(dovecot_->addUser(user, Password));
    struct Sample {
      QByteArray message;
      QString subject;  // as listed
      QStringList files;
    };
    const std::vector<Sample> samples = {
        {plainMessage("Fees | receipts 2024"),
         "Fees ¦ receipts 2024",
         {"KOVMailAttch.csv", "KOVMailMsg.txt"}},
        {plainMessage("Caf\xE9 bill"), "Café bill", {"KOVMailAttch.csv", "KOVMailMsg.txt"}},
        {alternativeWithInlineImage(),
         "Newsletter",
         {"KOVMailAttch.csv", "KOVMailMsg.htm", "KOVMailMsg.txt", "attachment.png"}},
        {mixedMessage(attachmentPart("application/pdf; name=\"../../etc/passwd\"", "", "%PDF")),
         "Papers",
         {"KOVMailAttch.csv", "KOVMailMsg.txt", "passwd"}},
        {crlf("Subject: broken\nContent-Type: multipart/mixed; boundary=\"x\"\n\n.\n..\nno parts\n"),
         "broken",
         {"KOVMailAttch.csv", "KOVMailMsg.txt"}},
    };
    for (const Sample& s : samples) QVERIFY(dovecot_->deliver(user, s.message));

    auto reader = makeMailboxReader(dovecotOptions());
    const int before = loginsOf(user);
    QCOMPARE(reader->ConnectToMB("OP", "localhost", ssl ? dovecot_->pop3sPort : dovecot_->pop3Port, ssl, user,
                                 Password),
             QString("TOTALMSGS:%1").arg(samples.size()));
    std::map<QString, int> numberOf;
    for (int n = 1; n <= int(samples.size()); ++n) {
      const QStringList fields = reader->GetMHI(n).split('|');
      QCOMPARE(fields.size(), 5);
      QCOMPARE(fields[0], QString::number(n));
      numberOf[fields[3]] = n;
    }
    QTemporaryDir scratch;
    for (const Sample& s : samples) {
      QVERIFY2(numberOf.count(s.subject), qPrintable(s.subject));
      const QString folder = scratch.filePath(QString("KOVMailInbox/%1_Body").arg(numberOf[s.subject]));
      QCOMPARE(reader->GetMessage(numberOf[s.subject], folder), QString());
      QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), s.files);
    }
    auto contents = [&](const QString& subject, const QString& file) {
      QFile f(scratch.filePath(QString("KOVMailInbox/%1_Body/").arg(numberOf[subject]) + file));
      return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    };
    QCOMPARE(contents("Papers", "passwd"), QByteArray("%PDF"));
    // Lines of a single dot went through the server's dot-stuffing unchanged.
    QCOMPARE(contents("broken", "KOVMailMsg.txt"), QByteArray("\xEF\xBB\xBF.\r\n..\r\nno parts\r\n"));
    QCOMPARE(reader->GetMHI(int(samples.size()) + 1), QString());
    reader->CloseMB();
    QCOMPARE(loginsOf(user) - before, 1);
  }

  void refusedConnections_data() {
    QTest::addColumn<QString>("server");  // "pop3", "pop3s" (Dovecot's ports) or "closed"
    QTest::addColumn<bool>("ssl");
    QTest::addColumn<bool>("trustCa");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("answer");
    row("wrong password", QString("pop3"), false, true, QString("Wrong:pw\"1"),
        QString("^ERROR:The mail server 127\\.0\\.0\\.1:\\d+ refused the user name or password of "
                "refused@example\\.in\\.$"));
    row("wrong password over TLS", QString("pop3s"), true, true, QString("Wrong:pw\"1"),
        QString("^ERROR:.* refused the user name or password"));
    row("certificate of an unknown authority", QString("pop3s"), true, false, Password,
        QString(
            "^ERROR:The certificate of the mail server 127\\.0\\.0\\.1:\\d+ is not trusted \\(.+\\)\\.$"));
    row("SSL ticked for the plain port", QString("pop3"), true, true, Password,
        QString("^ERROR:No secure connection could be made .*check whether this port expects SSL\\.$"));
    row("nothing listens on the port", QString("closed"), false, true, Password,
        QString("^ERROR:The mail server 127\\.0\\.0\\.1:\\d+ cannot be reached \\(.+\\)\\.$"));
  }
  void refusedConnections() {
    QFETCH(QString, server);
    QFETCH(bool, ssl);
    QFETCH(bool, trustCa);
    QFETCH(QString, password);
    QFETCH(QString, answer);
    int port = closedPort();
    MailboxReaderOptions options = quickOptions();
    if (server != "closed") {
      if (!dovecot_)
        QSKIP("No Dovecot test server (scripts/test.sh starts one)");
      QVERIFY(dovecot_->addUser("refused@example.in", Password));
      port = server == "pop3s" ? dovecot_->pop3sPort : dovecot_->pop3Port;
      options = dovecotOptions(trustCa);
    }
    auto reader = makeMailboxReader(options);
    const QString result = reader->ConnectToMB("OP", "127.0.0.1", port, ssl, "refused@example.in", password);
    VERIFY_MATCHES(answer, result);
    QVERIFY(!result.contains(password));
    QCOMPARE(reader->GetMHI(1), QString());
  }

  // Refused before any connection: the host name in particular goes into the server's address.
  void rejectedArguments_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("answer");
    row("another access mode", QString("IMAP"), QString("127.0.0.1"), 110, QString("a@example.in"),
        QString("ERROR:The access mode \"IMAP\" is not known; \"OP\" reads the mailbox over POP3."));
    row("no host", QString("OP"), QString("  "), 110, QString("a@example.in"),
        QString("ERROR:No mail server was given."));
    row("port typed into the host", QString("OP"), QString("mail.example.in:995"), 995,
        QString("a@example.in"), QString("ERROR:\"mail.example.in:995\" is not a mail server name."));
    row("user smuggled into the host", QString("OP"), QString("x@evil.example"), 110, QString("a@example.in"),
        QString("ERROR:\"x@evil.example\" is not a mail server name."));
    row("path in the host", QString("OP"), QString("evil.example/1"), 110, QString("a@example.in"),
        QString("ERROR:\"evil.example/1\" is not a mail server name."));
    row("port out of range", QString("OP"), QString("127.0.0.1"), 65536, QString("a@example.in"),
        QString("ERROR:65536 is not a port number."));
    row("no user", QString("OP"), QString("127.0.0.1"), 110, QString(""),
        QString("ERROR:No user name was given."));
  }
  void rejectedArguments() {
    QFETCH(QString, mode);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, user);
    QFETCH(QString, answer);
    QCOMPARE(makeMailboxReader(quickOptions())->ConnectToMB(mode, host, port, false, user, Password), answer);
  }

  void brokenServers_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("call");  // the call that meets the fault: "connect", "header" or "message"
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("nextHeaderRead");  // whether the session still reads message 2 afterwards
    row("no greeting", int(ScriptedPop3::SilentGreeting), QString("connect"),
        QString("^ERROR:The mail server 127\\.0\\.0\\.1:\\d+ did not answer in time"), false);
    row("refuses in its greeting", int(ScriptedPop3::RefusingGreeting), QString("connect"),
        QString("^ERROR:The mail server 127\\.0\\.0\\.1:\\d+ refused the request: \\[SYS/TEMP\\] Too many "
                "connections$"),
        false);
    row("silent after the login", int(ScriptedPop3::StallOnList), QString("connect"),
        QString("^ERROR:.* did not answer in time"), false);
    row("stalls in the middle of a message", int(ScriptedPop3::StallInMessage), QString("message"),
        QString("^Message 1 could not be read: The mail server .* did not answer in time"), false);
    row("drops the connection in a message", int(ScriptedPop3::DropInMessage), QString("message"),
        QString("^Message 1 could not be read: The connection to the mail server .* was lost"), false);
    row("refuses one header", int(ScriptedPop3::RefuseFirstHeader), QString("header"), QString("^$"), true);
  }
  void brokenServers() {
    QFETCH(int, fault);
    QFETCH(QString, call);
    QFETCH(QString, answer);
    QFETCH(bool, nextHeaderRead);
    // The scripted server runs on this thread: it answers only because the reader keeps
    // processing events while it waits.
    ScriptedPop3 server{ScriptedPop3::Fault(fault)};
    auto reader = makeMailboxReader(quickOptions());
    QTemporaryDir scratch;
    QString result =
        reader->ConnectToMB("op", "127.0.0.1", server.port(), false, "clerk@example.in", Password);
    if (call != "connect") {
      QCOMPARE(result, QString("TOTALMSGS:2"));
      result = call == "header" ? reader->GetMHI(1) : reader->GetMessage(1, scratch.filePath("1_Body"));
    }
    VERIFY_MATCHES(answer, result);
    QVERIFY(!result.contains(Password));
    QCOMPARE(reader->GetMHI(2).startsWith("2|Asha Iyer <asha@example.in>|office@example.in|Message 2|"),
             nextHeaderRead);
  }

  // While one call waits, the window's events go on; a call on the same reader from them is
  // refused rather than run inside the first.
  void callFromEventsWhileWaiting() {
    ScriptedPop3 server{ScriptedPop3::StallInMessage};
    auto reader = makeMailboxReader(quickOptions());
    QCOMPARE(reader->ConnectToMB("OP", "127.0.0.1", server.port(), false, "clerk@example.in", Password),
             QString("TOTALMSGS:2"));
    QTemporaryDir scratch;
    int ticks = 0;
    QString nestedHeader = "not called", nestedMessage;
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&] {
      if (++ticks == 3) {
        nestedHeader = reader->GetMHI(2);
        nestedMessage = reader->GetMessage(2, scratch.filePath("2_Body"));
      }
    });
    timer.start(20);
    reader->GetMessage(1, scratch.filePath("1_Body"));
    QVERIFY(ticks > 3);
    QCOMPARE(nestedHeader, QString());
    QCOMPARE(nestedMessage, QString("The mailbox reader is still busy with an earlier request."));
    QVERIFY(!QDir(scratch.filePath("2_Body")).exists());
  }

  void largeAttachment() {
    if (!dovecot_)
      QSKIP("No Dovecot test server (scripts/test.sh starts one)");
    const QString user = "large@example.in";
    QVERIFY(dovecot_->addUser(user, Password));
    QByteArray content(25 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < content.size(); ++i) content[i] = char((i * 7919) >> 5);
    QVERIFY(dovecot_->deliver(
        user, mixedMessage(attachmentPart("application/zip; name=\"returns.zip\"", "", content))));
    auto reader = makeMailboxReader(dovecotOptions());
    QCOMPARE(reader->ConnectToMB("OP", "127.0.0.1", dovecot_->pop3sPort, true, user, Password),
             QString("TOTALMSGS:1"));
    QTemporaryDir scratch;
    QCOMPARE(reader->GetMessage(1, scratch.path()), QString());
    QFile saved(scratch.filePath("returns.zip"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.size(), content.size());
    QCOMPARE(QCryptographicHash::hash(saved.readAll(), QCryptographicHash::Sha256),
             QCryptographicHash::hash(content, QCryptographicHash::Sha256));
  }
};

QTEST_GUILESS_MAIN(TstMailboxReader)
#include "tst_mailbox_reader.moc"
