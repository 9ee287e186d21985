#pragma once

#include "register/register_layout.h"

#include <QString>

#include <array>

namespace kestrel {

class BaseComponent;

// Outcome texts of a client's portal session, as column 44 shows them.
namespace outcome {
inline constexpr const char* LoginSuccess = "Login Success";
inline constexpr const char* NonVerified = "NON Verified Details";
inline constexpr const char* ValidatePin = "Validate PIN Details";
inline constexpr const char* ContactSuccess = "Validate Contact Success";
inline constexpr const char* ProfileFailed = "Failed to Open 'myProfile' Page";
inline constexpr const char* UnknownResponse = "Unknown Response";
inline constexpr const char* VerifyFailed = "Failed to Open 'Verify Contact Detail' Page";
}  // namespace outcome

// The ten cells of one contact group, in the register's field order (Non-Resident, ISD,
// Mobile-1, Belongs To, EMail-1, Belongs To, Mobile-2, Belongs To, EMail-2, Belongs To).
using ContactGroup = std::array<QString, 10>;

// What a portal profile gives for the "As Per Login" columns.
struct ProfileReading {
  QString failure;       // "" when read; otherwise the client's outcome text
  bool hasName = false;  // column 23 is to be written (also when no contact was found)
  QString name;
  bool hasContacts = false;  // columns 24 to 33 are to be written
  ContactGroup login;        // columns 24 to 33
};

// Reads the profile text of GeteUserProfile for the client with this PAN. A PAN whose 4th
// character is "H" (a Hindu undivided family) has no residency on the portal.
ProfileReading ReadProfile(const QString& profileText, QStringView pan);

// A relation code as the register keeps it: the text as given when its leading number is
// greater than 0, "" otherwise.
QString RelationOrBlank(const QString& code);

// The portal's code for one of the module's relation codes (by numeric value: "2 " and "2.0"
// are Parent); anything without a portal counterpart, "1", "-1" and "" included, unchanged.
QString PortalRelationCode(const QString& code);

// The module's code for a relation code the portal sent (by numeric value), the inverse of
// PortalRelationCode: the portal's "2" is Spouse ("5"), its "7" Brother ("3"). A code without
// a counterpart, "1" included, is kept as received.
QString SuiteRelationCode(const QString& portalCode);

// The nine values VerifyContactDet takes, from the "To be Changed" cells 34 to 43, relations
// already in the portal's codes: ISD ("91" for a resident), then each contact with its
// relation. A primary contact without a relation gets "-1", a secondary one "".
using ContactUpdateValues = std::array<QString, 9>;
ContactUpdateValues BuildContactUpdate(const ContactGroup& change);

// The secondary-details text of column 12 after a write-back: fields 1 to 10 of EmailId1 built
// from the "To be Changed" cells, or "" when every field is empty.
QString SecondaryDetailsText(const ContactGroup& change);

// Whether a "To be Changed" group holds a contact (a mobile or an e-mail) worth writing back;
// a group without one would only blank the client's stored details.
bool HasContactToWrite(const ContactGroup& change);

// What a write-back stores in the client's OnlineRegInfo record.
struct RegistrationValues {
  QString eMail;             // EmailID
  QString mobile;            // MobNo
  QString secondaryDetails;  // EmailId1: the secondary e-mail, then "|" and column 12 if any
  QString secondaryMobile;   // MobNo1

  bool operator==(const RegistrationValues&) const = default;
};

// The values of a write-back from the "As per Software" group after the copy and column 12.
RegistrationValues RegistrationValuesOf(const ContactGroup& software, const QString& secDet);

// The statement that writes a client's confirmed details into OnlineRegInfo; every value is
// escaped for the store through the base component.
QString RegistrationUpdateSql(const BaseComponent& base, const QString& partyCode,
                              const RegistrationValues& values);

}  // namespace kestrel
