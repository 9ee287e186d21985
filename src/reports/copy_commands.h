#pragma once

#include <QString>
#include <QStringList>

namespace kestrel {

namespace grid {
class FlexGridModel;
}

// The Copy menu's commands on the client register `vsCL`. Each acts on the selected rows; the
// two that write to the suite also need the row's last run to have ended in "Login Success".

// `MnuCopySw` / `MnuCopyLogin`: the ten "As per Software" (13 to 22) or "As Per Login" (24 to
// 33) cells of every selected row copied into "To be Changed" (34 to 43) as they stand, then
// every column fitted. Returns the number of rows copied.
enum class CopySource { Software, Login };
int CopyGroupToChange(grid::FlexGridModel& vsCL, CopySource source);

// A portal name as the suite's first, middle and last name: the first word is the first name,
// the last word of the rest the last name, everything between them (as it stands) the middle.
struct NameParts {
  QString first;
  QString middle;
  QString last;
  friend bool operator==(const NameParts&, const NameParts&) = default;
};
NameParts SplitPortalName(const QString& name);

// Fields 1 to 10 of the secondary-details text from a row's "As Per Login" cells 24 to 33: the
// residency from Non-Resident, the four relation codes and the ISD as they stand; "" when every
// field is empty.
QString LoginSecondaryDetails(const grid::FlexGridModel& vsCL, int row);

// What a command that writes to the suite did.
struct SuiteCopy {
  bool confirmed = false;  // the user answered Yes
  int updated = 0;         // rows written to the suite and the grid
  int failed = 0;          // rows whose statement failed (logged); the grid row is left as it was
  // Rows left out because a value is longer than the suite's column: "code  value" each.
  QStringList tooLong;
};

// `MnuCopyLoginToSw`: after the question, the portal name (column 23) of each qualifying row
// becomes the suite's name (Owner1 first/middle/last, Main_Info1 Nm) and the grid's Party Name;
// then the suite's client list is refreshed and "Data Updated Successfully" is shown.
SuiteCopy CopyLoginNamesToSuite(grid::FlexGridModel& vsCL);

// `MnuCopyLoginToSwMoEml`: after the question, the portal's contact details (columns 24 to 33)
// of each qualifying row that has both a portal Mobile-1 and EMail-1 become the suite's
// (OnlineRegInfo) and the grid's "As per Software" group and Sec Det; then "Data Updated
// Successfully".
SuiteCopy CopyLoginContactsToSuite(grid::FlexGridModel& vsCL);

inline constexpr const char* CopyNamesQuestion =
    "Name of selected client will be updated in software as per their ITD Login Detail\n"
    "Click on 'Yes' to continue.";
inline constexpr const char* CopyContactsQuestion =
    "Mobile/Email details of selected client will be updated in software as per their ITD Login Detail\n"
    "Click on 'Yes' to continue.";
inline constexpr const char* DataUpdatedMessage = "Data Updated Successfully";

}  // namespace kestrel
