#pragma once

#include "mail/mailbox_reader.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace kestrel {

struct MailboxReaderOptions {
  // A PEM file of certificate authorities trusted besides the system's ("" for none).
  QString caFile;
  // The longest wait for the server to accept the connection, finish TLS and log in.
  int connectTimeoutMs = 20000;
  // A transfer during which the server sends nothing for this long is abandoned.
  int stallTimeoutMs = 60000;
  // Messages larger than this are refused rather than read into memory.
  qint64 maxMessageBytes = qint64(256) << 20;
};

// The options from the environment:
//   KESTREL_MAIL_CA                 a PEM file of extra trusted certificate authorities
//   KESTREL_MAIL_CONNECT_TIMEOUT_MS the longest wait for connecting and logging in (default 20000)
//   KESTREL_MAIL_STALL_TIMEOUT_MS   the longest silence of the server in a transfer (default 60000)
// Problems (a CA file that cannot be read, a malformed value) are described in *problems, one
// line each; the other options still apply.
MailboxReaderOptions MailboxReaderOptionsFromEnvironment(QStringList* problems = nullptr);

// Registers the component under MailboxReader::ProgId; every instance uses these options.
void registerMailboxReader(const MailboxReaderOptions& options);

// One instance, without the registry (tests and benchmarks).
std::shared_ptr<MailboxReader> makeMailboxReader(const MailboxReaderOptions& options);

}  // namespace kestrel
