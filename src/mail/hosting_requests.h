#pragma once

// The hosting control panel's two pages as the mail window calls them (CreateUser): the page
// address built from the host field, the request address of each page, and what an answer
// page says happened.
#include <QString>

namespace kestrel::mail {

// The result text of a forwarder request for an empty alias; no request is sent.
inline constexpr const char* BlankAliasResult = "FAILED : Requested User Name cannot be blank";

// Whether a result text reports success, as every caller tests it.
bool IsHostingSuccess(const QString& result);

// The address the panel's pages lie under, from the host field TxtURL as typed: trimmed, with
// a final "/", the account's user directory "~tolvenar/" when the address starts with a number
// (a numeric IP address), and "http://" in front unless it names http or https already.
QString HostingBaseAddress(const QString& hostField);

// "index.php": creates the mailbox `mailbox`@domain. The mailbox name and the domain are sent
// trimmed and in lower case, both passwords exactly as typed. Every value is percent-encoded,
// so that "&", "+", "#", "%", blanks and non-ASCII letters in a password reach the panel as
// they are.
QString NewMailboxRequest(const QString& base, const QString& mailbox, const QString& password,
                          const QString& retypedPassword, const QString& domain);

// "addforwarder.php": adds the alias `alias`@domain forwarding to `forwardUser`@domain. Alias,
// domain and forward user are sent trimmed and in lower case; the domain after "@" as held.
QString ForwarderRequest(const QString& base, const QString& alias, const QString& forwardUser,
                         const QString& domain);

// The result text of a mailbox request from the answer page, or "" when the page carries no
// marker. Names in the result are as typed.
QString JudgeMailboxAnswer(const QString& page, const QString& mailbox, const QString& domain);

// The result text of a forwarder request from the answer page, or "" when the page carries no
// marker.
QString JudgeForwarderAnswer(const QString& page, const QString& alias, const QString& forwardUser,
                             const QString& domain);

}  // namespace kestrel::mail
