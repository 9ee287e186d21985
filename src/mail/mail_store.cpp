#include "mail/mail_store.h"

#include "entry/error_log.h"
#include "entry/mod_it_main.h"
#include "mail/mail_ids.h"
#include "register/client_rows.h"
#include "register/edit_rules.h"

namespace kestrel::mail {

namespace {

// A text value between single quotes, made safe for the store.
QString quoted(const QString& text) {
  return QLatin1Char('\'') + Base().TruncVarSQL(text) + QLatin1Char('\'');
}

QString number(int value) {
  return QString::number(value);
}

// Opens a read; false when it failed (logged).
bool open(ErrorTrap& trap, std::unique_ptr<Recordset>& rs, const QString& sql) {
  return trap(
      [&] { Base().RecordsetQuery(rs, sql, Base().DBObj(), ado::adOpenForwardOnly, ado::adLockReadOnly); });
}

void close(ErrorTrap& trap, std::unique_ptr<Recordset>& rs) {
  trap([&] {
    if (rs && rs->isOpen())
      rs->Close();
  });
}

int wholeNumber(const QString& text) {
  return int(LeadingNumber(text));
}

}  // namespace

std::optional<StoredDomain> ReadLatestDomain() {
  ErrorTrap trap(MailWindowName, u"FillDomain");
  std::unique_ptr<Recordset> rs;
  std::optional<StoredDomain> latest;
  if (open(trap, rs, QStringLiteral("SELECT * FROM WebMailDomain Order by DomainID Desc Limit 1")))
    trap([&] {
      if (!rs->Eof())
        latest = StoredDomain{rs->Text(u"sUrl"), rs->Text(u"sDomain")};
    });
  close(trap, rs);
  return latest;
}

int FindDomainID(const QString& host, const QString& domain) {
  ErrorTrap trap(MailWindowName, u"GetDomainID");
  std::unique_ptr<Recordset> rs;
  int id = 0;
  if (open(trap, rs,
           QStringLiteral("SELECT DomainID FROM WebMailDomain WHERE sUrl=") + quoted(host.trimmed()) +
               QStringLiteral(" AND sDomain=") + quoted(domain.trimmed())))
    trap([&] {
      if (!rs->Eof())
        id = wholeNumber(rs->Text(u"DomainID"));
    });
  close(trap, rs);
  return id;
}

int CreateDomain(const QString& host, const QString& domain) {
  ErrorTrap trap(MailWindowName, u"GetDomainID");
  const int id = TakeIdentifier(Base(), u"WebMailDomain", u"DomainID", u"GetDomainID");
  trap([&] {
    Base().ConQuery(QStringLiteral("INSERT INTO WebMailDomain(DomainID, sUrl, sDomain)VALUES(") + number(id) +
                    QLatin1Char(',') + quoted(host.trimmed()) + QLatin1Char(',') + quoted(domain.trimmed()) +
                    QLatin1Char(')'));
  });
  return id;
}

std::vector<MailUser> ReadUsers(int domainId) {
  ErrorTrap trap(MailWindowName, u"Fillusers");
  std::unique_ptr<Recordset> rs;
  std::vector<MailUser> users;
  if (open(trap, rs, QStringLiteral("SELECT * FROM WebMailUser WHERE DomainID=") + number(domainId)))
    trap([&] {
      for (; !rs->Eof(); rs->MoveNext())
        users.push_back({wholeNumber(rs->Text(u"UserID")), rs->Text(u"sUserNm"), rs->Text(u"sPassword")});
    });
  close(trap, rs);
  return users;
}

int InsertUser(int domainId, const QString& name, const QString& password) {
  ErrorTrap trap(MailWindowName, u"CmdOKUser_Click");
  const int id = TakeIdentifier(Base(), u"WebMailUser", u"UserID", u"CmdOKUser_Click");
  trap([&] {
    Base().ConQuery(QStringLiteral("INSERT INTO WebMailUser(DomainID, UserID, sUserNm, sPassword )VALUES(") +
                    number(domainId) + QLatin1Char(',') + number(id) + QLatin1Char(',') +
                    quoted(name.trimmed()) + QLatin1Char(',') + quoted(password.trimmed()) +
                    QLatin1Char(')'));
  });
  return id;
}

void UpdateUserPassword(int userId, int domainId, const QString& name, const QString& domain,
                        const QString& password) {
  ErrorTrap trap(MailWindowName, u"CmdOKUser_Click");
  const QString stored = quoted(password.trimmed());
  trap([&] {
    Base().ConQuery(QStringLiteral("Update WebMailUser SET sPassword =") + stored +
                    QStringLiteral(" WHERE UserID=") + number(userId) + QStringLiteral(" AND DomainID=") +
                    number(domainId));
  });
  trap([&] {
    Base().ConQuery(QStringLiteral("Update WebEMailAc  SET sPassword=") + stored +
                    QStringLiteral(" WHERE EmailID =") + quoted(name.trimmed() + QLatin1Char('@') + domain));
  });
}

bool UserHasAliases(int userId, int domainId) {
  ErrorTrap trap(MailWindowName, u"Command3_Click");
  std::unique_ptr<Recordset> rs;
  bool found = false;
  if (open(trap, rs,
           QStringLiteral("SELECT * FROM WebMailFwder WHERE nForwardto=") + number(userId) +
               QStringLiteral(" AND DomainID =") + number(domainId)))
    trap([&] { found = !rs->Eof(); });
  close(trap, rs);
  return found;
}

void DeleteUser(int userId, int domainId) {
  ErrorTrap trap(MailWindowName, u"Command3_Click");
  trap([&] {
    Base().ConQuery(QStringLiteral("DELETE FROM WebMailuser WHERE userid=") + number(userId) +
                    QStringLiteral(" AND DomainID =") + number(domainId));
  });
}

std::vector<AliasRecord> ReadAliases(int domainId) {
  ErrorTrap trap(MailWindowName, u"FillForwarders");
  std::unique_ptr<Recordset> rs;
  std::vector<AliasRecord> aliases;
  if (open(trap, rs, QStringLiteral("SELECT * FROM WebMailFwder WHERE DomainID =") + number(domainId)))
    trap([&] {
      for (; !rs->Eof(); rs->MoveNext())
        aliases.push_back({rs->Text(u"CodeNo"), rs->Text(u"sAlias"), wholeNumber(rs->Text(u"nForwardTo"))});
    });
  close(trap, rs);
  return aliases;
}

void RecordAlias(int domainId, const QString& code, const QString& alias, int userId) {
  ErrorTrap trap(MailWindowName, u"SetForwarders");
  const QString client = quoted(code.trimmed());
  trap([&] {
    Base().ConQuery(QStringLiteral("DELETE FROM WebMailFwder WHERE DomainID =") + number(domainId) +
                    QStringLiteral(" AND CodeNo=") + client);
  });
  trap([&] {
    Base().ConQuery(QStringLiteral("INSERT INTO WebMailFwder(DomainID, CodeNo, sAlias, nForwardTo)VALUES(") +
                    number(domainId) + QLatin1Char(',') + client + QLatin1Char(',') +
                    quoted(alias.trimmed()) + QLatin1Char(',') + number(userId) + QLatin1Char(')'));
  });
}

std::vector<StoredAccount> ReadAccounts() {
  ErrorTrap trap(MailWindowName, u"FillEmailAc");
  std::unique_ptr<Recordset> rs;
  std::vector<StoredAccount> accounts;
  if (open(trap, rs, QStringLiteral("SELECT * FROM WebEMailAc ORDER BY EmailID")))
    trap([&] {
      for (; !rs->Eof(); rs->MoveNext())
        accounts.push_back({rs->Text(u"ID"), rs->Text(u"EmailID"), rs->Text(u"sPassword"), rs->Text(u"sSmtp"),
                            rs->Text(u"lPort"), rs->Text(u"nSSL")});
    });
  close(trap, rs);
  return accounts;
}

bool AccountAddressTaken(const QString& address, int id) {
  ErrorTrap trap(MailWindowName, u"CmdEMailSave_Click");
  std::unique_ptr<Recordset> rs;
  bool taken = false;
  if (open(trap, rs,
           QStringLiteral("SELECT * FROM WebEMailAc WHERE EMailID =") + quoted(address.trimmed()) +
               QStringLiteral(" AND ID <>") + number(id)))
    trap([&] { taken = !rs->Eof(); });
  close(trap, rs);
  return taken;
}

int SaveAccount(int id, const QString& address, const QString& password, const QString& host, int port,
                bool ssl) {
  ErrorTrap trap(MailWindowName, u"CmdEMailSave_Click");
  if (id >= 1)
    trap([&] { Base().ConQuery(QStringLiteral("DELETE FROM WebEMailAc WHERE ID =") + number(id)); });
  else
    id = TakeIdentifier(Base(), u"WebEMailAc", u"ID", u"CmdEMailSave_Click");
  trap([&] {
    Base().ConQuery(
        QStringLiteral("INSERT INTO WebEMailAc(ID, EmailID, sPassword, sSmtp, lPort, nSSL) VALUES(") +
        number(id) + QLatin1Char(',') + quoted(address.trimmed()) + QLatin1Char(',') + quoted(password) +
        QLatin1Char(',') + quoted(host.trimmed()) + QLatin1Char(',') + number(port) + QLatin1Char(',') +
        number(ssl ? 1 : 0) + QLatin1Char(')'));
  });
  return id;
}

std::vector<AliasClient> ReadSuiteClients() {
  ErrorTrap trap(MailWindowName, u"FillVelmarClients");
  std::unique_ptr<Recordset> rs;
  std::vector<AliasClient> clients;
  const QString sql = QStringLiteral(
      "SELECT O.Code as CodeNo, O.f_Nm, O.m_Nm, O.l_nm, O.Dob, O.Pan, O.Mobile as GMob, O.Mobile as GMob2, "
      "O.Email as GMail  FROM Owner1 as O  UNION ALL SELECT M.Code_No as CodeNo, '' as f_Nm, '' as m_Nm, "
      "M.nm as l_nm, M.DOI as dob, M.Pan, 'NOPH' as GMob, M.Phone4 as GMob2, M.Email as GMail  FROM "
      "Main_Info1 as M ORDER BY CodeNo");
  if (open(trap, rs, sql))
    trap([&] {
      for (; !rs->Eof(); rs->MoveNext()) {
        AliasClient c{rs->Text(u"CodeNo"), PartyName(rs->Text(u"F_Nm"), rs->Text(u"M_Nm"), rs->Text(u"L_Nm")),
                      rs->Text(u"Pan"), rs->Text(u"DOB"), rs->Text(u"GMob")};
        // A client of Main_Info1 keeps its mobile inside the Phone4 text.
        if (c.mobile == QLatin1String("NOPH"))
          c.mobile = Base().GetPhone4MobNo(rs->Text(u"GMob2"), QStringLiteral("M"));
        clients.push_back(std::move(c));
      }
    });
  close(trap, rs);
  return clients;
}

}  // namespace kestrel::mail
