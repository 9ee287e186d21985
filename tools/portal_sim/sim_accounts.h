#pragma once

#include <QHash>
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace kestrel::sim {

// How the simulated portal treats one account.
enum class Scenario {
  Success,              // logs in, profile, contact updates with PINs
  WrongPassword,        // EF00027 whatever password is sent
  UnknownUser,          // EF00035 at the first login step
  Unverified,           // login answers "contact details not verified"
  PinPending,           // login answers "PIN validation pending"
  ContactValidated,     // login answers "contact details validated"
  SessionOpen,          // EF00177 first; logs in after "Continue"
  EmptyProfile,         // profile without any contact details
  Garbage,              // the login answer is not JSON
  ServerError,          // HTTP 500 at the first login step
  Slow,                 // every answer delayed by the slow delay
  VerificationRefused,  // contact updates refused
  Busy,                 // EF500023 on the first two tries of each login
  MalformedProfile,     // the profile carries a stray comma (not strict JSON)
  TruncatedProfile,     // the profile is cut off after the primary contacts
  HtmlProfile,          // the profile page answers with an HTML page
  ProfileError,         // the profile page answers HTTP 503
  PermissionDenied,     // HTTP 403 "Permission Denied" at the first login step
};

// Names as used in fixture files and on the command line: "success", "wrong-password", ...
QString ScenarioName(Scenario scenario);
bool ScenarioFromName(const QString& name, Scenario* scenario);
QStringList ScenarioNames();

// The scenario of a store account, decided by its PAN so that runs repeat: the four digits
// of a PAN (positions 6 to 9) taken modulo 100 pick 00 UnknownUser, 01 WrongPassword,
// 02 Unverified, 03 PinPending, 04 ContactValidated, 05 SessionOpen, 06 EmptyProfile,
// 07 Garbage, 08 ServerError, 09 Slow, 10 VerificationRefused, 11 Busy, 12 MalformedProfile,
// 13 TruncatedProfile, 14 HtmlProfile, 15 ProfileError, 16 PermissionDenied, and Success for
// the other 83. A PAN without those digits is Success.
Scenario ScenarioForPan(const QString& pan);

struct Account {
  QString pan;  // upper case
  QString password;
  Scenario scenario = Scenario::Success;
  // The portal's profile answer: "firstName", ..., "secEmailRelationId".
  QJsonObject profile;
};

using Accounts = QHash<QString, Account>;  // by PAN

// A fixture file: {"accounts": [{"pan": ..., "password": ..., "scenario": "success",
// "profile": {...}}]} (or the array alone). Raises std::runtime_error with a readable text.
Accounts LoadFixture(const QString& path);

// The year-0 registration rows of a Velmar store, with the password markers resolved and the
// profile made from the registration details as the suite holds them. Clients without a PAN
// are left out. Raises RuntimeError for store failures.
Accounts LoadStoreAccounts(const QString& connection);

// A profile object with every key, from the module's contact group values (relation codes in
// the module's numbering are turned into the portal's).
QJsonObject MakeProfile(const QString& first, const QString& middle, const QString& last, bool nonResident,
                        const QString& isd, const QStringList& contacts);

}  // namespace kestrel::sim
