#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace kestrel {

// The default contact panel's data outside the screen: the four tables of values used before
// (TblITR_PriMail, TblITR_PriMob, TblITR_SecMail, TblITR_SecMob), the clients' alias addresses
// from the mail setup, and the panel's choices in the settings file "ITRELFdefCongi.ini" of the
// suite's document folder. Failures are logged under the panel's routine names and the reads
// return what they got.

// A table of values used before, in the order the panel reads them.
enum class UsedValueList { PrimaryEMail, PrimaryMobile, SecondaryEMail, SecondaryMobile };
inline constexpr std::array<UsedValueList, 4> AllUsedValueLists = {
    UsedValueList::PrimaryEMail, UsedValueList::PrimaryMobile, UsedValueList::SecondaryEMail,
    UsedValueList::SecondaryMobile};

struct UsedValues {
  QStringList values;    // each value once, sorted by the store, as stored; blank ones left out
  bool complete = true;  // false when the read failed (and was logged) part-way
};

// Reads one table of used values (routine "ReadDefaultDetails").
UsedValues ReadUsedValues(UsedValueList list);

// Adds a value typed into the panel to its table, trimmed, and flushes the tables (routine
// "CmdSecDefault_Click"). The tables may hold a value more than once.
void RememberTypedValue(UsedValueList list, const QString& typed);

// A client's alias address on the firm's mail domain: alias "@" domain.
struct AliasAddress {
  QString code;
  QString address;
};

// Every forwarder of the mail setup with its domain, in the order the store returns them; a
// client may have several (routine "SETMAILS").
std::vector<AliasAddress> ReadAliasAddresses();

// The panel's choices as the settings file keeps them: texts as typed, check-box values as
// "0", "1" or "2". A value that could not be read (and every one read after it) is missing.
struct DefaultSettings {
  std::optional<QString> primaryMobile;    // "P_MOBILE"
  std::optional<QString> useClientMobile;  // "ISCUSTMOB"
  std::optional<QString> primaryEMail;     // "P_EMAIL"
  std::optional<QString> fetchAlias;       // "ISFROMSETUP"
  std::optional<QString> maxEMail;         // "MAXEMAIL"
  std::optional<QString> maxMobile;        // "MAXEMOB"
  std::optional<QString> secondaryMobile;  // "S_MOBILE"
  std::optional<QString> secondaryEMail;   // "S_EMAIL"
};

// The settings file: the suite's document folder and "ITRELFdefCongi.ini".
QString DefaultSettingsFile();

// Reads the keys one after another and stops at the first failing read (routine
// "ReadITRDefSetting"). A missing key gives "0" for a check box and "" for a text; when every
// key was read, a blank limit becomes "10".
DefaultSettings ReadDefaultSettings();

// Writes the values present, as given, and stops at the first failing write (routine
// "SaveITRDefSetting").
void SaveDefaultSettings(const DefaultSettings& settings);

// A check box's state as stored, and back; a stored text that is no number or no state raises
// the error the caller's trap records.
QString StoredCheckValue(Qt::CheckState state);
Qt::CheckState CheckStateFromStored(const QString& stored);

}  // namespace kestrel
