#pragma once

// How many characters the columns hold that the module writes. The suite's own tables define
// the first group; the module's tables the second. A value longer than its column would fail in
// the database after the portal has already accepted it, so checks before a run or a copy
// compare against these.
namespace kestrel::suite_columns {

// Owner1 (individual clients)
inline constexpr int OwnerFirstName = 100;   // f_nm
inline constexpr int OwnerMiddleName = 100;  // m_nm
inline constexpr int OwnerLastName = 100;    // l_nm
// Main_Info1 (other clients)
inline constexpr int MainInfoName = 250;  // Nm
// OnlineRegInfo (EmailId1 is a text column and holds any secondary-details text)
inline constexpr int PrimaryEMail = 150;    // EmailID
inline constexpr int PrimaryMobile = 50;    // MobNo
inline constexpr int SecondaryMobile = 50;  // MobNo1
// ITRDet_Temp, the scratch table of the sharing limits and the occurrence report
inline constexpr int ScratchValue = 200;  // Email_Mob
inline constexpr int ScratchCode = 50;    // Code_No
inline constexpr int ScratchName = 250;   // PartyName

}  // namespace kestrel::suite_columns
