#pragma once

// CreateUser: one request to the hosting control panel through a fresh web session component
// ("KOAW"), judged by the answer page's markers (hosting_requests.h).
#include <QString>

namespace kestrel::mail {

// What the window's fields say about the panel.
struct HostingAccess {
  QString hostField;   // TxtURL as typed
  QString domain;      // CurrentDomain
  bool useIE = false;  // chkUseIE: the browser engine instead of a plain request
};

struct HostingOutcome {
  // The result text (LastResult): "SUCCESS: ..." or "FAILED..." from the page, "" when the
  // page carried no marker or no page came.
  QString result;
  // Why no page came, as one line ("" when a page came).
  QString failure;
};

// How a component failure reaches the user: a message box (the user panel), or only the
// outcome's failure text (the alias run, which shows it in the client's row and goes on).
enum class FailureNotice { MessageBox, InOutcome };

// Creates the mailbox `mailbox`@domain; both passwords are sent as typed.
HostingOutcome CreateMailbox(const HostingAccess& access, const QString& mailbox, const QString& password,
                             const QString& retypedPassword, FailureNotice notice);

// Adds the alias `alias`@domain forwarding to `forwardUser`@domain. An empty alias sends
// nothing and gives "FAILED : Requested User Name cannot be blank".
HostingOutcome AddForwarder(const HostingAccess& access, const QString& alias, const QString& forwardUser,
                            FailureNotice notice);

// Ends the request under way, if any: its call returns at once as failed.
void StopHostingRequest();

inline constexpr const char* NoComponentMessage = "Failed to Create ActiveX Component Object [KOAW].";
inline constexpr const char* InitFailedMessage = "Failed to Initialize Component [KOAW] !";
inline constexpr const char* OpenFailedMessage = "Failed to Open Link !";

}  // namespace kestrel::mail
