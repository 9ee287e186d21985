#pragma once

#include <cstddef>
#include <string>

namespace kestrel::mail {

struct Pop3Settings {
  std::string caFile;  // extra trusted certificate authorities (PEM), "" for the system's only
  long connectTimeoutMs = 20000;
  long stallTimeoutMs = 60000;  // no byte and no answer for this long ends a transfer
  std::size_t maxMessageBytes = 256u << 20;
};

struct Pop3Account {
  std::string host;
  int port = 110;
  bool tls = false;
  std::string user;
  std::string password;
};

// Why a transfer failed, in the terms a person understands.
enum class Pop3Failure {
  None,
  LoginRefused,
  Unreachable,
  HostUnknown,
  TimedOut,
  CertificateRefused,
  SecureConnection,
  NotPop3,
  ConnectionLost,
  TooLarge,
  Other
};

struct Pop3Outcome {
  Pop3Failure failure = Pop3Failure::None;
  std::string detail;  // libcurl's own words, with the password removed
  bool ok() const { return failure == Pop3Failure::None; }
};

// A POP3 session on one libcurl easy handle. libcurl keeps the logged-in connection in the
// handle's cache between transfers, so one session is one login however many messages it reads;
// a connection the server dropped is replaced by a new login on the next transfer. Not
// thread-safe: one thread at a time.
class Pop3Client {
 public:
  explicit Pop3Client(Pop3Settings settings);
  ~Pop3Client();
  Pop3Client(const Pop3Client&) = delete;
  Pop3Client& operator=(const Pop3Client&) = delete;

  // Logs in (LIST) and counts the messages.
  Pop3Outcome open(const Pop3Account& account, int* messageCount);
  // TOP n 0: the header of message n.
  Pop3Outcome header(int n, std::string* out);
  // RETR n: the whole message, dot-stuffing undone.
  Pop3Outcome message(int n, std::string* out);
  // QUIT, waiting at most a moment for the server's answer.
  void close();
  bool isOpen() const { return easy_ != nullptr; }

 private:
  Pop3Outcome transfer(const std::string& path, const char* command, std::string* out);
  bool connectionIntact() const;
  std::string scrub(std::string text) const;

  Pop3Settings settings_;
  Pop3Account account_;
  std::string baseUrl_;
  void* easy_ = nullptr;
  char errorBuffer_[256] = {};
  std::string* sink_ = nullptr;
  bool tooLarge_ = false;
  bool freshConnection_ = false;  // the next transfer must not reuse the connection
  std::string lastAnswer_;        // the server's last answer line, for errors it explains

  friend std::size_t pop3Sink(char*, std::size_t, std::size_t, void*);
  friend std::size_t pop3Answer(char*, std::size_t, std::size_t, void*);
};

}  // namespace kestrel::mail
