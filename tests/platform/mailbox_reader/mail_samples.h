#pragma once

// Messages the mailbox reader tests read, as a mail server would hand them over.
#include <QByteArray>
#include <QString>

namespace kestrel::testing {

// Lines written with "\n" in the source, sent with CRLF as on the wire.
inline QByteArray crlf(QByteArray text) {
  return text.replace("\r\n", "\n").replace("\n", "\r\n");
}

inline QByteArray plainMessage(const QByteArray& subject, const QByteArray& body = "Hello.\n") {
  return crlf("From: Asha Iyer <asha@example.in>\nTo: office@example.in\nSubject: " + subject +
              "\nDate: Mon, 1 Jul 2024 10:00:00 +0530\nMIME-Version: 1.0\n"
              "Content-Type: text/plain; charset=utf-8\n\n" +
              body);
}

// An HTML body with a text alternative and an inline image it shows through a cid: reference.
inline QByteArray alternativeWithInlineImage() {
  return crlf(
      "From: news@example.in\nTo: office@example.in\nSubject: Newsletter\nMIME-Version: 1.0\n"
      "Content-Type: multipart/related; boundary=\"rel\"\n\n"
      "--rel\nContent-Type: multipart/alternative; boundary=\"alt\"\n\n"
      "--alt\nContent-Type: text/plain; charset=iso-8859-1\nContent-Transfer-Encoding: quoted-printable\n\n"
      "Caf=E9 open\n"
      "--alt\nContent-Type: text/html; charset=utf-8\n\n"
      "<html><body><p>Caf\xC3\xA9 open</p><img src=\"cid:logo@example.in\"></body></html>\n"
      "--alt--\n"
      "--rel\nContent-Type: image/png\nContent-ID: <logo@example.in>\nContent-Transfer-Encoding: base64\n\n"
      "iVBORw0KGgo=\n"
      "--rel--\n");
}

// One attachment part: its Content-Type and Content-Disposition, and its content (sent as
// base64 in lines of 76 characters).
inline QByteArray attachmentPart(const QByteArray& contentType, const QByteArray& disposition,
                                 const QByteArray& content) {
  QByteArray part = "--mix\nContent-Type: " + contentType + "\nContent-Transfer-Encoding: base64\n";
  if (!disposition.isEmpty())
    part += "Content-Disposition: " + disposition + "\n";
  part += "\n";
  const QByteArray encoded = content.toBase64();
  part.reserve(part.size() + encoded.size() + encoded.size() / 38);
  for (qsizetype at = 0; at < encoded.size(); at += 76) part += encoded.mid(at, 76) + "\n";
  return part;
}

inline QByteArray mixedMessage(const QByteArray& parts) {
  return crlf(
      "From: clerk@example.in\nTo: office@example.in\nSubject: Papers\nMIME-Version: 1.0\n"
      "Content-Type: multipart/mixed; boundary=\"mix\"\n\n"
      "--mix\nContent-Type: text/plain\n\nPlease see the papers.\n" +
      parts + "--mix--\n");
}

}  // namespace kestrel::testing
