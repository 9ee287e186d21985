#pragma once

#include "web_session_component.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <memory>

class QNetworkReply;

namespace kestrel::websession {

// One answer of the panel, or why there was none.
struct Exchange {
  QString failure;  // "" when an answer arrived
  int status = 0;
  QString phrase;
  QByteArray contentType;
  QByteArray data;
  QUrl location;  // of a redirect, resolved against the request
};

// The component on QtNetwork. A request runs in a local event loop, so the windows keep
// painting and answering while the panel thinks; only one request of this component runs at a
// time in the whole program, and a call made meanwhile fails instead of nesting.
class HttpWebSession final : public WebSession, public std::enable_shared_from_this<HttpWebSession> {
 public:
  explicit HttpWebSession(WebSessionOptions options);
  ~HttpWebSession() override;

  bool InitComponent(const QString& engine, const QString& tmpFolder, bool showBrowser, int option) override;
  bool OpenWHR(const QString& method, const QString& url, const QString& body) override;
  bool OpenURL(const QString& url) override;
  QString HtmlSource() const override { return html_; }
  QString LastError() const override { return lastError_; }
  void Quit() override;

 private:
  enum class Engine { None, Plain, Browser };
  enum class Stop { None, Timeout, TooLarge, Quit };

  // Loads the page at address: one request for the "WHR" engine, the request and its
  // redirects for "IE".
  bool load(QByteArray method, const QString& address, QByteArray body);
  Exchange exchange(const QByteArray& method, const QUrl& url, const QByteArray& body,
                    const QDeadlineTimer& deadline);
  bool fail(const QString& reason);

  WebSessionOptions options_;
  QNetworkAccessManager network_;
  Engine engine_ = Engine::None;
  QString html_;
  QString lastError_;
  bool ended_ = false;
  QPointer<QNetworkReply> running_;
  Stop stop_ = Stop::None;
};

}  // namespace kestrel::websession
