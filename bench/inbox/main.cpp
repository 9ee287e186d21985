// bench_inbox: what the mailbox reader and the inbox cost beyond the POP3 round trips themselves,
// and how long the window goes without processing events while a slow server is read.
//
//   bench_inbox [--messages N] [--rounds R] [--latency MS] [--slow-messages M] [--scratch DIR]
//               [--dovecot DIR --pop3 PORT --pop3s PORT]
//
// Needs the private Dovecot server (scripts/dovecot.sh); by default the one named by
// KESTREL_TEST_DOVECOT, KESTREL_TEST_POP3_PORT and KESTREL_TEST_POP3S_PORT.
//
// Scratch folders go under DIR (/dev/shm leaves the disk out of the figures).
//
// 1. Overhead: a mailbox of N messages of about 10 KB (text, HTML and a small attachment) read
//    through the component (GetMHI for every message, then GetMessage into a scratch folder) and
//    through a bare libcurl loop on one handle (TOP n 0, then RETR n, kept in memory), over POP3
//    and POP3S; the best of R rounds, the two taking turns. The bare loop writes no files, so the
//    time writing the same files straight from the messages (no server, no thread) is measured
//    in the same rounds and taken off the component's total as well.
//    The inbox of the mail window (CheckforMails on a SQLite store, the scratch folder under DIR)
//    reads the same mailbox in the same rounds: grid rows, events processed twice per message,
//    the progress panel.
// 2. Responsiveness: M messages read through the component behind a proxy that holds every
//    answer of the server back by MS milliseconds, while a QTimer ticks every 5 ms; the longest
//    gap between ticks. Then the inbox reads a mailbox of M messages through the same proxy.
#include "dovecot_box.h"
#include "mailbox_reader_component.h"
#include "mime_files.h"
#include "window_bench.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace kestrel;
using Clock = std::chrono::steady_clock;

namespace {

const QString User = QStringLiteral("bench-inbox@example.in");
const QString SlowUser = QStringLiteral("bench-slow@example.in");
const QString Password = QStringLiteral("Bench:pw\"2024");

// About 10 KB: a text body, an HTML alternative and a 3 KB attachment.
QByteArray benchMessage(int n) {
  QByteArray text, html, attachment(3000, '\0');
  for (int line = 0; line < 40; ++line) {
    text += "Line " + QByteArray::number(line) + " of message " + QByteArray::number(n) +
            ": assessment year 2024-25, refund due.\r\n";
    html += "<p>Line " + QByteArray::number(line) + " of message " + QByteArray::number(n) + "</p>\r\n";
  }
  for (int i = 0; i < attachment.size(); ++i) attachment[i] = char((i * 31 + n) & 0xFF);
  QByteArray encoded;
  const QByteArray base64 = attachment.toBase64();
  for (qsizetype at = 0; at < base64.size(); at += 76) encoded += base64.mid(at, 76) + "\r\n";
  return "From: =?UTF-8?B?4KSG4KSv4KSV4KSw?= <notices@example.in>\r\nTo: " + User.toUtf8() +
         "\r\nSubject: Notice " + QByteArray::number(n) +
         " | AY 2024-25\r\nDate: Mon, 1 Jul 2024 10:00:00 +0530\r\nMIME-Version: 1.0\r\n"
         "Content-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n"
         "--b1\r\nContent-Type: multipart/alternative; boundary=\"b2\"\r\n\r\n"
         "--b2\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n" +
         text + "--b2\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<html><body>" + html +
         "</body></html>\r\n--b2--\r\n"
         "--b1\r\nContent-Type: application/pdf; name=\"notice.pdf\"\r\nContent-Transfer-Encoding: "
         "base64\r\n\r\n" +
         encoded + "--b1--\r\n";
}

// The same files written straight from the messages, with no server and no thread in between.
double writingAlone(int messages, const QString& scratch) {
  QElapsedTimer clock;
  clock.start();
  for (int n = 1; n <= messages; ++n)
    mail::writeMessageFiles(benchMessage(n).toStdString(), scratch + QStringLiteral("/%1_Body").arg(n));
  return double(clock.nsecsElapsed()) / 1e6;
}

double best(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}

struct Timing {
  double headersMs = 0, messagesMs = 0;
  int failures = 0;
};

Timing throughComponent(const testing::DovecotBox& box, bool tls, int messages, const QString& scratch) {
  Timing t;
  MailboxReaderOptions options;
  options.caFile = box.caFile();
  auto reader = makeMailboxReader(options);
  QElapsedTimer clock;
  clock.start();
  if (reader->ConnectToMB(QStringLiteral("OP"), QStringLiteral("127.0.0.1"),
                          tls ? box.pop3sPort : box.pop3Port, tls, User,
                          Password) != QStringLiteral("TOTALMSGS:%1").arg(messages))
    throw std::runtime_error("the component could not open the mailbox");
  for (int n = 1; n <= messages; ++n) t.failures += reader->GetMHI(n).isEmpty() ? 1 : 0;
  t.headersMs = double(clock.nsecsElapsed()) / 1e6;
  clock.restart();
  for (int n = 1; n <= messages; ++n)
    t.failures += reader->GetMessage(n, scratch + QStringLiteral("/%1_Body").arg(n)).isEmpty() ? 0 : 1;
  reader->CloseMB();
  t.messagesMs = double(clock.nsecsElapsed()) / 1e6;
  return t;
}

size_t collect(char* data, size_t size, size_t count, void* sink) {
  static_cast<std::string*>(sink)->append(data, size * count);
  return size * count;
}

// The same exchanges on one bare libcurl handle.
Timing throughCurl(const testing::DovecotBox& box, bool tls, int messages) {
  Timing t;
  const std::string base = std::string(tls ? "pop3s" : "pop3") +
                           "://127.0.0.1:" + std::to_string(tls ? box.pop3sPort : box.pop3Port) + "/";
  const std::string user = User.toStdString(), password = Password.toStdString(),
                    ca = QFile::encodeName(box.caFile()).toStdString();
  CURL* curl = curl_easy_init();
  std::string sink;
  curl_easy_setopt(curl, CURLOPT_USERNAME, user.c_str());
  curl_easy_setopt(curl, CURLOPT_PASSWORD, password.c_str());
  curl_easy_setopt(curl, CURLOPT_CAINFO, ca.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  auto perform = [&](const std::string& path, const char* command) {
    sink.clear();
    const std::string url = base + path;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, command);
    return curl_easy_perform(curl) == CURLE_OK && !sink.empty();
  };
  QElapsedTimer clock;
  clock.start();
  if (!perform(std::string(), nullptr))
    throw std::runtime_error("libcurl could not open the mailbox");
  for (int n = 1; n <= messages; ++n) {
    const std::string top = "TOP " + std::to_string(n) + " 0";
    t.failures += perform(std::string(), top.c_str()) ? 0 : 1;
  }
  t.headersMs = double(clock.nsecsElapsed()) / 1e6;
  clock.restart();
  for (int n = 1; n <= messages; ++n) t.failures += perform(std::to_string(n), nullptr) ? 0 : 1;
  curl_easy_cleanup(curl);
  t.messagesMs = double(clock.nsecsElapsed()) / 1e6;
  return t;
}

// A TCP proxy on 127.0.0.1 that passes what the client sends at once and holds back everything
// the server sends for a fixed time, on a thread of its own.
class DelayProxy {
 public:
  DelayProxy(int targetPort, int delayMs) : target_(targetPort), delay_(delayMs) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener_, 8) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      throw std::runtime_error("the proxy cannot listen");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
  }
  ~DelayProxy() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
  }
  int port() const { return port_; }

 private:
  struct Held {
    Clock::time_point due;
    std::string bytes;  // empty: the server closed the connection
  };
  struct Pair {
    int client, server;
    std::deque<Held> held;
    bool done = false;
  };

  int connectTarget() const {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(uint16_t(target_));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      ::close(fd);
      return -1;
    }
    return fd;
  }

  static void sendAll(int fd, const std::string& bytes) {
    for (size_t sent = 0; sent < bytes.size();) {
      const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0)
        return;
      sent += size_t(n);
    }
  }

  void run() {
    std::vector<Pair> pairs;
    char buffer[65536];
    while (!stop_) {
      std::vector<pollfd> fds{{listener_, POLLIN, 0}};
      for (const Pair& p : pairs) {
        fds.push_back({p.client, POLLIN, 0});
        fds.push_back({p.server, short(p.done ? 0 : POLLIN), 0});
      }
      ::poll(fds.data(), fds.size(), 2);
      const size_t polled = pairs.size();
      if (fds[0].revents & POLLIN) {
        const int client = ::accept(listener_, nullptr, nullptr);
        const int server = client >= 0 ? connectTarget() : -1;
        if (server >= 0)
          pairs.push_back({client, server, {}, false});
        else if (client >= 0)
          ::close(client);
      }
      for (size_t i = 0; i < polled; ++i) {
        Pair& p = pairs[i];
        if (fds[1 + 2 * i].revents & (POLLIN | POLLHUP)) {
          const ssize_t n = ::recv(p.client, buffer, sizeof buffer, 0);
          if (n > 0)
            sendAll(p.server, std::string(buffer, size_t(n)));
          else
            ::shutdown(p.server, SHUT_WR);
        }
        if (!p.done && (fds[2 + 2 * i].revents & (POLLIN | POLLHUP))) {
          const ssize_t n = ::recv(p.server, buffer, sizeof buffer, 0);
          p.held.push_back({Clock::now() + std::chrono::milliseconds(delay_),
                            n > 0 ? std::string(buffer, size_t(n)) : std::string()});
          p.done = n <= 0;
        }
      }
      const auto now = Clock::now();
      for (Pair& p : pairs) {
        while (!p.held.empty() && p.held.front().due <= now) {
          if (p.held.front().bytes.empty())
            ::shutdown(p.client, SHUT_WR);
          else
            sendAll(p.client, p.held.front().bytes);
          p.held.pop_front();
        }
      }
      for (auto it = pairs.begin(); it != pairs.end();) {
        if (it->done && it->held.empty()) {
          ::close(it->client);
          ::close(it->server);
          it = pairs.erase(it);
        } else {
          ++it;
        }
      }
    }
    for (const Pair& p : pairs) {
      ::close(p.client);
      ::close(p.server);
    }
  }

  int listener_ = -1, port_ = 0, target_, delay_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QCommandLineParser cli;
  cli.addHelpOption();
  const auto env = [](const char* name) { return qEnvironmentVariable(name); };
  cli.addOptions(
      {{QStringLiteral("messages"), QStringLiteral("Messages in the mailbox (default 1000)."),
        QStringLiteral("N"), QStringLiteral("1000")},
       {QStringLiteral("rounds"), QStringLiteral("Rounds (default 3)."), QStringLiteral("R"),
        QStringLiteral("3")},
       {QStringLiteral("latency"), QStringLiteral("Added latency per answer (default 100)."),
        QStringLiteral("MS"), QStringLiteral("100")},
       {QStringLiteral("slow-messages"), QStringLiteral("Messages read with latency (default 20)."),
        QStringLiteral("M"), QStringLiteral("20")},
       {QStringLiteral("scratch"),
        QStringLiteral("Where scratch folders go (default: the temporary folder)."), QStringLiteral("DIR"),
        QDir::tempPath()},
       {QStringLiteral("dovecot"), QStringLiteral("The Dovecot server's folder."), QStringLiteral("DIR"),
        env("KESTREL_TEST_DOVECOT")},
       {QStringLiteral("pop3"), QStringLiteral("Its POP3 port."), QStringLiteral("PORT"),
        env("KESTREL_TEST_POP3_PORT")},
       {QStringLiteral("pop3s"), QStringLiteral("Its POP3S port."), QStringLiteral("PORT"),
        env("KESTREL_TEST_POP3S_PORT")}});
  cli.process(app);
  const int messages = std::max(1, cli.value(QStringLiteral("messages")).toInt());
  const int rounds = std::max(1, cli.value(QStringLiteral("rounds")).toInt());
  const int latency = std::max(0, cli.value(QStringLiteral("latency")).toInt());
  const int slowMessages = std::clamp(cli.value(QStringLiteral("slow-messages")).toInt(), 1, messages);
  const testing::DovecotBox box{cli.value(QStringLiteral("dovecot")),
                                cli.value(QStringLiteral("pop3")).toInt(),
                                cli.value(QStringLiteral("pop3s")).toInt()};
  const QString scratchTemplate =
      cli.value(QStringLiteral("scratch")) + QStringLiteral("/bench_inbox-XXXXXX");
  QTextStream out(stdout);
  if (box.dir.isEmpty() || box.pop3Port <= 0 || box.pop3sPort <= 0) {
    out << "bench_inbox needs a Dovecot server: scripts/dovecot.sh start <dir> <pop3> <pop3s>, then\n"
           "  bench_inbox --dovecot <dir> --pop3 <pop3> --pop3s <pop3s>\n";
    return 2;
  }

  try {
    if (!box.addUser(User, Password))
      throw std::runtime_error("cannot add the bench user");
    qint64 bytes = 0;
    for (int n = 1; n <= messages; ++n) {
      const QByteArray message = benchMessage(n);
      bytes += message.size();
      if (!box.deliver(User, message))
        throw std::runtime_error("cannot deliver a message");
    }
    if (!box.addUser(SlowUser, Password))
      throw std::runtime_error("cannot add the second bench user");
    for (int n = 1; n <= slowMessages; ++n)
      if (!box.deliver(SlowUser, benchMessage(n)))
        throw std::runtime_error("cannot deliver a message");
    out << "Mailbox: " << messages << " messages, " << bytes / messages << " bytes each on average\n";
    bench::InboxDesk desk(cli.value(QStringLiteral("scratch")), box.caFile());
    for (const bool tls : {false, true}) {
      std::vector<double> componentHeaders, componentMessages, bareHeaders, bareMessages, writing, inbox;
      int failures = 0;
      for (int r = 0; r < rounds; ++r) {
        QTemporaryDir scratch(scratchTemplate), written(scratchTemplate);
        const Timing c = throughComponent(box, tls, messages, scratch.path());
        const Timing b = throughCurl(box, tls, messages);
        writing.push_back(writingAlone(messages, written.path()));
        QElapsedTimer clock;
        clock.start();
        failures += messages - desk.read(User, Password, tls ? box.pop3sPort : box.pop3Port, tls);
        inbox.push_back(double(clock.nsecsElapsed()) / 1e6);
        componentHeaders.push_back(c.headersMs);
        componentMessages.push_back(c.messagesMs);
        bareHeaders.push_back(b.headersMs);
        bareMessages.push_back(b.messagesMs);
        failures += c.failures + b.failures;
      }
      const double ch = best(componentHeaders), cm = best(componentMessages), bh = best(bareHeaders),
                   bm = best(bareMessages), w = best(writing), in = best(inbox);
      out << (tls ? "POP3S" : "POP3") << ", best of " << rounds << " rounds:\n"
          << QStringLiteral("  headers   component %1 ms  bare libcurl %2 ms  ratio %3\n")
                 .arg(ch, 0, 'f', 1)
                 .arg(bh, 0, 'f', 1)
                 .arg(ch / bh, 0, 'f', 2)
          << QStringLiteral(
                 "  messages  component %1 ms  bare libcurl %2 ms  ratio %3  (component writes files)\n")
                 .arg(cm, 0, 'f', 1)
                 .arg(bm, 0, 'f', 1)
                 .arg(cm / bm, 0, 'f', 2)
          << QStringLiteral("  total     component %1 ms  bare libcurl %2 ms  ratio %3 (goal <= 1.50)\n")
                 .arg(ch + cm, 0, 'f', 1)
                 .arg(bh + bm, 0, 'f', 1)
                 .arg((ch + cm) / (bh + bm), 0, 'f', 2)
          << QStringLiteral("  writing the same files alone %1 ms; component less that %2 ms, ratio %3\n")
                 .arg(w, 0, 'f', 1)
                 .arg(ch + cm - w, 0, 'f', 1)
                 .arg((ch + cm - w) / (bh + bm), 0, 'f', 2)
          << QStringLiteral(
                 "  inbox     CheckforMails %1 ms  bare libcurl %2 ms  ratio %3 (goal <= 1.50); "
                 "beside the component %4\n")
                 .arg(in, 0, 'f', 1)
                 .arg(bh + bm, 0, 'f', 1)
                 .arg(in / (bh + bm), 0, 'f', 2)
                 .arg(in / (ch + cm), 0, 'f', 2)
          << QStringLiteral("  inbox less the writing of the files %1 ms, ratio %2\n")
                 .arg(in - w, 0, 'f', 1)
                 .arg((in - w) / (bh + bm), 0, 'f', 2)
          << "  failed reads " << failures << "\n";
      out.flush();
    }

    {
      DelayProxy proxy(box.pop3Port, latency);
      MailboxReaderOptions options;
      auto reader = makeMailboxReader(options);
      QTemporaryDir scratch(scratchTemplate);
      QElapsedTimer sinceTick;
      qint64 longest = 0;
      QTimer ticker;
      ticker.setTimerType(Qt::PreciseTimer);
      QObject::connect(&ticker, &QTimer::timeout, [&] { longest = std::max(longest, sinceTick.restart()); });
      QElapsedTimer clock;
      clock.start();
      sinceTick.start();
      ticker.start(5);
      int failures = 0;
      const QString opened = reader->ConnectToMB(QStringLiteral("OP"), QStringLiteral("127.0.0.1"),
                                                 proxy.port(), false, User, Password);
      if (!opened.startsWith(QLatin1String("TOTALMSGS:")))
        throw std::runtime_error("through the proxy: " + opened.toStdString());
      for (int n = messages; n > messages - slowMessages; --n) {
        failures += reader->GetMHI(n).isEmpty() ? 1 : 0;
        failures +=
            reader->GetMessage(n, scratch.filePath(QStringLiteral("%1_Body").arg(n))).isEmpty() ? 0 : 1;
      }
      reader->CloseMB();
      ticker.stop();
      longest = std::max(longest, sinceTick.elapsed());
      out << "Responsiveness, " << latency << " ms added to every answer, " << slowMessages
          << " messages (header and body):\n"
          << QStringLiteral("  reading took %1 ms; longest gap between 5 ms ticks %2 ms (goal <= 100)\n")
                 .arg(clock.elapsed())
                 .arg(longest)
          << "  failed reads " << failures << "\n";
      // The same through the inbox, on a mailbox of as many messages.
      longest = 0;
      clock.restart();
      sinceTick.restart();
      ticker.start(5);
      const int rows = desk.read(SlowUser, Password, proxy.port(), false);
      ticker.stop();
      const qint64 gap = std::max(longest, sinceTick.elapsed());
      out << "The inbox through the same proxy, " << rows << " of " << slowMessages << " messages listed:\n"
          << QStringLiteral("  reading took %1 ms; longest gap between 5 ms ticks %2 ms (goal <= 100)\n")
                 .arg(clock.elapsed())
                 .arg(gap);
    }
  } catch (const std::exception& e) {
    out << "bench_inbox: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
