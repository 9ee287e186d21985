#pragma once

#include "support/object_registry.h"

#include <QString>

namespace kestrel {

// The mailbox reader component: reads one mailbox on a POP3 server for the inbox viewer.
// Created by programmatic identifier, one instance per reading; it reports failures through its
// results, never by raising. While a call waits for the server the calling thread keeps
// processing its events, so the window stays responsive; a call made on the same instance
// from inside those events is refused as busy.
//
// Calling order: ConnectToMB, then GetMHI and GetMessage for message numbers 1 to the total in
// any order, then CloseMB or simply releasing the instance (which also ends the session).
class MailboxReader : public Component {
 public:
  static constexpr const char* ProgId = "KOVMAILReader.MailReader";

  // accessMode "OP" reads over POP3; ssl chooses implicit TLS (POP3S). user is the full
  // address. "TOTALMSGS:" and the number of messages, or "ERROR:" and the reason.
  virtual QString ConnectToMB(const QString& accessMode, const QString& host, int port, bool ssl,
                              const QString& user, const QString& password) = 0;

  // "n|From|To|Subject|Date", decoded, one line; a "|" inside a field is shown as "¦".
  // "" when the message cannot be read. Fetches only the message's header.
  virtual QString GetMHI(int messageNumber) = 0;

  // Fetches the message and writes into folder (created when missing): "KOVMailMsg.htm" (the
  // HTML body), "KOVMailMsg.txt" (the text body), each attachment under a file name safe inside
  // the folder, and "KOVMailAttch.csv" (one line per attachment: "content type","file name";
  // "KOV_BLANK" as the name when the message has no attachment). "" on success, otherwise a
  // text for the user.
  virtual QString GetMessage(int messageNumber, const QString& folder) = 0;

  // Ends the session with the server.
  virtual void CloseMB() = 0;
};

}  // namespace kestrel
