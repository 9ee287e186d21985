#pragma once

#include <QSet>
#include <QString>

#include <string>

// What the mailbox reader makes of a message's bytes: the list line of its header, and the
// body and attachment files in a message folder. Safe to use from any thread.
namespace kestrel::mail {

inline constexpr const char* HtmlBodyFile = "KOVMailMsg.htm";
inline constexpr const char* TextBodyFile = "KOVMailMsg.txt";
inline constexpr const char* AttachmentListFile = "KOVMailAttch.csv";
inline constexpr const char* NoAttachment = "KOV_BLANK";

struct HeaderFields {
  QString from, to, subject, date;
};

// From, To, Subject and Date of a message header, decoded (encoded words in any charset, raw
// 8-bit text as UTF-8 or else Windows-1252).
HeaderFields readHeaderFields(const std::string& header);

// "n|From|To|Subject|Date" on one line: line breaks and control characters become blanks, and a
// "|" inside a field becomes "¦" so that the line always has five fields.
QString messageListLine(int messageNumber, const HeaderFields& fields);

// A file name that stays inside the folder it is written to: the last path component only, no
// control, format or reserved characters, no leading or trailing dots and blanks, no device
// names, at most 180 bytes of UTF-8; "attachment" with the type's usual suffix when nothing
// usable is left.
QString safeFileName(const QString& proposed, const QString& mimeType);

// name, or "name (2).ext", "name (3).ext", ... when a name already taken (compared without
// regard to case) has it; records the name chosen in taken (lower case).
QString numberedName(const QString& name, QSet<QString>* taken);

// Writes the message's body and attachment files into folder, creating it when missing.
// "" on success, otherwise what went wrong, for the user.
QString writeMessageFiles(const std::string& message, const QString& folder);

}  // namespace kestrel::mail
