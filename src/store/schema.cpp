#include "store/schema.h"

namespace kestrel {

const QStringList& ModuleTableStatements() {
  static const QStringList statements = {
      QStringLiteral("CREATE TABLE IF NOT EXISTS ITRDet_Temp(Email_Mob varchar(200), Code_No varchar(50), "
                     "PartyName varchar(250))"),
      QStringLiteral("CREATE TABLE IF NOT EXISTS TblITR_PINS (s_eMail varchar(250),s_Name varchar(250), "
                     "s_PIN varchar(10))"),
      QStringLiteral("CREATE TABLE IF NOT EXISTS TblITR_SecMail(s_eMail varchar(250))"),
      QStringLiteral("CREATE TABLE IF NOT EXISTS TblITR_SecMob(s_Mobile varchar(250))"),
      QStringLiteral("CREATE TABLE IF NOT EXISTS TblITR_PriMail(s_eMail varchar(250))"),
      QStringLiteral("CREATE TABLE IF NOT EXISTS TblITR_PriMob(s_Mobile varchar(250))"),
      QStringLiteral("CREATE TABLE IF NOT EXISTS WebMailDomain(DomainID int(11), sUrl varchar(250), "
                     "sDomain varchar(250), sSMTP varchar(250))"),
      QStringLiteral("CREATE TABLE IF NOT EXISTS WebMailUser(DomainID int(11), UserID int(11), "
                     "sUserNm varchar(100), sPassword varchar(100))"),
      QStringLiteral("CREATE TABLE IF NOT EXISTS WebMailFwder(DomainID int(11), CodeNo varchar(100), "
                     "sAlias varchar(100), nForwardto int(11))"),
      QStringLiteral("CREATE TABLE IF NOT EXISTS WebEMailAc (ID int(11), EmailID varchar(250), "
                     "sPassword varchar(50), sSmtp varchar(250), lPort int(11), nSsl tinyint(1))"),
  };
  return statements;
}

const QStringList& ModuleTableNames() {
  static const QStringList names = [] {
    QStringList list;
    for (const QString& statement : ModuleTableStatements()) {
      const QString rest = statement.mid(QStringLiteral("CREATE TABLE IF NOT EXISTS ").size());
      list << rest.left(rest.indexOf(QLatin1Char('('))).trimmed();
    }
    return list;
  }();
  return names;
}

const QStringList& ScratchTableStatements() {
  static const QStringList statements{ModuleTableStatements().first()};
  return statements;
}

}  // namespace kestrel
