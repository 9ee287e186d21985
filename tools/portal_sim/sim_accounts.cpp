#include "sim_accounts.h"

#include "platform/base/sql_store.h"
#include "platform/base/velbase.h"
#include "register/client_rows.h"
#include "register/register_layout.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>
#include <QSqlRecord>

#include <array>
#include <stdexcept>

namespace kestrel::sim {

namespace {

struct NamedScenario {
  Scenario scenario;
  const char* name;
};

constexpr std::array<NamedScenario, 18> Names = {{
    {Scenario::Success, "success"},
    {Scenario::WrongPassword, "wrong-password"},
    {Scenario::UnknownUser, "unknown-user"},
    {Scenario::Unverified, "unverified"},
    {Scenario::PinPending, "pin-pending"},
    {Scenario::ContactValidated, "contact-validated"},
    {Scenario::SessionOpen, "session-open"},
    {Scenario::EmptyProfile, "empty-profile"},
    {Scenario::Garbage, "garbage"},
    {Scenario::ServerError, "http-500"},
    {Scenario::Slow, "slow"},
    {Scenario::VerificationRefused, "verification-refused"},
    {Scenario::Busy, "busy"},
    {Scenario::MalformedProfile, "malformed-profile"},
    {Scenario::TruncatedProfile, "truncated-profile"},
    {Scenario::HtmlProfile, "html-profile"},
    {Scenario::ProfileError, "profile-error"},
    {Scenario::PermissionDenied, "permission-denied"},
}};

// The order of the failing scenarios in the PAN rule.
constexpr std::array<Scenario, 17> PanRule = {Scenario::UnknownUser,         Scenario::WrongPassword,
                                              Scenario::Unverified,          Scenario::PinPending,
                                              Scenario::ContactValidated,    Scenario::SessionOpen,
                                              Scenario::EmptyProfile,        Scenario::Garbage,
                                              Scenario::ServerError,         Scenario::Slow,
                                              Scenario::VerificationRefused, Scenario::Busy,
                                              Scenario::MalformedProfile,    Scenario::TruncatedProfile,
                                              Scenario::HtmlProfile,         Scenario::ProfileError,
                                              Scenario::PermissionDenied};

// The portal's relation codes for the module's.
QString portalRelation(const QString& moduleCode) {
  bool ok = false;
  const int code = moduleCode.trimmed().toInt(&ok);
  if (!ok || code <= 0)
    return {};
  switch (code) {
    case 2:
      return QStringLiteral("20");
    case 3:
      return QStringLiteral("7");
    case 4:
      return QStringLiteral("8");
    case 5:
      return QStringLiteral("2");
    case 6:
      return QStringLiteral("21");
    case 7:
      return QStringLiteral("22");
    case 10:
      return QStringLiteral("24");
    case 11:
      return QStringLiteral("25");
    case 12:
      return QStringLiteral("26");
    default:
      return QString::number(code);
  }
}

QString field(const QSqlQuery& q, const QSqlRecord& rec, const char* name) {
  const int i = rec.indexOf(QLatin1String(name));
  return i < 0 ? QString() : q.value(i).toString();
}

}  // namespace

QString ScenarioName(Scenario scenario) {
  for (const auto& n : Names) {
    if (n.scenario == scenario)
      return QString::fromLatin1(n.name);
  }
  return {};
}

bool ScenarioFromName(const QString& name, Scenario* scenario) {
  for (const auto& n : Names) {
    if (name.trimmed().compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0) {
      *scenario = n.scenario;
      return true;
    }
  }
  return false;
}

QStringList ScenarioNames() {
  QStringList list;
  for (const auto& n : Names) list << QString::fromLatin1(n.name);
  return list;
}

Scenario ScenarioForPan(const QString& pan) {
  const QString digits = pan.mid(5, 4);
  bool ok = digits.size() == 4;
  for (QChar c : digits) ok = ok && c.isDigit() && c.unicode() < 128;
  if (!ok)
    return Scenario::Success;
  const int n = digits.toInt() % 100;
  return n < int(PanRule.size()) ? PanRule[size_t(n)] : Scenario::Success;
}

QJsonObject MakeProfile(const QString& first, const QString& middle, const QString& last, bool nonResident,
                        const QString& isd, const QStringList& contacts) {
  auto at = [&](int i) { return i < contacts.size() ? contacts[i].trimmed() : QString(); };
  return QJsonObject{
      {QStringLiteral("firstName"), first.trimmed()},
      {QStringLiteral("midName"), middle.trimmed()},
      {QStringLiteral("lastName"), last.trimmed()},
      {QStringLiteral("residentialStatusCd"), nonResident ? QStringLiteral("NRI") : QStringLiteral("RES")},
      {QStringLiteral("countryCd"),
       nonResident && !isd.trimmed().isEmpty() ? isd.trimmed() : QStringLiteral("91")},
      {QStringLiteral("priMobileNum"), at(0)},
      {QStringLiteral("priMobBelongsTo"), at(0).isEmpty() ? QString() : portalRelation(at(1))},
      {QStringLiteral("priEmailId"), at(2)},
      {QStringLiteral("priEmailRelationId"), at(2).isEmpty() ? QString() : portalRelation(at(3))},
      {QStringLiteral("secMobileNum"), at(4)},
      {QStringLiteral("secMobRelationId"), at(4).isEmpty() ? QString() : portalRelation(at(5))},
      {QStringLiteral("secEmailId"), at(6)},
      {QStringLiteral("secEmailRelationId"), at(6).isEmpty() ? QString() : portalRelation(at(7))},
  };
}

Accounts LoadFixture(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw std::runtime_error(
        QStringLiteral("cannot read %1: %2").arg(path, file.errorString()).toStdString());
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
  if (error.error != QJsonParseError::NoError)
    throw std::runtime_error(
        QStringLiteral("%1: %2 at offset %3").arg(path, error.errorString()).arg(error.offset).toStdString());
  const QJsonArray list =
      doc.isArray() ? doc.array() : doc.object().value(QStringLiteral("accounts")).toArray();
  Accounts accounts;
  for (const QJsonValue& item : list) {
    const QJsonObject o = item.toObject();
    Account a;
    a.pan = o.value(QStringLiteral("pan")).toString().trimmed().toUpper();
    a.password = o.value(QStringLiteral("password")).toString();
    if (a.pan.isEmpty())
      throw std::runtime_error(QStringLiteral("%1: an account without \"pan\"").arg(path).toStdString());
    const QString scenario = o.value(QStringLiteral("scenario")).toString();
    if (scenario.isEmpty())
      a.scenario = ScenarioForPan(a.pan);
    else if (!ScenarioFromName(scenario, &a.scenario))
      throw std::runtime_error(QStringLiteral("%1: unknown scenario \"%2\" (known: %3)")
                                   .arg(path, scenario, ScenarioNames().join(QStringLiteral(", ")))
                                   .toStdString());
    // Missing profile keys read as "" like on the portal.
    a.profile = MakeProfile({}, {}, {}, false, {}, {});
    const QJsonObject given = o.value(QStringLiteral("profile")).toObject();
    for (auto it = given.begin(); it != given.end(); ++it) a.profile.insert(it.key(), it.value());
    accounts.insert(a.pan, a);
  }
  return accounts;
}

Accounts LoadStoreAccounts(const QString& connection) {
  SqlStore store(connection, QStringLiteral("kestrel-portal-sim"));
  CommonValues common;
  {
    QSqlQuery q = store.select(CommonRowStatement());
    if (q.next()) {
      const QSqlRecord rec = q.record();
      common = {field(q, rec, "MobNo"),    field(q, rec, "MobNo1"), field(q, rec, "EmailID"),
                field(q, rec, "EmailId1"), field(q, rec, "TelNo"),  field(q, rec, "LoginPwd")};
    }
  }
  Accounts accounts;
  QSqlQuery q = store.select(ClientListStatement());
  const auto phone4Mobile = [](const QString& text) { return VelBase::FindMobileNumber(text); };
  while (q.next()) {
    const QSqlRecord rec = q.record();
    ClientRecord r;
    r.CodeNo = field(q, rec, "CodeNo");
    r.F_Nm = field(q, rec, "f_Nm");
    r.M_Nm = field(q, rec, "m_Nm");
    r.L_Nm = field(q, rec, "l_nm");
    r.Dob = field(q, rec, "Dob");
    r.Pan = field(q, rec, "Pan");
    r.GMob = field(q, rec, "GMob");
    r.GMob2 = field(q, rec, "GMob2");
    r.GMail = field(q, rec, "GMail");
    r.LoginPwd = field(q, rec, "LoginPwd");
    r.TelNo = field(q, rec, "TelNo");
    r.MobNo = field(q, rec, "MobNo");
    r.MobNo1 = field(q, rec, "MobNo1");
    r.EmailID = field(q, rec, "EmailID");
    r.EmailId1 = field(q, rec, "EmailId1");
    const RegisterCells cells = FillRegisterRow(r, common, phone4Mobile);

    Account a;
    a.pan = cells[col::Pan].trimmed().toUpper();
    if (a.pan.isEmpty())
      continue;
    a.password = cells[col::Password];
    a.scenario = ScenarioForPan(a.pan);
    QStringList contacts;
    for (int offset = col::Mobile1; offset <= col::EMail2Rel; ++offset)
      contacts << cells[col::Software + offset];
    // A client sharing the firm's secondary e-mail shows the common row's whole secondary-details
    // text in the register; the portal holds only the address at its front.
    contacts[col::EMail2 - col::Mobile1] =
        contacts[col::EMail2 - col::Mobile1].section(QLatin1Char('|'), 0, 0);
    a.profile = MakeProfile(cells[col::FirstName], cells[col::MiddleName], cells[col::LastName],
                            cells[col::Software + col::NonResident] == QLatin1String("Yes"),
                            cells[col::Software + col::Isd], contacts);
    accounts.insert(a.pan, a);
  }
  return accounts;
}

}  // namespace kestrel::sim
