#pragma once

// The inbox's reading on the message grid `VSInbox` and plain values: a mailbox read through the
// mailbox reader into the grid and the scratch folder (CheckforMails), what a message folder
// holds for the preview (GetMailContent), the search and the sorting of the grid.
#include "mail/mail_accounts.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>

namespace kestrel {
class MailboxReader;
}
namespace kestrel::grid {
class FlexGridModel;
}

namespace kestrel::mail {

namespace vsinbox {
inline constexpr int SerialNo = 0;
inline constexpr int From = 1;
inline constexpr int To = 2;
inline constexpr int Subject = 3;
inline constexpr int Date = 4;
inline constexpr int Number = 5;  // hidden: the message's number in the mailbox
inline constexpr int Count = 6;
inline constexpr int FirstRow = 1;
}  // namespace vsinbox

// The search row's choices, grid columns 1 to 4 in this order.
inline constexpr std::array<const char*, 4> SearchColumnEntries = {"From", "To", "Subject", "Date"};

void FormatInboxGrid(grid::FlexGridModel& g);
// The message number a data row carries; 0 for none.
int MessageNumberOfRow(const grid::FlexGridModel& g, int row);

// The scratch folder of a reading: the temporary folder (ending with a separator) and
// "KOVMailInbox".
QString ScratchFolder(const QString& tmpPath);
// A message's folder in the scratch folder: n and "_Body".
QString MessageFolder(const QString& scratch, int messageNumber);
// Empties the scratch folder: the old one with everything in it is moved aside and deleted in
// the background, and it is created anew. A link in its place is removed, never followed.
// false when it could not be created.
bool RenewScratchFolder(const QString& scratch);

// What the reading asks of its window.
struct InboxReadingHooks {
  // Whether the user has closed the progress panel.
  std::function<bool()> stopped;
  // Lets the window process pending events.
  std::function<void()> yield;
  // The mailbox holds `total` messages and the reading of them begins.
  std::function<void(int total)> opened;
  // After each message read (shown or left out): how many of the total are done.
  std::function<void(int done)> messageDone;
};

// CheckforMails from the connection on: opens the account's mailbox and walks its messages from
// the highest number down, a grid row each (running number, From, To, Subject, Date, the
// message's number), the body and attachments into the message's folder under `scratch`.
// The answers of the server and the reader's failures are shown as they come; a message whose
// header cannot be read is left out silently, one whose body cannot be saved after its text is
// shown. Closing the progress panel stops the reading before the next message.
void ReadMailbox(MailboxReader& reader, const InboxAccount& account, grid::FlexGridModel& g,
                 const QString& scratch, const InboxReadingHooks& hooks);

inline constexpr const char* ConnectTitle = "OP->CONNECT";
inline constexpr const char* ConnectErrorPrefix = "Error occured : ";
inline constexpr const char* NoMailMessage = "No Mail.";
inline constexpr const char* NoReaderMessage = "Failed To Create Object [KOVMAILReader].";

// The contents of a message folder for the preview.
struct MessageContent {
  QString bodyFile;  // "KOVMailMsg.htm", else "KOVMailMsg.txt", else "" (blank page)
  bool html = false;
  QStringList attachmentNames;  // LstAttach
  QStringList attachmentPaths;  // LstAttachPath: the folder and the name
};
// `folder` ends with a separator. Only names that stay inside the folder are listed.
MessageContent ReadMessageFolder(const QString& folder);
// The fields of one line of the attachment list, as a sequential text reader takes them:
// separated by commas, a field in double quotes may hold commas and "" for a quote.
QStringList AttachmentListFields(QStringView line);

// CmdSearch: every row shown, then those whose upper-cased cell in `column` (1 to 4; 0 for
// none) does not contain the upper-cased text hidden; the shown rows numbered.
void SearchMessages(grid::FlexGridModel& g, int column, const QString& text);
// The rows sorted by a column (the date by its time when it reads as one), then numbered.
void SortMessages(grid::FlexGridModel& g, int column, bool ascending);

}  // namespace kestrel::mail
