#pragma once

// The firm's mail accounts as the inbox keeps them: the account grid `VSEmail` on the grid model
// (one header row; ID, address, password, server, port, SSL), the account list `CmbEMail` that
// mirrors it, and the account panel's checks.
#include "mail/mail_store.h"

#include <QString>

#include <optional>
#include <vector>

namespace kestrel::grid {
class FlexGridModel;
}

namespace kestrel::mail {

namespace vsemail {
inline constexpr int Id = 0;  // the account's ID; -1 for a mailbox user without an account
inline constexpr int Email = 1;
inline constexpr int Password = 2;
inline constexpr int Smtp = 3;  // the mail server
inline constexpr int Port = 4;
inline constexpr int Ssl = 5;
inline constexpr int Count = 6;
inline constexpr int FirstRow = 1;
}  // namespace vsemail

inline constexpr const char* CreateNewEntry = "<Create New>";

// A mailbox user of the domain as the forward-to list holds it.
struct DomainMailbox {
  int userId = 0;
  QString name;
  QString password;
};

// An entry of the account list: its text and its number (the account's ID; -1 for
// "<Create New>" and for a mailbox user without a stored account).
struct AccountEntry {
  QString text;
  int number = -1;
};

void FormatAccountGrid(grid::FlexGridModel& g);

// FillEmailAc: the grid emptied to its header row, then a row per stored account, then a row
// (ID -1, no server, SSL 0) per mailbox user of the domain whose address has no row yet. The
// list's entries in the same order, after "<Create New>". Users are taken only while the domain
// is known (domain not empty, domainId 1 or more).
std::vector<AccountEntry> FillAccounts(grid::FlexGridModel& g, const std::vector<StoredAccount>& stored,
                                       const QString& domain, int domainId,
                                       const std::vector<DomainMailbox>& users);

// The first data row whose address is `address` (exactly); -1 when there is none.
int FindAccountRow(const grid::FlexGridModel& g, const QString& address);
// The first data row whose ID has the value `id`; -1 when there is none.
int FindAccountRowById(const grid::FlexGridModel& g, int id);

// The account panel's fields as typed.
struct AccountForm {
  QString address, password, host, port;
  bool ssl = false;
};
enum class AccountField { Address, Password, Host, Port };
struct AccountRefusal {
  QString message;
  AccountField field;
};

// The five checks of a save in their order: address, the e-mail address check (its own
// message), password, host, port. Nothing when all pass.
std::optional<AccountRefusal> CheckAccount(const AccountForm& form);
// The port as stored: the leading number of the text ("995ssl" is 995, "pop" is 0).
int PortNumber(const QString& text);

// What a reading needs from an account's row.
struct InboxAccount {
  QString address, password, host;
  int port = 0;
  bool ssl = false;
};
InboxAccount AccountOfRow(const grid::FlexGridModel& g, int row);

inline constexpr const char* NoAddressMessage = "Please provide a valid email address";
inline constexpr const char* BlankPasswordMessage = "Password can not be blank";
inline constexpr const char* NoHostMessage = "Please provide a valid SMTP host address";
inline constexpr const char* NoPortMessage = "Please provide a Port for your SMTP host";
inline constexpr const char* DuplicateAccountMessage = "Duplicate E-Mail Account";

}  // namespace kestrel::mail
