#include "register/client_rows.h"

#include "register/register_layout.h"

namespace kestrel {

namespace {
bool is(const QString& value, const char* mark) {
  return value == QLatin1String(mark);
}
}  // namespace

QString CommonRowStatement() {
  return QStringLiteral("SELECT * FROM OnlineRegInfo WHERE AsYr=0 AND Code_No='#?#COMMON#?#'");
}

QString ClientListStatement() {
  return QStringLiteral(
             "SELECT R.*, O.Code as CodeNo, O.f_Nm, O.m_Nm, O.l_nm, O.Dob, O.Pan, O.Mobile as GMob, "
             "O.Mobile as GMob2, O.Email as GMail ") +
         QStringLiteral(
             " FROM Owner1 as O INNER JOIN OnLineRegInfo as R ON R.Code_No = O.Code AND R.AsYr=0") +
         QStringLiteral(" UNION ALL") +
         QStringLiteral(
             " SELECT R.*, M.Code_No as CodeNo, '' as f_Nm, '' as m_Nm, M.nm as l_nm, M.DOI as dob, M.Pan, "
             "'NOPH' as GMob, M.Phone4 as GMob2, M.Email as GMail ") +
         QStringLiteral(
             " FROM Main_Info1 as M INNER JOIN OnLineRegInfo as R ON R.Code_No = M.Code_No AND R.AsYr=0") +
         QStringLiteral(" ORDER BY CodeNo");
}

QString PaddedElement(const QString& text, int element) {
  // The stored text is padded with separators before it is split, which only guarantees
  // that the element exists: an element beyond the stored ones is empty.
  qsizetype start = 0;
  for (int i = 0; i < element; ++i) {
    const qsizetype bar = text.indexOf(QLatin1Char('|'), start);
    if (bar < 0) {
      return {};  // the element lies in the padding, which is empty
    }
    start = bar + 1;
  }
  const qsizetype end = text.indexOf(QLatin1Char('|'), start);
  return text.mid(start, end < 0 ? -1 : end - start);
}

QString PartyName(const QString& first, const QString& middle, const QString& last) {
  QString name = (first + QLatin1Char(' ') + middle + QLatin1Char(' ') + last).trimmed();
  name.replace(QStringLiteral("  "), QStringLiteral(" "));
  return name;
}

RegisterCells FillRegisterRow(const ClientRecord& rec, const CommonValues& common,
                              const std::function<QString(const QString&)>& phone4Mobile) {
  RegisterCells c;
  c[col::PartyCode] = rec.CodeNo;
  c[col::FirstName] = rec.F_Nm;
  c[col::MiddleName] = rec.M_Nm;
  c[col::LastName] = rec.L_Nm;
  c[col::PartyName] = PartyName(rec.F_Nm, rec.M_Nm, rec.L_Nm);
  c[col::Pan] = rec.Pan;
  c[col::Dob] = rec.Dob;

  if (is(rec.LoginPwd, marker::Common))
    c[col::Password] = common.LoginPwd;
  else if (is(rec.LoginPwd, marker::Pan))
    c[col::Password] = rec.Pan;
  else
    c[col::Password] = rec.LoginPwd;

  c[col::Phone] = is(rec.TelNo, marker::TelNo) ? common.TelNo : rec.TelNo;
  c[col::PartyMobile] = rec.GMob == QLatin1String("NOPH") ? phone4Mobile(rec.GMob2) : rec.GMob;
  c[col::PartyEMail] = rec.GMail;

  const QString& sec = rec.EmailId1;
  const qsizetype bar = sec.indexOf(QLatin1Char('|'));
  if (bar >= 0)
    c[col::SecDet] = sec.mid(bar + 1);

  const QString residency = PaddedElement(sec, 5);
  if (residency == QLatin1String("R"))
    c[col::Software + col::NonResident] = QStringLiteral("No");
  else if (residency == QLatin1String("NR"))
    c[col::Software + col::NonResident] = QStringLiteral("Yes");
  c[col::Software + col::Isd] = PaddedElement(sec, 10);

  auto contact = [&](const QString& stored, const char* ownMarker, const QString& own,
                     const QString& shared) {
    const QString test = stored.trimmed();
    if (test == QLatin1String(ownMarker))
      return own;
    if (test == QLatin1String(marker::Common))
      return shared;
    return stored;
  };
  c[col::Software + col::Mobile1] = contact(rec.MobNo, marker::MobNo, c[col::PartyMobile], common.MobNo);
  c[col::Software + col::Mobile1Rel] = PaddedElement(sec, 6);
  c[col::Software + col::EMail1] = contact(rec.EmailID, marker::EmailId, c[col::PartyEMail], common.EmailID);
  c[col::Software + col::EMail1Rel] = PaddedElement(sec, 7);
  c[col::Software + col::Mobile2] = contact(rec.MobNo1, marker::MobNo, c[col::PartyMobile], common.MobNo1);
  c[col::Software + col::Mobile2Rel] = PaddedElement(sec, 8);

  const QString secMail = PaddedElement(sec, 0);
  if (is(secMail, marker::Common))
    c[col::Software + col::EMail2] = common.EmailId1;
  else if (is(secMail, marker::EmailId))
    c[col::Software + col::EMail2] = c[col::PartyEMail];
  else
    c[col::Software + col::EMail2] = secMail;
  c[col::Software + col::EMail2Rel] = PaddedElement(sec, 9);
  return c;
}

}  // namespace kestrel
