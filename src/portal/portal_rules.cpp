#include "portal/portal_rules.h"

#include "register/edit_rules.h"
#include "store/base_component.h"
#include "support/json.h"

namespace kestrel {

namespace {

QString Field(const JsonValue& profile, const char16_t* key) {
  return profile.value(QStringView(key)).toText();
}

bool HasRelation(const QString& contact, const QString& relation) {
  return !contact.isEmpty() && LeadingNumber(relation) > 0;
}

}  // namespace

QString RelationOrBlank(const QString& code) {
  return LeadingNumber(code) > 0 ? code : QString();
}

ProfileReading ReadProfile(const QString& profileText, QStringView pan) {
  ProfileReading reading;
  if (profileText.isEmpty()) {
    reading.failure = QString::fromLatin1(outcome::ProfileFailed);
    return reading;
  }
  // The reader yields an object or an array, or nothing when the text starts with neither;
  // an array is a document too, it simply has none of the keys.
  const JsonValue profile = ParseJson(profileText);
  if (!profile.isMap() && !profile.isList()) {
    reading.failure = QString::fromLatin1(outcome::UnknownResponse);
    return reading;
  }

  QString name = Field(profile, u"firstName");
  for (const char16_t* key : {u"midName", u"lastName"}) {
    const QString part = Field(profile, key);
    if (!name.isEmpty() && !part.isEmpty())
      name += QLatin1Char(' ');
    name += part;
  }
  reading.hasName = true;
  reading.name = name.trimmed();

  QString nonResident;
  if (pan.mid(3, 1) != u"H") {
    const QString status = Field(profile, u"residentialStatusCd");
    if (status == u"RES")
      nonResident = QStringLiteral("No");
    else if (status == u"NRI")
      nonResident = QStringLiteral("Yes");
  }

  const QString priMobile = Field(profile, u"priMobileNum");
  const QString priEmail = Field(profile, u"priEmailId");
  const QString secMobile = Field(profile, u"secMobileNum");
  const QString secEmail = Field(profile, u"secEmailId");
  if (priMobile.isEmpty() && priEmail.isEmpty() && secMobile.isEmpty() && secEmail.isEmpty()) {
    reading.failure = QString::fromLatin1(outcome::UnknownResponse);
    return reading;
  }

  reading.hasContacts = true;
  ContactGroup& g = reading.login;
  g[col::NonResident] = nonResident;
  g[col::Isd] = nonResident == u"Yes" ? Field(profile, u"countryCd") : QString();
  g[col::Mobile1] = priMobile;
  // Relations are shown in the suite's numbering, so that the register's lists name them
  // rightly and a copy into "To be Changed" is submitted as the portal sent it.
  const auto relation = [&](const char16_t* key) {
    return SuiteRelationCode(RelationOrBlank(Field(profile, key)));
  };
  g[col::Mobile1Rel] = relation(u"priMobBelongsTo");
  g[col::EMail1] = priEmail;
  g[col::EMail1Rel] = relation(u"priEmailRelationId");
  g[col::Mobile2] = secMobile;
  g[col::Mobile2Rel] = relation(u"secMobRelationId");
  g[col::EMail2] = secEmail;
  g[col::EMail2Rel] = relation(u"secEmailRelationId");
  return reading;
}

namespace {

// The module numbers relations as the suite does; the portal has its own numbering. Self is 1
// in both.
constexpr struct {
  int module;
  int portal;
} RelationNumbering[] = {{2, 20}, {3, 7}, {4, 8}, {5, 2}, {6, 21}, {7, 22}, {10, 24}, {11, 25}, {12, 26}};

}  // namespace

QString PortalRelationCode(const QString& code) {
  const double value = LeadingNumber(code);
  for (const auto& entry : RelationNumbering) {
    if (value == entry.module)
      return QString::number(entry.portal);
  }
  return code;
}

QString SuiteRelationCode(const QString& portalCode) {
  const double value = LeadingNumber(portalCode);
  for (const auto& entry : RelationNumbering) {
    if (value == entry.portal)
      return QString::number(entry.module);
  }
  return portalCode;
}

ContactUpdateValues BuildContactUpdate(const ContactGroup& change) {
  const auto relation = [&](int contact, int rel, const char* none) {
    return HasRelation(change[size_t(contact)], change[size_t(rel)]) ? change[size_t(rel)]
                                                                     : QString::fromLatin1(none);
  };
  ContactUpdateValues v = {
      change[col::NonResident] == u"Yes" ? change[col::Isd] : QStringLiteral("91"),
      change[col::Mobile1],
      relation(col::Mobile1, col::Mobile1Rel, "-1"),
      change[col::EMail1],
      relation(col::EMail1, col::EMail1Rel, "-1"),
      change[col::Mobile2],
      relation(col::Mobile2, col::Mobile2Rel, ""),
      change[col::EMail2],
      relation(col::EMail2, col::EMail2Rel, ""),
  };
  for (size_t i : {2u, 4u, 6u, 8u}) v[i] = PortalRelationCode(v[i]);
  return v;
}

QString SecondaryDetailsText(const ContactGroup& change) {
  const auto relation = [&](int contact, int rel) {
    return HasRelation(change[size_t(contact)], change[size_t(rel)]) ? change[size_t(rel)] : QString();
  };
  const QString& nonResident = change[col::NonResident];
  QString residency;
  if (nonResident == u"No")
    residency = QStringLiteral("R");
  else if (nonResident == u"Yes")
    residency = QStringLiteral("NR");

  const QStringList fields = {
      QString(),
      QString(),
      QString(),
      QString(),
      residency,
      relation(col::Mobile1, col::Mobile1Rel),
      relation(col::EMail1, col::EMail1Rel),
      relation(col::Mobile2, col::Mobile2Rel),
      relation(col::EMail2, col::EMail2Rel),
      nonResident == u"Yes" ? change[col::Isd] : QString(),
  };
  QString text = fields.join(QLatin1Char('|'));
  // Nothing but separators carries nothing worth storing.
  if (text.count(QLatin1Char('|')) == text.size())
    text.clear();
  return text;
}

bool HasContactToWrite(const ContactGroup& change) {
  for (int c : {col::Mobile1, col::EMail1, col::Mobile2, col::EMail2})
    if (!change[size_t(c)].trimmed().isEmpty())
      return true;
  return false;
}

RegistrationValues RegistrationValuesOf(const ContactGroup& software, const QString& secDet) {
  RegistrationValues values{software[col::EMail1], software[col::Mobile1], software[col::EMail2],
                            software[col::Mobile2]};
  if (!secDet.isEmpty())
    values.secondaryDetails += QLatin1Char('|') + secDet;
  return values;
}

QString RegistrationUpdateSql(const BaseComponent& base, const QString& partyCode,
                              const RegistrationValues& values) {
  const auto q = [&](const QString& value) { return base.TruncVarSQL(value); };
  return QStringLiteral("UPDATE OnlineRegInfo SET EmailID='") + q(values.eMail) +
         QStringLiteral("', MobNo='") + q(values.mobile) + QStringLiteral("',EmailId1='") +
         q(values.secondaryDetails) + QStringLiteral("', MobNo1='") + q(values.secondaryMobile) +
         QStringLiteral("' WHERE Code_No='") + q(partyCode) + QStringLiteral("'");
}

}  // namespace kestrel
