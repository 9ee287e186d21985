#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace kestrel::sim {

// The firm's mail as the hosting panel simulator sets it up under one folder (its --maildir):
// a Maildir per mailbox (<root>/<domain>/<user>) and the alias map <root>/virtual with one
// "alias@domain target@domain" line per forwarder. Mail to an address lands where the firm's
// mail server would put it.
class MailDrop {
 public:
  explicit MailDrop(QString root);

  // The Maildirs that mail to `address` reaches: its own when it is a mailbox, those of the
  // mailboxes an alias forwards to (through further aliases, a few levels deep). None for an
  // address the domain does not know.
  QStringList maildirsFor(const QString& address) const;

  // Delivers the message into each Maildir of the address: written under tmp/, moved into new/.
  // The Maildirs it reached; *problem says what failed.
  QStringList deliver(const QString& address, const QByteArray& message, QString* problem) const;

 private:
  QString root_;
};

// The portal's mail with the PIN for a new e-mail address of a contact update.
QByteArray PinMessage(const QString& to, const QString& pan, const QString& emailPin, qint64 validMinutes,
                      const QDateTime& sent);

}  // namespace kestrel::sim
