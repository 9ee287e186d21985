#include "mailbox_reader_component.h"

#include "mime_files.h"
#include "pop3_client.h"
#include "worker_thread.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <exception>
#include <new>
#include <utility>

namespace kestrel {

namespace {

using mail::Pop3Failure;
using mail::Pop3Outcome;

const QString BusyText = QStringLiteral("The mailbox reader is still busy with an earlier request.");

// Host names go into the server's address as they are, so only what a host name or an IP
// address can hold is accepted: nothing that could add a user, a path or a second host.
QString checkedHost(const QString& typed) {
  QString host = typed.trimmed();
  if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
    host = host.mid(1, host.size() - 2);
  const bool ipv6 = host.contains(QLatin1Char(':'));
  if (!ipv6)
    host = QString::fromLatin1(QUrl::toAce(host));
  if (host.isEmpty())
    return {};
  for (const QChar c : std::as_const(host)) {
    const bool allowed = c.isDigit() || c == QLatin1Char('.') ||
                         (ipv6 ? c == QLatin1Char(':') || QStringView(u"abcdefABCDEF").contains(c)
                               : (c.unicode() < 0x80 && c.isLetter()) || c == QLatin1Char('-'));
    if (!allowed)
      return {};
  }
  return host;
}

// A session on one mailbox. The POP3 client and the MIME work run on the worker thread; the
// public calls wait for them while the caller's events go on being processed.
class MailboxSession final : public MailboxReader, public std::enable_shared_from_this<MailboxSession> {
 public:
  explicit MailboxSession(const MailboxReaderOptions& options) : client_(settingsOf(options)) {}
  ~MailboxSession() override = default;

  QString ConnectToMB(const QString& accessMode, const QString& host, int port, bool ssl, const QString& user,
                      const QString& password) override {
    if (busy_)
      return QStringLiteral("ERROR:") + BusyText;
    if (accessMode.trimmed().compare(QLatin1String("OP"), Qt::CaseInsensitive) != 0)
      return QStringLiteral("ERROR:The access mode \"%1\" is not known; \"OP\" reads the mailbox over POP3.")
          .arg(accessMode);
    const QString server = checkedHost(host);
    if (server.isEmpty())
      return host.trimmed().isEmpty() ? QStringLiteral("ERROR:No mail server was given.")
                                      : QStringLiteral("ERROR:\"%1\" is not a mail server name.").arg(host);
    if (port < 1 || port > 65535)
      return QStringLiteral("ERROR:%1 is not a port number.").arg(port);
    if (user.trimmed().isEmpty())
      return QStringLiteral("ERROR:No user name was given.");

    mail::Pop3Account account{server.toStdString(), port, ssl, user.trimmed().toStdString(),
                              password.toStdString()};
    serverName_ = server + QLatin1Char(':') + QString::number(port);
    userName_ = user.trimmed();
    password_ = password;
    connected_ = false;
    broken_ = false;
    int count = 0;
    Pop3Outcome outcome;
    if (!call([&] { outcome = client_.open(account, &count); }))
      return QStringLiteral("ERROR:") + callFailure_;
    if (!outcome.ok())
      return scrub(QStringLiteral("ERROR:") + reason(outcome));
    connected_ = true;
    messageCount_ = count;
    return QStringLiteral("TOTALMSGS:") + QString::number(count);
  }

  QString GetMHI(int messageNumber) override {
    if (busy_ || !readable(messageNumber))
      return {};
    QString line;
    Pop3Outcome outcome;
    const bool ran = call([&] {
      std::string header;
      outcome = retried([&] { return client_.header(messageNumber, &header); });
      if (outcome.ok())
        line = mail::messageListLine(messageNumber, mail::readHeaderFields(header));
    });
    return ran && outcome.ok() ? line : QString();
  }

  QString GetMessage(int messageNumber, const QString& folder) override {
    if (busy_)
      return BusyText;
    if (!connected_)
      return QStringLiteral("The mailbox is not open.");
    if (broken_)
      return scrub(QStringLiteral("Message %1 could not be read: %2").arg(messageNumber).arg(brokenReason_));
    if (!readable(messageNumber))
      return QStringLiteral("There is no message %1 in this mailbox.").arg(messageNumber);
    if (folder.trimmed().isEmpty())
      return QStringLiteral("No folder was given for message %1.").arg(messageNumber);
    QString result;
    Pop3Outcome outcome;
    const bool ran = call([&] {
      std::string message;
      outcome = retried([&] { return client_.message(messageNumber, &message); });
      if (outcome.ok())
        result = mail::writeMessageFiles(message, folder);
    });
    if (!ran)
      return callFailure_;
    if (!outcome.ok())
      return scrub(
          QStringLiteral("Message %1 could not be read: %2").arg(messageNumber).arg(reason(outcome)));
    return scrub(result);
  }

  void CloseMB() override {
    if (call([this] { client_.close(); }))
      connected_ = false;
  }

 private:
  static mail::Pop3Settings settingsOf(const MailboxReaderOptions& options) {
    mail::Pop3Settings settings;
    settings.caFile = QFile::encodeName(options.caFile).toStdString();
    settings.connectTimeoutMs = options.connectTimeoutMs;
    settings.stallTimeoutMs = options.stallTimeoutMs;
    settings.maxMessageBytes = std::size_t(std::max<qint64>(options.maxMessageBytes, 1));
    return settings;
  }

  bool readable(int messageNumber) const {
    return connected_ && !broken_ && messageNumber >= 1 && messageNumber <= messageCount_;
  }

  // Runs work on the worker thread and waits for it. Refuses a call made from the events
  // processed while another call of this instance waits (the public calls check busy_ before
  // they touch any state the worker may be using), and keeps the instance alive until the work
  // is done even if the caller lets go of it meanwhile.
  // false, with the reason in callFailure_, when the work did not run to its end.
  bool call(const std::function<void()>& work) {
    if (busy_) {
      callFailure_ = BusyText;
      return false;
    }
    const std::shared_ptr<MailboxSession> keepAlive = weak_from_this().lock();
    busy_ = true;
    bool finished = false;
    try {
      worker_.run(work);
      finished = true;
    } catch (const std::bad_alloc&) {
      callFailure_ = QStringLiteral("There is not enough memory to read this message.");
    } catch (const std::exception& e) {
      callFailure_ = QStringLiteral("The mailbox reader failed: ") + QString::fromLocal8Bit(e.what());
    } catch (...) {
      callFailure_ = QStringLiteral("The mailbox reader failed.");
    }
    busy_ = false;
    return finished;
  }

  // A connection lost in the middle of a transfer is tried once more on a new connection. After
  // a failure that a new try would only repeat (the server is silent, unreachable or refuses
  // the login), the session is over: later calls fail at once instead of waiting again.
  // Runs on the worker thread; broken_ is read by the caller only after the call.
  Pop3Outcome retried(const std::function<Pop3Outcome()>& transfer) {
    Pop3Outcome outcome = transfer();
    if (outcome.failure == Pop3Failure::ConnectionLost)
      outcome = transfer();
    if (!outcome.ok() && outcome.failure != Pop3Failure::NotPop3 &&
        outcome.failure != Pop3Failure::TooLarge) {
      broken_ = true;
      brokenReason_ = reason(outcome);
    }
    return outcome;
  }

  QString reason(const Pop3Outcome& outcome) const {
    const QString detail = QString::fromStdString(outcome.detail);
    switch (outcome.failure) {
      case Pop3Failure::None:
        return {};
      case Pop3Failure::LoginRefused:
        return QStringLiteral("The mail server %1 refused the user name or password of %2.")
            .arg(serverName_, userName_);
      case Pop3Failure::Unreachable:
        return QStringLiteral("The mail server %1 cannot be reached (%2).").arg(serverName_, detail);
      case Pop3Failure::HostUnknown:
        return QStringLiteral("The mail server %1 cannot be found (%2).").arg(serverName_, detail);
      case Pop3Failure::TimedOut:
        return QStringLiteral("The mail server %1 did not answer in time (%2).").arg(serverName_, detail);
      case Pop3Failure::CertificateRefused:
        return QStringLiteral("The certificate of the mail server %1 is not trusted (%2).")
            .arg(serverName_, detail);
      case Pop3Failure::SecureConnection:
        return QStringLiteral(
                   "No secure connection could be made with the mail server %1 (%2); "
                   "check whether this port expects SSL.")
            .arg(serverName_, detail);
      case Pop3Failure::NotPop3:
        if (detail.startsWith(QLatin1String("-ERR")))
          return QStringLiteral("The mail server %1 refused the request: %2")
              .arg(serverName_, detail.mid(4).trimmed());
        return QStringLiteral("The mail server %1 gave an answer this reader does not understand (%2).")
            .arg(serverName_, detail);
      case Pop3Failure::ConnectionLost:
        return QStringLiteral("The connection to the mail server %1 was lost (%2).").arg(serverName_, detail);
      case Pop3Failure::TooLarge:
        return QStringLiteral("The message is too large to read (%1).").arg(detail);
      case Pop3Failure::Other:
        break;
    }
    return QStringLiteral("The mail server %1 could not be read (%2).").arg(serverName_, detail);
  }

  QString scrub(QString text) const {
    if (!password_.isEmpty())
      text.replace(password_, QStringLiteral("***"));
    return text;
  }

  mail::Pop3Client client_;  // used on the worker thread only
  QString serverName_, userName_, password_;
  int messageCount_ = 0;
  bool connected_ = false;
  bool busy_ = false;
  bool broken_ = false;  // written on the worker thread, read between calls
  QString brokenReason_;
  QString callFailure_;
  mail::WorkerThread worker_;  // destroyed first: it finishes its jobs while client_ still exists
};

int positiveEnvironmentNumber(const char* name, int fallback, QStringList* problems) {
  const QString text = qEnvironmentVariable(name).trimmed();
  if (text.isEmpty())
    return fallback;
  bool ok = false;
  const int value = text.toInt(&ok);
  if (ok && value > 0)
    return value;
  if (problems)
    problems->append(QStringLiteral("%1 is not a positive number: %2").arg(QLatin1String(name), text));
  return fallback;
}

}  // namespace

MailboxReaderOptions MailboxReaderOptionsFromEnvironment(QStringList* problems) {
  MailboxReaderOptions options;
  const QString caFile = qEnvironmentVariable("KESTREL_MAIL_CA").trimmed();
  if (!caFile.isEmpty()) {
    if (QFileInfo(caFile).isReadable())
      options.caFile = caFile;
    else if (problems)
      problems->append(QStringLiteral("KESTREL_MAIL_CA: cannot read ") + caFile);
  }
  options.connectTimeoutMs =
      positiveEnvironmentNumber("KESTREL_MAIL_CONNECT_TIMEOUT_MS", options.connectTimeoutMs, problems);
  options.stallTimeoutMs =
      positiveEnvironmentNumber("KESTREL_MAIL_STALL_TIMEOUT_MS", options.stallTimeoutMs, problems);
  return options;
}

std::shared_ptr<MailboxReader> makeMailboxReader(const MailboxReaderOptions& options) {
  return std::make_shared<MailboxSession>(options);
}

void registerMailboxReader(const MailboxReaderOptions& options) {
  ObjectRegistry::instance().registerFactory(QString::fromLatin1(MailboxReader::ProgId),
                                             [options] { return makeMailboxReader(options); });
}

}  // namespace kestrel
