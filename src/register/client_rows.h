#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <functional>

namespace kestrel {

// The firm-wide values of the common registration row (Code_No "#?#COMMON#?#", AsYr 0) that
// markers in client rows stand for; all "" when there is no common row.
struct CommonValues {
  QString MobNo, MobNo1, EmailID, EmailId1, TelNo, LoginPwd;
};

namespace marker {
inline constexpr const char* Common = "#?#COMMON#?#";
inline constexpr const char* Pan = "#?#PAN#?#";
inline constexpr const char* TelNo = "#?#TELNO#?#";
inline constexpr const char* MobNo = "#?#MOBNO#?#";
inline constexpr const char* EmailId = "#?#EMAILID#?#";
}  // namespace marker

// The statement that reads the common row, sent exactly so: the placeholder is its key.
QString CommonRowStatement();
// The statement that reads every client with its year-0 registration row, individuals from
// Owner1 and others from Main_Info1, ordered by client code.
QString ClientListStatement();

// One record of the client statement, every field already as text ("" for null).
struct ClientRecord {
  QString CodeNo, F_Nm, M_Nm, L_Nm, Dob, Pan, GMob, GMob2, GMail;
  QString LoginPwd, TelNo, MobNo, MobNo1, EmailID, EmailId1;
};

// Columns 1 to 22 of a register row filled from a record (index = column; column 0 and the
// columns from 23 on are not touched here). phone4Mobile picks the mobile out of a Main_Info1
// client's Phone4 text (the base component's GetPhone4MobNo with "M").
using RegisterCells = std::array<QString, 23>;
RegisterCells FillRegisterRow(const ClientRecord& rec, const CommonValues& common,
                              const std::function<QString(const QString&)>& phone4Mobile);

// Element n (from 0) of a "|"-separated text; "" when the text has fewer elements.
QString PaddedElement(const QString& text, int element);

// First, middle and last name joined with blanks, trimmed, and every double blank made single
// once (the party name).
QString PartyName(const QString& first, const QString& middle, const QString& last);

}  // namespace kestrel
