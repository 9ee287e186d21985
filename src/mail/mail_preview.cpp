#include "mail/mail_preview.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTextDocument>
#include <QUrl>

namespace kestrel::mail {

namespace {

// Larger inline images are not shown: a message could otherwise make the preview decode
// hundreds of megabytes.
constexpr qint64 MaxResourceBytes = qint64(32) << 20;

QString bodyText(const QString& file) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly))
    return {};
  QByteArray bytes = f.readAll();
  if (bytes.startsWith("\xEF\xBB\xBF"))
    bytes.remove(0, 3);
  return QString::fromUtf8(bytes);
}

// The bytes of a data: address ("data:image/png;base64,...").
QByteArray dataAddressBytes(const QUrl& name) {
  const QString text = name.toString(QUrl::FullyEncoded);
  const qsizetype comma = text.indexOf(QLatin1Char(','));
  if (comma < 0)
    return {};
  const QByteArray payload = QByteArray::fromPercentEncoding(text.mid(comma + 1).toLatin1());
  return text.left(comma).endsWith(QLatin1String(";base64"), Qt::CaseInsensitive)
             ? QByteArray::fromBase64(payload)
             : payload;
}

}  // namespace

MailPreview::MailPreview(QWidget* parent) : QTextBrowser(parent) {
  setObjectName(QStringLiteral("WebBrowser"));
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setReadOnly(true);
}

void MailPreview::showBlank() {
  folder_.clear();
  refused_ = 0;
  clear();
}

void MailPreview::showBody(const QString& file, bool html) {
  const QFileInfo info(file);
  folder_ = info.absoluteDir().canonicalPath();
  refused_ = 0;
  document()->clear();
  if (html)
    setHtml(bodyText(file));
  else
    setPlainText(bodyText(file));
}

QVariant MailPreview::loadResource(int type, const QUrl& name) {
  QByteArray bytes;
  bool allowed = false;
  if (name.scheme().compare(QLatin1String("data"), Qt::CaseInsensitive) == 0) {
    bytes = dataAddressBytes(name);
    allowed = bytes.size() <= MaxResourceBytes;
  } else if (!folder_.isEmpty() && (name.isRelative() || name.isLocalFile())) {
    const QString path =
        name.isLocalFile() ? name.toLocalFile() : folder_ + QLatin1Char('/') + name.path(QUrl::FullyDecoded);
    const QFileInfo info(path);
    QFile file(info.canonicalFilePath());
    allowed = info.isFile() && info.canonicalFilePath().startsWith(folder_ + QLatin1Char('/')) &&
              info.size() <= MaxResourceBytes && file.open(QIODevice::ReadOnly);
    if (allowed)
      bytes = file.readAll();
  }
  if (!allowed) {
    ++refused_;
    // A value that is not null: the document would otherwise try to read the address itself.
    if (type == QTextDocument::ImageResource) {
      QImage blank(1, 1, QImage::Format_ARGB32);
      blank.fill(Qt::transparent);
      return blank;
    }
    return QString(QLatin1Char(' '));
  }
  if (type == QTextDocument::ImageResource)
    return bytes;
  return QString::fromUtf8(bytes);
}

}  // namespace kestrel::mail
