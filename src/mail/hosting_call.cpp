#include "mail/hosting_call.h"

#include "entry/error_log.h"
#include "entry/interaction.h"
#include "entry/mod_it_main.h"
#include "mail/hosting_requests.h"
#include "mail/mail_store.h"
#include "mail/web_session.h"

#include <functional>
#include <memory>

namespace kestrel::mail {

namespace {

// The component of the request under way (requests never overlap).
std::weak_ptr<WebSession>& runningSession() {
  static std::weak_ptr<WebSession> session;
  return session;
}

// Sends one request and judges the page; the component is ended whatever happens.
HostingOutcome request(const HostingAccess& access, const QString& address, FailureNotice notice,
                       const std::function<QString(const QString& page)>& judge) {
  ErrorTrap trap(MailWindowName, u"CreateUser");
  HostingOutcome outcome;
  const auto fail = [&](const QString& message) {
    outcome.failure = QString(message).replace(QLatin1String("\n\n"), QLatin1String(" "));
    if (notice == FailureNotice::MessageBox)
      ui().MsgBox(message, Interaction::Icon::Exclamation);
  };

  std::shared_ptr<WebSession> session;
  if (!trap([&] { session = CreateObject<WebSession>(QString::fromLatin1(WebSession::ProgId)); }) ||
      !session) {
    fail(QString::fromLatin1(NoComponentMessage));
    return outcome;
  }
  runningSession() = session;
  trap([&] {
    const bool browser = access.useIE;
    if (!session->InitComponent(browser ? QStringLiteral("IE") : QStringLiteral("WHR"), Base().vTmpPath(),
                                false, 1)) {
      fail(QString::fromLatin1(InitFailedMessage) + QStringLiteral("\n\nError: ") + session->LastError());
      return;
    }
    const bool opened =
        browser ? session->OpenURL(address) : session->OpenWHR(QStringLiteral("GET"), address, QString());
    if (!opened) {
      fail(QString::fromLatin1(OpenFailedMessage) + QStringLiteral("\n\n") + session->LastError());
      return;
    }
    outcome.result = judge(session->HtmlSource());
  });
  trap([&] { session->Quit(); });
  runningSession().reset();
  return outcome;
}

}  // namespace

HostingOutcome CreateMailbox(const HostingAccess& access, const QString& mailbox, const QString& password,
                             const QString& retypedPassword, FailureNotice notice) {
  const QString address = NewMailboxRequest(HostingBaseAddress(access.hostField), mailbox, password,
                                            retypedPassword, access.domain);
  return request(access, address, notice,
                 [&](const QString& page) { return JudgeMailboxAnswer(page, mailbox, access.domain); });
}

HostingOutcome AddForwarder(const HostingAccess& access, const QString& alias, const QString& forwardUser,
                            FailureNotice notice) {
  if (alias.isEmpty())
    return {QString::fromLatin1(BlankAliasResult), {}};
  const QString address =
      ForwarderRequest(HostingBaseAddress(access.hostField), alias, forwardUser, access.domain);
  return request(access, address, notice, [&](const QString& page) {
    return JudgeForwarderAnswer(page, alias, forwardUser, access.domain);
  });
}

void StopHostingRequest() {
  if (const auto session = runningSession().lock())
    session->Quit();
}

}  // namespace kestrel::mail
