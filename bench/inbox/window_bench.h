#pragma once

#include <QString>

#include <memory>

namespace kestrel::bench {

// The mail window with its inbox on a fresh SQLite store, whose suite home (and so the inbox's
// scratch folder) lies in a temporary folder under `folder`. The mailbox reader is registered
// trusting `caFile`.
class InboxDesk {
 public:
  InboxDesk(const QString& folder, const QString& caFile);
  ~InboxDesk();
  InboxDesk(const InboxDesk&) = delete;
  InboxDesk& operator=(const InboxDesk&) = delete;

  // CheckforMails on the account (stored on first use); the rows the inbox lists.
  int read(const QString& user, const QString& password, int port, bool ssl);

 private:
  struct Parts;
  std::unique_ptr<Parts> d_;
};

}  // namespace kestrel::bench
