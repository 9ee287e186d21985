#pragma once

#include <QString>

namespace kestrel::hostingsim {

// Mirrors the mailboxes the panel creates into a Dovecot passwd-file and a Maildir tree, so a
// real POP3/IMAP server can serve them. Each mailbox gets the line
//   user@domain:{PLAIN}password::::<maildir>/<domain>/<user>::userdb_mail=maildir:<same>
// ({PLAIN.HEX} with the password's UTF-8 in hex when it holds ":" or a control character, which
// the file cannot carry as they are). The file is rewritten whole under an exclusive lock and
// swapped in by rename, so a reader never sees half a line and two simulators never lose one
// another's lines; it is readable by its owner only. Run as root, the Maildirs are handed to the
// owner of the mail folder, as the mail server reads them as that user.
//
// Forwarders go into the alias map <maildir>/virtual, one "alias@domain target@domain" line per
// pair, so that whatever delivers mail for the domain (the portal simulator) finds the
// mailboxes behind an alias.
class DovecotFiles {
 public:
  DovecotFiles(QString passwdFile, QString maildirRoot);
  // Adds the mailbox, replacing an earlier line of the same address; "" when done, else why not.
  QString addMailbox(const QString& user, const QString& domain, const QString& password) const;
  // Adds the alias's line to the alias map unless it is there; "" when done, else why not.
  QString addForwarder(const QString& alias, const QString& to) const;

 private:
  QString passwdFile_;
  QString maildirRoot_;
};

}  // namespace kestrel::hostingsim
