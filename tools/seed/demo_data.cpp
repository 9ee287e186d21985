#include "demo_data.h"

#include <QDate>

#include <array>
#include <span>

namespace kestrel::demo {

namespace {

QVariant nullable(const QString& text) {
  return text.isNull() ? QVariant() : QVariant(text);
}

// splitmix64: small, fast, and the same sequence on every platform and compiler (the
// standard distributions are not).
class Rng {
 public:
  explicit Rng(quint64 seed) : state_(seed) {}
  quint64 next() {
    quint64 z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  int below(int n) { return int(next() % quint64(n)); }
  bool percent(int p) { return below(100) < p; }
  template <class T, size_t N>
  const T& pick(const std::array<T, N>& items) {
    return items[size_t(below(int(N)))];
  }
  QString digits(int count) {
    QString text;
    for (int i = 0; i < count; ++i) text += QChar(u'0' + below(10));
    return text;
  }
  QChar letter() { return QChar(u'A' + below(26)); }

 private:
  quint64 state_;
};

// A choice among variants with weights. Its first uses take each variant in turn, so that
// every variant occurs early; later uses draw by weight.
class Choice {
 public:
  explicit Choice(std::initializer_list<int> weights) : weights_(weights) {
    for (int w : weights_) total_ += w;
  }
  // A draw that is not counted as a use is always by weight.
  int pick(Rng& rng, bool counted) {
    if (counted) {
      const int n = uses_++;
      if (n < int(weights_.size()))
        return n;
    }
    int r = rng.below(total_);
    for (size_t i = 0; i < weights_.size(); ++i) {
      if (r < weights_[i])
        return int(i);
      r -= weights_[i];
    }
    return 0;
  }

 private:
  std::vector<int> weights_;
  int total_ = 0;
  int uses_ = 0;
};

using Names = std::array<QStringView, 8>;

constexpr Names MaleFirst = {u"Ramesh", u"Suresh", u"Amit",   u"Rahul",
                             u"Vikram", u"Arjun",  u"Sanjay", u"Kiran"};
constexpr Names FemaleFirst = {u"Sunita", u"Priya", u"Anjali",  u"Kavita",
                               u"Neha",   u"Pooja", u"Lakshmi", u"Meera"};
constexpr Names Middle = {u"Kumar", u"Prakash", u"Devi", u"Mohan", u"Lal", u"Chand", u"Rani", u"Nath"};
constexpr Names Surnames = {u"Sharma", u"Patel", u"Iyer", u"Gupta", u"Reddy", u"Nair", u"Joshi", u"Mehta"};
constexpr Names HindiFirst = {u"राजेश", u"सुनीता", u"अमित", u"प्रिया", u"विकास", u"अनीता", u"मनोज", u"गीता"};
constexpr Names HindiMiddle = {u"कुमार", u"प्रसाद", u"देवी", u"लाल", u"", u"नाथ", u"", u"चन्द"};
constexpr Names HindiSurnames = {u"शर्मा", u"वर्मा", u"गुप्ता", u"सिंह", u"पटेल", u"यादव", u"मिश्रा", u"जैन"};
constexpr Names TamilFirst = {u"முருகன்", u"லட்சுமி", u"கார்த்திக்", u"மீனா",
                              u"சுரேஷ்",  u"கவிதா",  u"ராஜா",    u"பிரியா"};
constexpr Names TamilSurnames = {u"ராமசாமி", u"கிருஷ்ணன்", u"சுந்தரம்", u"வேலு",
                                 u"பாண்டியன்", u"செல்வம்",   u"அய்யர்",   u"நடராஜன்"};

constexpr std::array<QStringView, 6> FirmSuffixes = {u"Traders",     u"& Sons",   u"Associates",
                                                     u"Enterprises", u"Agencies", u"Textiles"};
constexpr std::array<QStringView, 4> CompanySuffixes = {u"Infotech Pvt Ltd", u"Industries Ltd",
                                                        u"Logistics Pvt Ltd", u"Foods Pvt Ltd"};
constexpr std::array<QStringView, 4> HindiFirms = {u"श्री गणेश ट्रेडर्स", u"लक्ष्मी एंटरप्राइजेज", u"भारत वस्त्र भंडार",
                                                   u"जय अम्बे एसोसिएट्स"};
constexpr std::array<QStringView, 3> TamilFirms = {u"முருகன் ஸ்டோர்ஸ்", u"லட்சுமி டெக்ஸ்டைல்ஸ்", u"சக்தி ஏஜென்சீஸ்"};

struct Place {
  QStringView city, state, pinPrefix, stdCode;
};
constexpr std::array<Place, 8> Places = {{{u"Mumbai", u"Maharashtra", u"400", u"022"},
                                          {u"Pune", u"Maharashtra", u"411", u"020"},
                                          {u"Delhi", u"Delhi", u"110", u"011"},
                                          {u"Chennai", u"Tamil Nadu", u"600", u"044"},
                                          {u"Coimbatore", u"Tamil Nadu", u"641", u"0422"},
                                          {u"Jaipur", u"Rajasthan", u"302", u"0141"},
                                          {u"Ahmedabad", u"Gujarat", u"380", u"079"},
                                          {u"Kochi", u"Kerala", u"682", u"0484"}}};
constexpr std::array<QStringView, 6> Streets = {u"M G Road",     u"Station Road", u"Gandhi Nagar",
                                                u"Nehru Street", u"Shivaji Marg", u"Anna Salai"};
constexpr std::array<QStringView, 4> Domains = {u"example.com", u"example.in", u"mail.example.net",
                                                u"example.org"};
constexpr std::array<QStringView, 6> ForeignIsd = {u"971", u"1", u"44", u"65", u"61", u"974"};

}  // namespace

struct DemoGenerator::State {
  explicit State(quint64 seed) : rng(seed ^ 0x4b657374726c2121ULL) {}

  Rng rng;
  int number = 0;
  // Registration rows of other years than 0 are not what the client loader reads, so their
  // choices do not use up the early variants.
  bool countUses = true;
  int pick(Choice& choice) { return choice.pick(rng, countUses); }

  Choice kind{75, 25};                 // individual, other
  Choice inBoth{3, 97};                // individual also in Main_Info1
  Choice script{84, 9, 7};             // Latin, Devanagari, Tamil
  Choice middle{55, 35, 10};           // a middle name, "", NULL
  Choice individualPan{90, 10};        // P, H
  Choice otherPan{35, 35, 15, 10, 5};  // C, F, T, H, P
  Choice ownerMobile{85, 10, 5};       // mobile, "", NULL
  Choice email{85, 15};                // address, ""
  Choice dated{95, 5};                 // date, NULL
  Choice phone4{25, 15, 10, 15, 15, 10, 10};
  Choice year0{92, 8};                               // year-0 row, other years only
  Choice extraYears{70, 20, 10};                     // none, 2024, 2024 and 2025
  Choice loginPwd{60, 20, 8, 7, 5};                  // password, PAN marker, COMMON, "", NULL
  Choice telNo{50, 10, 20, 20};                      // "", NULL, TELNO marker, landline
  Choice mobNo{35, 30, 3, 12, 15, 5};                // mobile, MOBNO, padded MOBNO, COMMON, "", NULL
  Choice mobNo1{25, 15, 10, 45, 5};                  // mobile, MOBNO, COMMON, "", NULL
  Choice emailId{35, 30, 12, 18, 5};                 // address, EMAILID, COMMON, "", NULL
  Choice details{8, 10, 22, 40, 20};                 // NULL, "", address only, 11 elements, truncated
  Choice element0{55, 10, 15, 20};                   // address, COMMON, EMAILID, ""
  Choice residency{80, 15, 5};                       // R, NR, neither
  Choice shortRelation{70, 8, 5, 4, 4, 5, 2, 1, 1};  // codes 1, 0, 2..7 (and 1 again)
  Choice longRelation{50, 6, 5, 3, 3, 6, 2, 1, 10, 6, 8};

  QString mobile() { return QChar(u'6' + rng.below(4)) + rng.digits(9); }
  QString date(int fromYear, int toYear) {
    const qint64 first = QDate(fromYear, 1, 1).toJulianDay();
    const qint64 last = QDate(toYear, 12, 31).toJulianDay();
    return QDate::fromJulianDay(first + rng.below(int(last - first + 1))).toString(Qt::ISODate);
  }
  QString pan(QChar type, QChar surnameInitial) {
    QString text;
    for (int i = 0; i < 3; ++i) text += rng.letter();
    text += type;
    text +=
        surnameInitial.isLetter() && surnameInitial.unicode() < 128 ? surnameInitial.toUpper() : rng.letter();
    QString digits = rng.digits(4);
    // The portal simulator answers "Permission Denied" for a PAN whose digits end in 16, which
    // stops a whole run; demo clients keep clear of it so that a demo fetch runs to its end.
    if (digits.endsWith(u"16"))
      digits[3] = u'7';
    text += digits;
    text += rng.letter();
    return text;
  }
  QString address() {
    return QString::number(1 + rng.below(300)) + QStringLiteral(", ") + rng.pick(Streets).toString();
  }
  QString pin(const Place& place) { return place.pinPrefix.toString() + rng.digits(3); }
  QString landline(const Place& place) {
    return place.stdCode.toString() + QLatin1Char('-') + QChar(u'2' + rng.below(6)) +
           rng.digits(place.stdCode.size() == 3 ? 7 : 6);
  }
  QString mail(QStringView local) {
    return local.toString().toLower() + QString::number(10 + rng.below(990)) + QLatin1Char('@') +
           rng.pick(Domains).toString();
  }

  // The Phone4 text of a Main_Info1 client: numbers as practitioners type them.
  QString phone4Text(const Place& place) {
    const QString m = mobile();
    switch (pick(phone4)) {
      case 0:
        return QStringLiteral("O:") + landline(place).mid(place.stdCode.size() + 1) + QStringLiteral(" M:") +
               m.left(5) + QLatin1Char(' ') + m.mid(5);
      case 1:
        return QStringLiteral("+91-") + m;
      case 2:
        return QLatin1Char('0') + m;
      case 3:
        return landline(place) + QStringLiteral(", ") + m;
      case 4:
        return QStringLiteral("R ") + landline(place);
      case 5:
        return QString();
      default:
        return m.left(5) + QLatin1Char('-') + m.mid(5) + QStringLiteral(" / ") + mobile();
    }
  }

  QString password(const QString& first, const QString& dob) {
    switch (rng.below(5)) {
      case 0:
        return (first.isEmpty() || first[0].unicode() > 127 ? QStringLiteral("Client") : first) +
               QLatin1Char('@') + (dob.isEmpty() ? QStringLiteral("1990") : dob.left(4));
      case 1:
        return QStringLiteral("Pwd#") + rng.digits(4);
      case 2:
        return QStringLiteral("It'r") + rng.digits(3) + QLatin1Char('!');
      case 3:
        return QStringLiteral("Tax\\") + rng.digits(4) + QStringLiteral("%x");
      default: {
        static constexpr QStringView chars = u"ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnpqrstuvwxyz23456789@#$";
        QString text;
        for (int i = 0; i < 10; ++i) text += chars[rng.below(int(chars.size()))];
        return text;
      }
    }
  }

  // Relations of the primary contacts (codes 0 to 7) and of the secondary ones (also 10 to 12).
  QString primaryRelation() {
    static constexpr std::array<int, 9> codes = {1, 0, 2, 3, 4, 5, 6, 7, 1};
    return QString::number(codes[size_t(pick(shortRelation))]);
  }
  QString secondaryRelation() {
    static constexpr std::array<int, 11> codes = {1, 0, 2, 3, 4, 5, 6, 7, 10, 11, 12};
    return QString::number(codes[size_t(pick(longRelation))]);
  }

  // EmailId1: the secondary e-mail, then "|"-separated elements 1 to 10 (1 to 4 unused,
  // 5 residency, 6 and 7 relations of the primary mobile and e-mail, 8 and 9 of the
  // secondary ones, 10 the ISD code of the mobile).
  QString secondaryDetails(QStringView local) {
    const int shape = pick(details);
    if (shape == 0)
      return QString();
    if (shape == 1)
      return QStringLiteral("");
    QString first;
    switch (pick(element0)) {
      case 0:
        first = mail(local);
        break;
      case 1:
        first = QString::fromLatin1(CommonCode);
        break;
      case 2:
        first = QStringLiteral("#?#EMAILID#?#");
        break;
      default:
        first = QStringLiteral("");
    }
    if (shape == 2)
      return first;
    QStringList elements = {first, {}, {}, {}, {}};
    const int res = pick(residency);
    elements << (res == 0 ? QStringLiteral("R") : res == 1 ? QStringLiteral("NR") : QString());
    elements << primaryRelation() << primaryRelation() << secondaryRelation() << secondaryRelation();
    elements << (res == 1 ? rng.pick(ForeignIsd).toString() : QStringLiteral("91"));
    if (shape == 4)
      elements = elements.mid(0, 2 + rng.below(9));  // 2 to 10 elements
    return elements.join(QLatin1Char('|'));
  }

  RegRow registration(const QString& code, int year, const QString& ownMobile, const QString& ownMail,
                      const QString& first, const QString& dob, const Place& place) {
    countUses = year == 0;
    RegRow row;
    row.Code_No = code;
    row.AsYr = year;
    row.RegStatus = QStringLiteral("Registered");
    const QString marker[] = {QString::fromLatin1(CommonCode), QStringLiteral("#?#PAN#?#"),
                              QStringLiteral("#?#TELNO#?#"), QStringLiteral("#?#MOBNO#?#"),
                              QStringLiteral("#?#EMAILID#?#")};
    switch (pick(loginPwd)) {
      case 0:
        row.LoginPwd = password(first, dob);
        break;
      case 1:
        row.LoginPwd = marker[1];
        break;
      case 2:
        row.LoginPwd = marker[0];
        break;
      case 3:
        row.LoginPwd = QStringLiteral("");
        break;
      default:
        break;
    }
    switch (pick(telNo)) {
      case 0:
        row.TelNo = QStringLiteral("");
        break;
      case 2:
        row.TelNo = marker[2];
        break;
      case 3:
        row.TelNo = landline(place);
        break;
      default:
        break;
    }
    switch (pick(mobNo)) {
      case 0:
        row.MobNo = ownMobile.isEmpty() ? mobile() : ownMobile;
        break;
      case 1:
        row.MobNo = marker[3];
        break;
      case 2:
        row.MobNo = QLatin1Char(' ') + marker[3] + QLatin1Char(' ');
        break;
      case 3:
        row.MobNo = marker[0];
        break;
      case 4:
        row.MobNo = QStringLiteral("");
        break;
      default:
        break;
    }
    switch (pick(mobNo1)) {
      case 0:
        row.MobNo1 = mobile();
        break;
      case 1:
        row.MobNo1 = marker[3];
        break;
      case 2:
        row.MobNo1 = marker[0];
        break;
      case 3:
        row.MobNo1 = QStringLiteral("");
        break;
      default:
        break;
    }
    switch (pick(emailId)) {
      case 0:
        row.EmailID = ownMail.isEmpty() ? mail(u"client") : ownMail;
        break;
      case 1:
        row.EmailID = marker[4];
        break;
      case 2:
        row.EmailID = marker[0];
        break;
      case 3:
        row.EmailID = QStringLiteral("");
        break;
      default:
        break;
    }
    row.EmailId1 = secondaryDetails(first.isEmpty() || first[0].unicode() > 127 ? QStringView(u"family")
                                                                                : QStringView(first));
    countUses = true;
    return row;
  }
};

DemoGenerator::DemoGenerator(quint64 seed) : state_(std::make_unique<State>(seed)) {}
DemoGenerator::~DemoGenerator() = default;

RegRow DemoGenerator::commonRow() {
  RegRow row;
  row.Code_No = QString::fromLatin1(CommonCode);
  row.AsYr = 0;
  row.EmailID = QStringLiteral("returns@firm.example.in");
  row.EmailId1 = QStringLiteral("itr.desk@firm.example.in|||||R|12|12|12|12|91");
  row.MobNo = QStringLiteral("9820012345");
  row.MobNo1 = QStringLiteral("9820067890");
  row.TelNo = QStringLiteral("022-26543210");
  row.LoginPwd = QStringLiteral("Firm@2024");
  row.RegStatus = QStringLiteral("Common");
  return row;
}

DemoClient DemoGenerator::next() {
  State& s = *state_;
  Rng& rng = s.rng;
  const int number = ++s.number;
  const QString code = QStringLiteral("C%1").arg(number, 6, 10, QLatin1Char('0'));
  const Place& place = rng.pick(Places);
  // Twelve of each kind among the first clients, so every variant of each kind shows early.
  const bool individual = number <= 24 ? number % 2 == 1 : s.pick(s.kind) == 0;
  const int script = s.pick(s.script);

  DemoClient client;
  QString first, dob, ownMobile, ownMail;
  if (individual) {
    OwnerRow o;
    o.Code = code;
    const bool female = rng.percent(45);
    o.Gender = female ? QStringLiteral("F") : QStringLiteral("M");
    o.Title = female ? QStringLiteral("Ms.") : QStringLiteral("Mr.");
    const int middle = s.pick(s.middle);
    if (script == 0) {
      o.f_Nm = rng.pick(female ? FemaleFirst : MaleFirst).toString();
      o.m_Nm = rng.pick(Middle).toString();
      o.l_nm = rng.pick(Surnames).toString();
    } else if (script == 1) {
      o.f_Nm = rng.pick(HindiFirst).toString();
      o.m_Nm = rng.pick(HindiMiddle).toString();
      o.l_nm = rng.pick(HindiSurnames).toString();
    } else {
      o.f_Nm = rng.pick(TamilFirst).toString();
      o.m_Nm = QString();
      o.l_nm = rng.pick(TamilSurnames).toString();
    }
    if (middle == 1)
      o.m_Nm = QStringLiteral("");
    else if (middle == 2)
      o.m_Nm = QString();
    o.FatherNm = rng.pick(MaleFirst).toString() + QLatin1Char(' ') + rng.pick(Surnames).toString();
    o.Dob = s.pick(s.dated) == 0 ? s.date(1940, 2005) : QString();
    o.Pan = s.pan(s.pick(s.individualPan) == 0 ? u'P' : u'H', o.l_nm.isEmpty() ? QChar() : o.l_nm[0]);
    const int mob = s.pick(s.ownerMobile);
    o.Mobile = mob == 0 ? s.mobile() : mob == 1 ? QStringLiteral("") : QString();
    o.Email =
        s.pick(s.email) == 0 ? s.mail(script == 0 ? QStringView(o.f_Nm) : u"client") : QStringLiteral("");
    o.Address1 = s.address();
    o.City = place.city.toString();
    o.State = place.state.toString();
    o.Pin = s.pin(place);
    o.ResStatus = QStringLiteral("R");
    first = o.f_Nm;
    dob = o.Dob;
    ownMobile = o.Mobile;
    ownMail = o.Email;
    // A proprietor whose business is also kept as a client under the same code.
    if (s.pick(s.inBoth) == 0) {
      OtherRow m;
      m.Code_No = code;
      m.nm = o.l_nm + QLatin1Char(' ') + FirmSuffixes[0].toString();
      m.Status = QStringLiteral("Proprietorship");
      m.DOI = s.date(1980, 2023);
      m.Pan = o.Pan;
      m.Phone4 = s.phone4Text(place);
      m.Email = o.Email;
      m.Address1 = o.Address1;
      m.City = o.City;
      m.State = o.State;
      m.Pin = o.Pin;
      m.ContactPerson = o.f_Nm;
      client.other = m;
    }
    client.owner = o;
  } else {
    OtherRow m;
    m.Code_No = code;
    static constexpr std::array<QChar, 5> types = {u'C', u'F', u'T', u'H', u'P'};
    static const std::array<QString, 5> statuses = {QStringLiteral("Company"), QStringLiteral("Firm"),
                                                    QStringLiteral("Trust"), QStringLiteral("HUF"),
                                                    QStringLiteral("AOP")};
    const int type = s.pick(s.otherPan);
    const QString surname = rng.pick(Surnames).toString();
    if (script == 1)
      m.nm = rng.pick(HindiFirms).toString();
    else if (script == 2)
      m.nm = rng.pick(TamilFirms).toString();
    else if (type == 0)
      m.nm = surname + QLatin1Char(' ') + rng.pick(CompanySuffixes).toString();
    else if (type == 2)
      m.nm = surname + QStringLiteral(" Charitable Trust");
    else if (type == 3)
      m.nm = rng.pick(MaleFirst).toString() + QLatin1Char(' ') + surname + QStringLiteral(" HUF");
    else
      m.nm = surname + QLatin1Char(' ') + rng.pick(FirmSuffixes).toString();
    m.Status = statuses[size_t(type)];
    m.DOI = s.pick(s.dated) == 0 ? s.date(1950, 2023) : QString();
    m.Pan = s.pan(types[size_t(type)], surname[0]);
    m.Phone4 = s.phone4Text(place);
    m.Email = s.pick(s.email) == 0 ? s.mail(u"accounts") : QStringLiteral("");
    m.Address1 = s.address();
    m.City = place.city.toString();
    m.State = place.state.toString();
    m.Pin = s.pin(place);
    m.ContactPerson = rng.pick(MaleFirst).toString() + QLatin1Char(' ') + surname;
    first = QStringLiteral("accounts");
    ownMail = m.Email;
    client.other = m;
  }

  const bool hasYear0 = s.pick(s.year0) == 0;
  const int extra = s.pick(s.extraYears);
  if (hasYear0)
    client.registrations.push_back(s.registration(code, 0, ownMobile, ownMail, first, dob, place));
  if (!hasYear0 || extra >= 1)
    client.registrations.push_back(s.registration(code, 2024, ownMobile, ownMail, first, dob, place));
  if (!hasYear0 || extra == 2)
    client.registrations.push_back(s.registration(code, 2025, ownMobile, ownMail, first, dob, place));
  return client;
}

// ---------------------------------------------------------------------------------------------

const QStringList& OwnerRow::columns() {
  static const QStringList names = {
      QStringLiteral("Code"),     QStringLiteral("Title"), QStringLiteral("f_Nm"),
      QStringLiteral("m_Nm"),     QStringLiteral("l_nm"),  QStringLiteral("FatherNm"),
      QStringLiteral("Gender"),   QStringLiteral("Dob"),   QStringLiteral("Pan"),
      QStringLiteral("Mobile"),   QStringLiteral("Email"), QStringLiteral("Address1"),
      QStringLiteral("City"),     QStringLiteral("State"), QStringLiteral("Pin"),
      QStringLiteral("ResStatus")};
  return names;
}

QVariantList OwnerRow::values() const {
  return {nullable(Code), nullable(Title),    nullable(f_Nm),   nullable(m_Nm),
          nullable(l_nm), nullable(FatherNm), nullable(Gender), nullable(Dob),
          nullable(Pan),  nullable(Mobile),   nullable(Email),  nullable(Address1),
          nullable(City), nullable(State),    nullable(Pin),    nullable(ResStatus)};
}

const QStringList& OtherRow::columns() {
  static const QStringList names = {
      QStringLiteral("Code_No"), QStringLiteral("nm"),       QStringLiteral("Status"),
      QStringLiteral("DOI"),     QStringLiteral("Pan"),      QStringLiteral("Phone4"),
      QStringLiteral("Email"),   QStringLiteral("Address1"), QStringLiteral("City"),
      QStringLiteral("State"),   QStringLiteral("Pin"),      QStringLiteral("ContactPerson")};
  return names;
}

QVariantList OtherRow::values() const {
  return {nullable(Code_No), nullable(nm),     nullable(Status), nullable(DOI),
          nullable(Pan),     nullable(Phone4), nullable(Email),  nullable(Address1),
          nullable(City),    nullable(State),  nullable(Pin),    nullable(ContactPerson)};
}

const QStringList& RegRow::columns() {
  static const QStringList names = {
      QStringLiteral("Code_No"),  QStringLiteral("AsYr"),     QStringLiteral("EmailID"),
      QStringLiteral("EmailId1"), QStringLiteral("MobNo"),    QStringLiteral("MobNo1"),
      QStringLiteral("TelNo"),    QStringLiteral("LoginPwd"), QStringLiteral("RegStatus")};
  return names;
}

QVariantList RegRow::values() const {
  return {nullable(Code_No),  AsYr,
          nullable(EmailID),  nullable(EmailId1),
          nullable(MobNo),    nullable(MobNo1),
          nullable(TelNo),    nullable(LoginPwd),
          nullable(RegStatus)};
}

}  // namespace kestrel::demo
