#pragma once

#include <QTextBrowser>

namespace kestrel::mail {

// The inbox's "Mail Preview" (`WebBrowser`): a message body from its folder. An HTML body is
// laid out as rich text, which runs no scripts. Nothing is fetched from the network (remote
// images, tracking pixels and style sheets stay blank) and no local file outside the message's
// folder is read: only the files of the folder itself (the inline images the reader saved
// there) and images written into the page as data: addresses are shown. Links are not followed.
class MailPreview : public QTextBrowser {
  Q_OBJECT

 public:
  explicit MailPreview(QWidget* parent = nullptr);

  // "about:blank": an empty page.
  void showBlank();
  // A body file of a message folder ("KOVMailMsg.htm" as HTML, "KOVMailMsg.txt" as text).
  void showBody(const QString& file, bool html);

  // How many addresses the page asked for were refused since it was shown.
  int refusedLoads() const { return refused_; }

 protected:
  QVariant loadResource(int type, const QUrl& name) override;

 private:
  QString folder_;  // the message folder, canonical; "" for a blank page
  int refused_ = 0;
};

}  // namespace kestrel::mail
