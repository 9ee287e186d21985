#include "mime_files.h"

#include <gmime/gmime.h>

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

namespace kestrel::mail {

namespace {

struct Unref {
  void operator()(gpointer object) const {
    if (object)
      g_object_unref(object);
  }
};
template <class T>
using Ref = std::unique_ptr<T, Unref>;

struct Free {
  void operator()(gpointer memory) const { g_free(memory); }
};
using GText = std::unique_ptr<char, Free>;

// Encoded words are decoded wherever they appear (also inside quoted names, as many mailers
// write them); raw 8-bit header text is read as UTF-8 when it is valid, else as Windows-1252.
GMimeParserOptions* parserOptions() {
  static GMimeParserOptions* options = [] {
    g_mime_init();
    GMimeParserOptions* o = g_mime_parser_options_new();
    g_mime_parser_options_set_rfc2047_compliance_mode(o, GMIME_RFC_COMPLIANCE_LOOSE);
    g_mime_parser_options_set_parameter_compliance_mode(o, GMIME_RFC_COMPLIANCE_LOOSE);
    g_mime_parser_options_set_address_compliance_mode(o, GMIME_RFC_COMPLIANCE_LOOSE);
    const char* fallback[] = {"UTF-8", "WINDOWS-1252", nullptr};
    g_mime_parser_options_set_fallback_charsets(o, fallback);
    return o;
  }();
  return options;
}

// Encoded words in B form rewritten in Q form. GMime decodes adjacent encoded words of one
// charset as one text, and loses everything after the first word when that word's base64 ends
// in padding ("=?UTF-8?B?YWI=?= =?UTF-8?B?Yw==?=" comes out as "ab"); mailers write such
// pairs all the time. Q words join without that problem.
std::string withoutBase64Words(const std::string& text) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string out;
  std::size_t from = 0;
  for (std::size_t start = text.find("=?"); start != std::string::npos; start = text.find("=?", start + 2)) {
    const std::size_t mark = text.find('?', start + 2);
    if (mark == std::string::npos || mark + 2 >= text.size() || (text[mark + 1] | 0x20) != 'b' ||
        text[mark + 2] != '?')
      continue;
    const std::size_t end = text.find("?=", mark + 3);
    if (end == std::string::npos)
      break;
    const std::string charset = text.substr(start + 2, mark - start - 2);
    const std::string payload = text.substr(mark + 3, end - mark - 3);
    auto isBase64 = [](char c) { return g_ascii_isalnum(c) || c == '+' || c == '/' || c == '='; };
    if (charset.empty() || charset.find_first_of(" \t\r\n") != std::string::npos ||
        !std::all_of(payload.begin(), payload.end(), isBase64))
      continue;
    const QByteArray bytes = QByteArray::fromBase64(QByteArray::fromStdString(payload));
    out.append(text, from, start - from);
    out += "=?" + charset + "?Q?";
    for (const char c : bytes) {
      if (g_ascii_isalnum(c)) {
        out += c;
      } else {
        const auto byte = static_cast<unsigned char>(c);
        out += '=';
        out += Hex[byte >> 4];
        out += Hex[byte & 15];
      }
    }
    out += "?=";
    from = end + 2;
    start = end;
  }
  out.append(text, from, std::string::npos);
  return out;
}

Ref<GMimeMessage> parseMessage(const std::string& bytes) {
  GMimeParserOptions* options = parserOptions();
  Ref<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(bytes.data(), bytes.size()));
  Ref<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  g_mime_parser_set_format(parser.get(), GMIME_FORMAT_MESSAGE);
  return Ref<GMimeMessage>(g_mime_parser_construct_message(parser.get(), options));
}

QString fromUtf8(const char* text) {
  return text ? QString::fromUtf8(text) : QString();
}

bool isUtf8(const char* data, qsizetype size) {
  return g_utf8_validate(data, size, nullptr);
}

QString convert(const QByteArray& bytes, const char* charset) {
  gsize written = 0;
  GError* error = nullptr;
  GText text(g_convert_with_fallback(bytes.constData(), bytes.size(), "UTF-8", charset, "?", nullptr,
                                     &written, &error));
  g_clear_error(&error);
  return text ? QString::fromUtf8(text.get(), qsizetype(written)) : QString();
}

// Text in the named charset (any that iconv knows) as Unicode; text whose charset is missing
// or unknown is read as UTF-8 when it is valid, else as Windows-1252.
QString decodeText(const QByteArray& bytes, const char* charset) {
  if (charset && *charset) {
    const char* name = g_mime_charset_iconv_name(charset);
    const bool utf8 = g_ascii_strcasecmp(name, "UTF-8") == 0 || g_ascii_strcasecmp(name, "US-ASCII") == 0;
    if (utf8 && isUtf8(bytes.constData(), bytes.size()))
      return QString::fromUtf8(bytes);
    if (!utf8) {
      const QString text = convert(bytes, name);
      if (!text.isNull() || bytes.isEmpty())
        return text;
    }
  }
  if (isUtf8(bytes.constData(), bytes.size()))
    return QString::fromUtf8(bytes);
  const QString text = convert(bytes, "WINDOWS-1252");
  return text.isNull() ? QString::fromLatin1(bytes) : text;
}

void appendAddresses(InternetAddressList* list, QStringList* out) {
  const int count = list ? internet_address_list_length(list) : 0;
  for (int i = 0; i < count; ++i) {
    InternetAddress* address = internet_address_list_get_address(list, i);
    if (INTERNET_ADDRESS_IS_GROUP(address)) {
      appendAddresses(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(address)), out);
      continue;
    }
    const QString name = fromUtf8(internet_address_get_name(address)).trimmed();
    const QString mailbox =
        INTERNET_ADDRESS_IS_MAILBOX(address)
            ? fromUtf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address)))
            : QString();
    if (name.isEmpty())
      out->append(mailbox);
    else if (mailbox.isEmpty() || name == mailbox)
      out->append(name);
    else
      out->append(name + QStringLiteral(" <") + mailbox + QLatin1Char('>'));
  }
}

// The addresses of a header as "Name <address>, ...", or the header's decoded text when it
// holds no address GMime can make out.
QString addresses(GMimeMessage* message, GMimeAddressType type, const char* header) {
  QStringList list;
  appendAddresses(g_mime_message_get_addresses(message, type), &list);
  list.removeAll(QString());
  if (!list.isEmpty())
    return list.join(QStringLiteral(", "));
  return fromUtf8(g_mime_object_get_header(GMIME_OBJECT(message), header));
}

QByteArray decodedContent(GMimePart* part) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  if (!content)
    return {};
  Ref<GMimeStream> memory(g_mime_stream_mem_new());
  g_mime_data_wrapper_write_to_stream(content, memory.get());
  const GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(memory.get()));
  return QByteArray(reinterpret_cast<const char*>(bytes->data), qsizetype(bytes->len));
}

QString partText(GMimePart* part) {
  return decodeText(decodedContent(part),
                    g_mime_object_get_content_type_parameter(GMIME_OBJECT(part), "charset"));
}

// The file name a part proposes: the Content-Disposition "filename" or else the Content-Type
// "name", RFC 2231 and encoded words decoded. Read from the raw header so that its encoded
// words can be put in Q form first.
QString proposedName(GMimeObject* object) {
  GMimeHeaderList* headers = g_mime_object_get_header_list(object);
  auto raw = [&](const char* name) {
    GMimeHeader* header = g_mime_header_list_get_header(headers, name);
    const char* value = header ? g_mime_header_get_raw_value(header) : nullptr;
    return value ? withoutBase64Words(value) : std::string();
  };
  const std::string disposition = raw("Content-Disposition");
  if (!disposition.empty()) {
    Ref<GMimeContentDisposition> parsed(
        g_mime_content_disposition_parse(parserOptions(), disposition.c_str()));
    const QString name =
        fromUtf8(parsed ? g_mime_content_disposition_get_parameter(parsed.get(), "filename") : nullptr);
    if (!name.isEmpty())
      return name;
  }
  const std::string type = raw("Content-Type");
  if (type.empty())
    return {};
  Ref<GMimeContentType> parsed(g_mime_content_type_parse(parserOptions(), type.c_str()));
  return fromUtf8(parsed ? g_mime_content_type_get_parameter(parsed.get(), "name") : nullptr);
}

QString mimeTypeOf(GMimeObject* object) {
  GText type(g_mime_content_type_get_mime_type(g_mime_object_get_content_type(object)));
  return type ? QString::fromUtf8(type.get()).toLower() : QStringLiteral("application/octet-stream");
}

struct Attachment {
  GMimeObject* object = nullptr;  // a GMimePart or a GMimeMessagePart
  QString mimeType;
  QString proposedName;
  QString contentId;
  QString fileName;
  bool inHtml = false;  // shown by the HTML body through a cid: reference
};

struct Contents {
  bool hasHtml = false, hasText = false;
  QString html, text;
  std::vector<Attachment> attachments;
};

void collect(GMimeObject* object, Contents* contents) {
  if (GMIME_IS_MULTIPART(object)) {
    auto* multipart = GMIME_MULTIPART(object);
    const int count = g_mime_multipart_get_count(multipart);
    for (int i = 0; i < count; ++i) collect(g_mime_multipart_get_part(multipart, i), contents);
    return;
  }
  Attachment attachment{
      object, mimeTypeOf(object), proposedName(object), fromUtf8(g_mime_object_get_content_id(object)), {},
      false};
  if (GMIME_IS_MESSAGE_PART(object)) {
    contents->attachments.push_back(attachment);
    return;
  }
  if (!GMIME_IS_PART(object))
    return;
  auto* part = GMIME_PART(object);
  const char* disposition = g_mime_object_get_disposition(object);
  const bool body = attachment.proposedName.isEmpty() &&
                    !(disposition && g_ascii_strcasecmp(disposition, GMIME_DISPOSITION_ATTACHMENT) == 0);
  if (body && attachment.mimeType == QLatin1String("text/html") && !contents->hasHtml) {
    contents->hasHtml = true;
    contents->html = partText(part);
  } else if (body && attachment.mimeType == QLatin1String("text/plain") && !contents->hasText) {
    contents->hasText = true;
    contents->text = partText(part);
  } else {
    contents->attachments.push_back(attachment);
  }
}

// Everything after the header of a message GMime could make nothing of.
QString rawBody(const std::string& message) {
  std::size_t at = message.find("\r\n\r\n");
  std::size_t skip = 4;
  const std::size_t lf = message.find("\n\n");
  if (lf != std::string::npos && (at == std::string::npos || lf < at)) {
    at = lf;
    skip = 2;
  }
  if (at == std::string::npos)
    return {};
  return decodeText(QByteArray::fromStdString(message.substr(at + skip)), nullptr);
}

// Creates path afresh. Whatever was there before (a file from an earlier reading, or a link
// planted to send the write elsewhere) is removed first, and the new file is created
// exclusively, which never follows a link.
bool createFresh(QFile* file, QString* error) {
  QFile::remove(file->fileName());
  if (file->open(QIODevice::WriteOnly | QIODevice::NewOnly))
    return true;
  *error = file->errorString();
  return false;
}

bool writeTextFile(const QString& path, const QString& text, QString* error) {
  QFile file(path);
  if (!createFresh(&file, error))
    return false;
  // The byte order mark tells a browser the text is UTF-8, whatever an HTML body declares.
  const QByteArray bytes = QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
  if (file.write(bytes) != bytes.size() || !file.flush()) {
    *error = file.errorString();
    return false;
  }
  return true;
}

bool writeAttachment(const QString& path, GMimeObject* object, QString* error) {
  QFile file(path);
  if (!createFresh(&file, error))
    return false;
  Ref<GMimeStream> stream(g_mime_stream_fs_new(file.handle()));
  g_mime_stream_fs_set_owner(GMIME_STREAM_FS(stream.get()), FALSE);
  ssize_t written = 0;
  if (GMIME_IS_MESSAGE_PART(object)) {
    GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
    written = inner ? g_mime_object_write_to_stream(GMIME_OBJECT(inner), nullptr, stream.get()) : 0;
  } else if (GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(object))) {
    written = g_mime_data_wrapper_write_to_stream(content, stream.get());
  }
  // The file stream writes straight through; flushing it would only add an fsync per file.
  if (written < 0) {
    *error = QString::fromLocal8Bit(g_strerror(errno));
    return false;
  }
  return true;
}

QString csvField(QString text) {
  return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

bool isDeviceName(const QString& name) {
  const QString stem = name.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
  static const QStringList devices = {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                      QStringLiteral("NUL")};
  if (devices.contains(stem))
    return true;
  return stem.size() == 4 &&
         (stem.startsWith(QLatin1String("COM")) || stem.startsWith(QLatin1String("LPT"))) &&
         stem[3] >= QLatin1Char('1') && stem[3] <= QLatin1Char('9');
}

constexpr qsizetype MaxNameBytes = 180;

}  // namespace

HeaderFields readHeaderFields(const std::string& header) {
  HeaderFields fields;
  Ref<GMimeMessage> message = parseMessage(withoutBase64Words(header));
  if (!message)
    return fields;
  fields.from = addresses(message.get(), GMIME_ADDRESS_TYPE_FROM, "From");
  fields.to = addresses(message.get(), GMIME_ADDRESS_TYPE_TO, "To");
  fields.subject = fromUtf8(g_mime_message_get_subject(message.get()));
  fields.date = fromUtf8(g_mime_object_get_header(GMIME_OBJECT(message.get()), "Date"));
  return fields;
}

QString messageListLine(int messageNumber, const HeaderFields& fields) {
  auto clean = [](QString text) {
    for (QChar& c : text) {
      if (c == QLatin1Char('|'))
        c = QChar(0x00A6);
      else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
        c = QLatin1Char(' ');
    }
    return text.simplified();
  };
  return QString::number(messageNumber) + QLatin1Char('|') + clean(fields.from) + QLatin1Char('|') +
         clean(fields.to) + QLatin1Char('|') + clean(fields.subject) + QLatin1Char('|') + clean(fields.date);
}

QString safeFileName(const QString& proposed, const QString& mimeType) {
  QString name = proposed;
  name.replace(QLatin1Char('\\'), QLatin1Char('/'));
  name = name.section(QLatin1Char('/'), -1);
  QString clean;
  clean.reserve(name.size());
  for (const QChar c : name) {
    const char16_t u = c.unicode();
    if (u < 0x20 || (u >= 0x7F && u < 0xA0) || c.category() == QChar::Other_Format)
      continue;  // control characters; direction overrides and other invisible marks
    clean += QStringView(u"<>:\"|?*").contains(c) ? QChar(u'_') : c;
  }
  clean = clean.simplified();
  qsizetype start = 0, end = clean.size();
  while (start < end && (clean[start] == QLatin1Char('.') || clean[start] == QLatin1Char(' '))) ++start;
  while (end > start && (clean[end - 1] == QLatin1Char('.') || clean[end - 1] == QLatin1Char(' '))) --end;
  clean = clean.mid(start, end - start);
  if (clean.isEmpty()) {
    clean = QStringLiteral("attachment");
    const QString suffix = QMimeDatabase().mimeTypeForName(mimeType).preferredSuffix();
    if (!suffix.isEmpty())
      clean += QLatin1Char('.') + suffix;
  }
  if (isDeviceName(clean))
    clean.prepend(QLatin1Char('_'));

  if (clean.toUtf8().size() > MaxNameBytes) {
    const qsizetype dot = clean.lastIndexOf(QLatin1Char('.'));
    QString suffix = dot > 0 && clean.size() - dot <= 16 ? clean.mid(dot) : QString();
    QString stem = clean.left(clean.size() - suffix.size());
    while (!stem.isEmpty() && (stem + suffix).toUtf8().size() > MaxNameBytes) {
      stem.chop(1);
      if (!stem.isEmpty() && stem.back().isHighSurrogate())
        stem.chop(1);
    }
    clean = stem.trimmed() + suffix;
  }
  return clean;
}

QString numberedName(const QString& name, QSet<QString>* taken) {
  QString candidate = name;
  if (taken->contains(candidate.toLower())) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString suffix = dot > 0 ? name.mid(dot) : QString();
    for (int n = 2; taken->contains(candidate.toLower()); ++n)
      candidate = stem + QStringLiteral(" (%1)").arg(n) + suffix;
  }
  taken->insert(candidate.toLower());
  return candidate;
}

QString writeMessageFiles(const std::string& message, const QString& folder) {
  const QDir dir(folder);
  if (!QDir().mkpath(folder))
    return QStringLiteral("The folder %1 cannot be created.").arg(QDir::toNativeSeparators(folder));

  Contents contents;
  Ref<GMimeMessage> parsed = parseMessage(message);
  GMimeObject* root = parsed ? g_mime_message_get_mime_part(parsed.get()) : nullptr;
  if (root)
    collect(root, &contents);
  if (!contents.hasHtml && !contents.hasText && contents.attachments.empty()) {
    contents.hasText = true;
    contents.text = rawBody(message);
  }

  QSet<QString> taken = {QString::fromLatin1(HtmlBodyFile).toLower(),
                         QString::fromLatin1(TextBodyFile).toLower(),
                         QString::fromLatin1(AttachmentListFile).toLower()};
  for (Attachment& a : contents.attachments) {
    a.fileName = numberedName(safeFileName(a.proposedName, a.mimeType), &taken);
    if (!contents.hasHtml || a.contentId.isEmpty())
      continue;
    const QString reference = QStringLiteral("cid:") + a.contentId;
    if (contents.html.contains(reference, Qt::CaseInsensitive)) {
      a.inHtml = true;
      contents.html.replace(reference, QString::fromLatin1(QUrl::toPercentEncoding(a.fileName)),
                            Qt::CaseInsensitive);
    }
  }

  QString error;
  auto failed = [&](const QString& file) {
    return QStringLiteral("The message could not be saved as %1: %2")
        .arg(QDir::toNativeSeparators(dir.filePath(file)), error);
  };
  const QString htmlPath = dir.filePath(QString::fromLatin1(HtmlBodyFile));
  const QString textPath = dir.filePath(QString::fromLatin1(TextBodyFile));
  if (!contents.hasHtml)
    QFile::remove(htmlPath);
  else if (!writeTextFile(htmlPath, contents.html, &error))
    return failed(QString::fromLatin1(HtmlBodyFile));
  if (!contents.hasText)
    QFile::remove(textPath);
  else if (!writeTextFile(textPath, contents.text, &error))
    return failed(QString::fromLatin1(TextBodyFile));

  QString list;
  for (const Attachment& a : contents.attachments) {
    if (!writeAttachment(dir.filePath(a.fileName), a.object, &error))
      return QStringLiteral("The attachment %1 could not be saved in %2: %3")
          .arg(a.fileName, QDir::toNativeSeparators(folder), error);
    if (!a.inHtml)
      list += csvField(a.mimeType) + QLatin1Char(',') + csvField(a.fileName) + QStringLiteral("\r\n");
  }
  if (list.isEmpty())
    list = csvField(QString()) + QLatin1Char(',') + csvField(QString::fromLatin1(NoAttachment)) +
           QStringLiteral("\r\n");
  QFile csv(dir.filePath(QString::fromLatin1(AttachmentListFile)));
  const QByteArray bytes = list.toUtf8();
  if (!createFresh(&csv, &error))
    return failed(QString::fromLatin1(AttachmentListFile));
  if (csv.write(bytes) != bytes.size() || !csv.flush()) {
    error = csv.errorString();
    return failed(QString::fromLatin1(AttachmentListFile));
  }
  return QString();
}

}  // namespace kestrel::mail
