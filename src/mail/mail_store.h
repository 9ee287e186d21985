#pragma once

// The mail window's statements on its tables (WebMailDomain, WebMailUser, WebMailFwder,
// WebEMailAc) and on the suite's clients, sent through the base component without "Flush
// Tables". Text values pass through TruncVarSQL. Each function logs a failing statement under
// the routine named with it and returns what it read until then.
#include "mail/mail_rules.h"

#include <QString>

#include <optional>
#include <vector>

namespace kestrel::mail {

// The window's name in the error log.
inline constexpr const char16_t* MailWindowName = u"FrmMailSetup";

struct StoredDomain {
  QString url;
  QString domain;
};

// The domain created last ("FillDomain").
std::optional<StoredDomain> ReadLatestDomain();

// The DomainID of the stored pair, 0 when there is none. host and domain go in trimmed
// ("GetDomainID").
int FindDomainID(const QString& host, const QString& domain);
// Stores the pair under a new DomainID and returns it ("GetDomainID").
int CreateDomain(const QString& host, const QString& domain);

struct MailUser {
  int id = 0;
  QString name;
  QString password;
};

// The mailbox users of a domain in the order the store returns them ("Fillusers").
std::vector<MailUser> ReadUsers(int domainId);
// Stores a new user under a new UserID and returns it; name and password go in trimmed
// ("CmdOKUser_Click").
int InsertUser(int domainId, const QString& name, const QString& password);
// The new password of a listed user, also on the mail account of the same address
// ("CmdOKUser_Click").
void UpdateUserPassword(int userId, int domainId, const QString& name, const QString& domain,
                        const QString& password);
// Whether an alias of the domain forwards to the user ("Command3_Click").
bool UserHasAliases(int userId, int domainId);
// Removes the user from the store ("Command3_Click").
void DeleteUser(int userId, int domainId);

struct AliasRecord {
  QString code;
  QString alias;
  int forwardTo = 0;
};

// The aliases of a domain ("FillForwarders").
std::vector<AliasRecord> ReadAliases(int domainId);
// Replaces the client's alias record on the domain; code and alias go in trimmed
// ("SetForwarders").
void RecordAlias(int domainId, const QString& code, const QString& alias, int userId);

// A row of WebEMailAc as text (nulls as "").
struct StoredAccount {
  QString id, email, password, smtp, port, ssl;
};

// The firm's mail accounts by address ("FillEmailAc").
std::vector<StoredAccount> ReadAccounts();
// Whether an account other than `id` has the address; address goes in trimmed
// ("CmdEMailSave_Click").
bool AccountAddressTaken(const QString& address, int id);
// Stores an account: an existing one (id 1 or more) replaces its row under the same ID, a new
// one gets a new ID. address and host go in trimmed, the password as typed. Returns the ID
// ("CmdEMailSave_Click").
int SaveAccount(int id, const QString& address, const QString& password, const QString& host, int port,
                bool ssl);

// Every client of the suite, individuals and others, by client code ("FillVelmarClients").
std::vector<AliasClient> ReadSuiteClients();

}  // namespace kestrel::mail
