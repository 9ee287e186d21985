#include "pop3_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>
#include <new>

#include <poll.h>

namespace kestrel::mail {

namespace {

CURL* handle(void* easy) {
  return static_cast<CURL*>(easy);
}

long seconds(long ms) {
  return std::max(1L, (ms + 999) / 1000);
}

Pop3Failure classify(CURLcode code) {
  switch (code) {
    case CURLE_OK:
      return Pop3Failure::None;
    case CURLE_LOGIN_DENIED:
      return Pop3Failure::LoginRefused;
    case CURLE_COULDNT_CONNECT:
      return Pop3Failure::Unreachable;
    case CURLE_COULDNT_RESOLVE_HOST:
      return Pop3Failure::HostUnknown;
    case CURLE_OPERATION_TIMEDOUT:
      return Pop3Failure::TimedOut;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
      return Pop3Failure::CertificateRefused;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_USE_SSL_FAILED:
      return Pop3Failure::SecureConnection;
    case CURLE_WEIRD_SERVER_REPLY:
      return Pop3Failure::NotPop3;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
      return Pop3Failure::ConnectionLost;
    case CURLE_WRITE_ERROR:
      return Pop3Failure::TooLarge;
    default:
      return Pop3Failure::Other;
  }
}

// "[::1]" for an IPv6 address, the name as it is otherwise.
std::string urlHost(const std::string& host) {
  if (host.find(':') != std::string::npos && host.front() != '[')
    return '[' + host + ']';
  return host;
}

}  // namespace

std::size_t pop3Sink(char* data, std::size_t size, std::size_t count, void* user) {
  auto* client = static_cast<Pop3Client*>(user);
  const std::size_t bytes = size * count;
  if (!client->sink_)
    return bytes;
  // Returning less than was handed over ends the transfer with CURLE_WRITE_ERROR; nothing may
  // be thrown through libcurl.
  if (client->sink_->size() + bytes > client->settings_.maxMessageBytes) {
    client->tooLarge_ = true;
    return 0;
  }
  try {
    client->sink_->append(data, bytes);
  } catch (const std::bad_alloc&) {
    client->tooLarge_ = true;
    return 0;
  }
  return bytes;
}

// libcurl hands the server's answer lines to the header callback.
std::size_t pop3Answer(char* data, std::size_t size, std::size_t count, void* user) {
  auto* client = static_cast<Pop3Client*>(user);
  std::size_t length = std::min<std::size_t>(size * count, 512);
  while (length > 0 && (data[length - 1] == '\n' || data[length - 1] == '\r')) --length;
  client->lastAnswer_.assign(data, length);  // within the string's reserved capacity
  return size * count;
}

Pop3Client::Pop3Client(Pop3Settings settings) : settings_(std::move(settings)) {
  static_assert(sizeof(errorBuffer_) >= CURL_ERROR_SIZE);
  static std::once_flag curlReady;
  std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

Pop3Client::~Pop3Client() {
  close();
}

Pop3Outcome Pop3Client::open(const Pop3Account& account, int* messageCount) {
  close();
  account_ = account;
  baseUrl_ = std::string(account.tls ? "pop3s://" : "pop3://") + urlHost(account.host) + ':' +
             std::to_string(account.port) + '/';
  CURL* easy = curl_easy_init();
  if (!easy)
    return {Pop3Failure::Other, "libcurl could not start a session"};
  easy_ = easy;
  curl_easy_setopt(easy, CURLOPT_VERBOSE, 0L);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "pop3,pop3s");
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer_);
  curl_easy_setopt(easy, CURLOPT_USERNAME, account.user.c_str());
  curl_easy_setopt(easy, CURLOPT_PASSWORD, account.password.c_str());
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, settings_.connectTimeoutMs);
  curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, seconds(settings_.stallTimeoutMs));
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, seconds(settings_.stallTimeoutMs));
  curl_easy_setopt(easy, CURLOPT_TCP_KEEPALIVE, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!settings_.caFile.empty())
    curl_easy_setopt(easy, CURLOPT_CAINFO, settings_.caFile.c_str());
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &pop3Sink);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &pop3Answer);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);

  std::string listing;
  Pop3Outcome outcome = transfer(std::string(), nullptr, &listing);
  if (!outcome.ok()) {
    close();
    return outcome;
  }
  int count = 0;
  std::size_t start = 0;
  while (start < listing.size()) {
    std::size_t end = listing.find('\n', start);
    if (end == std::string::npos)
      end = listing.size();
    if (end > start && listing[start] >= '0' && listing[start] <= '9')
      ++count;
    start = end + 1;
  }
  *messageCount = count;
  return outcome;
}

Pop3Outcome Pop3Client::header(int n, std::string* out) {
  const std::string command = "TOP " + std::to_string(n) + " 0";
  return transfer(std::string(), command.c_str(), out);
}

Pop3Outcome Pop3Client::message(int n, std::string* out) {
  return transfer(std::to_string(n), nullptr, out);
}

void Pop3Client::close() {
  if (!easy_)
    return;
  CURL* easy = handle(easy_);
  // Cleaning up sends QUIT on a connection still in use; a server that does not answer it
  // should not hold the caller up for the whole stall timeout.
  curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, 2L);
  curl_easy_cleanup(easy);
  easy_ = nullptr;
  account_.password.assign(account_.password.size(), '\0');
}

Pop3Outcome Pop3Client::transfer(const std::string& path, const char* command, std::string* out) {
  if (!easy_)
    return {Pop3Failure::Other, "not connected"};
  CURL* easy = handle(easy_);
  out->clear();
  sink_ = out;
  tooLarge_ = false;
  errorBuffer_[0] = '\0';
  const std::string url = baseUrl_ + path;
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, command);
  curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, freshConnection_ ? 1L : 0L);
  freshConnection_ = false;
  lastAnswer_.clear();
  lastAnswer_.reserve(512);
  const CURLcode code = curl_easy_perform(easy);
  sink_ = nullptr;
  if (code == CURLE_OK) {
    if (!connectionIntact()) {
      freshConnection_ = true;
      return {Pop3Failure::ConnectionLost, "the server closed the connection before the end"};
    }
    return {};
  }
  if (tooLarge_)
    return {Pop3Failure::TooLarge, "larger than " + std::to_string(settings_.maxMessageBytes >> 20) + " MB"};
  Pop3Outcome outcome{classify(code), errorBuffer_[0] ? errorBuffer_ : curl_easy_strerror(code)};
  // The server's own words say more than libcurl's when it refused something.
  if (lastAnswer_.rfind("-ERR", 0) == 0)
    outcome.detail = lastAnswer_;
  outcome.detail = scrub(outcome.detail);
  return outcome;
}

// A server that closes the connection in the middle of a message ends the transfer without the
// closing dot, and libcurl takes that for the end of the message. After a complete answer the
// server has nothing more to say until the next command: anything to read now, the end of the
// connection included, means the answer was cut short.
bool Pop3Client::connectionIntact() const {
  curl_socket_t socket = CURL_SOCKET_BAD;
  if (curl_easy_getinfo(handle(easy_), CURLINFO_ACTIVESOCKET, &socket) != CURLE_OK ||
      socket == CURL_SOCKET_BAD)
    return false;
  pollfd probe{socket, POLLIN, 0};
  return ::poll(&probe, 1, 0) == 0;
}

std::string Pop3Client::scrub(std::string text) const {
  const std::string& secret = account_.password;
  if (secret.empty())
    return text;
  for (std::size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at + 3))
    text.replace(at, secret.size(), "***");
  return text;
}

}  // namespace kestrel::mail
