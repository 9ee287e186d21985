// The contact details update: the whole exchange with the portal lives in this file, so that
// it can follow the portal when its pages change (docs/portal-protocol.md describes it).
//
//   1. POST /iec/verificationservices/auth/saveEntity  (sn: contactDetailsService)
//      the nine values under the profile's own key names; the portal answers EF00000 and, when
//      it has sent PINs to the new mobile and e-mail, "otpRequired": true with a "reqId" and
//      where the PINs went ("mobileNum", "emailId", masked).
//   2. POST /iec/verificationservices/auth/validateOTP  (sn: contactOtpService)
//      "reqId", "entity", "mobileOtp", "emailOtp"; EF00000 confirms the new details. A rejected
//      PIN may be entered again, up to PortalLoginOptions::pinAttempts pairs in all.
//
// The client's details are written back only on the portal's word, so each step counts as
// done only on an explicit confirmation (Answer::confirmed); every other shape is a refusal.
#include "portal_session.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QThread>

namespace kestrel::portal {

namespace {
constexpr const char* SavePath = "/iec/verificationservices/auth/saveEntity";
constexpr const char* PinPath = "/iec/verificationservices/auth/validateOTP";

// Asks the provider for the PINs on the application's thread, where a prompt can be shown. An
// instance working on a thread of its own (one of several portal sessions) waits there until the
// prompts of the other sessions are answered: the user sees one prompt at a time.
std::optional<PinReply> askForPins(const PinProvider& provider, const PinRequest& request,
                                   const std::function<bool()>& cancelled) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() == app->thread())
    return provider(request, cancelled);
  static QMutex oneAtATime;
  const QMutexLocker lock(&oneAtATime);
  if (cancelled())
    return std::nullopt;
  std::optional<PinReply> reply;
  QMetaObject::invokeMethod(
      app, [&] { reply = provider(request, cancelled); }, Qt::BlockingQueuedConnection);
  return reply;
}

// A JSON value as the portal wrote it.
QString written(const QJsonValue& value) {
  const QByteArray list = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
  return QString::fromUtf8(list.mid(1, list.size() - 2));
}
}  // namespace

bool PortalSession::VerifyContactDet(const QString& isd, const QString& priMobile,
                                     const QString& priMobileRel, const QString& priEmail,
                                     const QString& priEmailRel, const QString& secMobile,
                                     const QString& secMobileRel, const QString& secEmail,
                                     const QString& secEmailRel) {
  const QString routine = QStringLiteral("VerifyContactDet");
  errData_.clear();
  refusal_ = PortalRefusal::None;
  if (!loggedIn_)
    return fail(routine, QStringLiteral("Not logged in to the e-filing portal"));

  progress(QStringLiteral("Submitting the new contact details of %1 ...").arg(userId_));
  const QString saveService = QStringLiteral("contactDetailsService");
  const std::optional<Answer> submitted =
      postInSession(SavePath, saveService,
                    QJsonObject{{QStringLiteral("serviceName"), saveService},
                                {QStringLiteral("entity"), userId_},
                                {QStringLiteral("countryCd"), isd.trimmed()},
                                {QStringLiteral("priMobileNum"), priMobile.trimmed()},
                                {QStringLiteral("priMobBelongsTo"), priMobileRel.trimmed()},
                                {QStringLiteral("priEmailId"), priEmail.trimmed()},
                                {QStringLiteral("priEmailRelationId"), priEmailRel.trimmed()},
                                {QStringLiteral("secMobileNum"), secMobile.trimmed()},
                                {QStringLiteral("secMobRelationId"), secMobileRel.trimmed()},
                                {QStringLiteral("secEmailId"), secEmail.trimmed()},
                                {QStringLiteral("secEmailRelationId"), secEmailRel.trimmed()}},
                    routine);
  if (!submitted)
    return false;
  const Answer& saved = *submitted;
  if (!saved.confirmed())
    return fail(routine, saved.reason());
  const QJsonValue otpRequired = saved.body.value(QStringLiteral("otpRequired"));
  if (!otpRequired.isUndefined() && !otpRequired.isBool())
    return fail(routine,
                QStringLiteral("The e-filing portal's answer to the new contact details could not be "
                               "understood (otpRequired: %1)")
                    .arg(written(otpRequired)));
  if (!otpRequired.toBool()) {
    log(routine, userId_ + QStringLiteral(": contact details accepted"), {});
    return true;
  }

  PinRequest request;
  request.userId = userId_;
  request.mobile = saved.body.value(QStringLiteral("mobileNum")).toString(priMobile);
  request.email = saved.body.value(QStringLiteral("emailId")).toString(priEmail);
  request.portalMessage = saved.messages.isEmpty() ? QString() : saved.messages.first().desc;
  const QString reqId = saved.body.value(QStringLiteral("reqId")).toString();
  if (reqId.isEmpty())
    return fail(routine,
                QStringLiteral("The e-filing portal asked for PINs without saying which request they "
                               "belong to"));
  const QString pending = QStringLiteral(
      "Contact details submitted; the PINs sent to the new mobile and e-mail were not validated");
  const QString pinService = QStringLiteral("contactOtpService");

  for (int attempt = 1; attempt <= std::max(1, options_.pinAttempts); ++attempt) {
    if (!options_.pinProvider)
      return fail(routine, pending);
    request.attempt = attempt;
    progress(QStringLiteral("Waiting for the PINs sent to %1 and %2 ...").arg(request.mobile, request.email));
    const std::optional<PinReply> pins =
        askForPins(options_.pinProvider, request, [this] { return cancelled(); });
    if (cancelled())
      return fail(routine,
                  QStringLiteral("Cancelled by the user; ") + pending.at(0).toLower() + pending.mid(1));
    if (!pins)
      return fail(routine, pending);

    progress(QStringLiteral("Validating the PINs of %1 ...").arg(userId_));
    const Answer checked = post(PinPath, pinService,
                                QJsonObject{{QStringLiteral("serviceName"), pinService},
                                            {QStringLiteral("entity"), userId_},
                                            {QStringLiteral("reqId"), reqId},
                                            {QStringLiteral("mobileOtp"), pins->mobilePin.trimmed()},
                                            {QStringLiteral("emailOtp"), pins->emailPin.trimmed()}});
    // A fresh session would send new PINs, so a portal busy through the back-off ends it here.
    if (checked.busy())
      return giveUp(routine);
    if (checked.confirmed()) {
      log(routine, userId_ + QStringLiteral(": contact details validated"), {});
      return true;
    }
    // Only a PIN the portal refused in its own words is worth another pair; anything else ends it.
    if (!checked.ok() || !checked.success2xx() || checked.problem() == nullptr)
      return fail(routine, checked.reason());
    request.portalMessage = checked.reason();
    log(routine, userId_ + QStringLiteral(": PINs refused: "), request.portalMessage);
  }
  return fail(routine, request.portalMessage);
}

}  // namespace kestrel::portal
