#include "portal/client_steps.h"

namespace kestrel {

ClientOutcome RunClientSteps(const ClientJob& job, const StepContext& context) {
  ClientOutcome outcome;
  outcome.row = job.row;
  const QString loginRoutine = QStringLiteral("LoginToITR");
  std::shared_ptr<PortalLogin> login;
  if (const std::optional<ErrObject> failed =
          context.guard(loginRoutine, [&] { login = context.create(); })) {
    // Without a component there is no session to ask; the reason it could not be made is the
    // client's outcome.
    outcome.errData = failed->Description;
    return outcome;
  }
  outcome.created = true;
  auto step = [&](const QString& routine, const std::function<void()>& statement) {
    return !context.guard(routine, statement).has_value();
  };
  auto caption = [&](const QString& routine, const QString& text) {
    step(routine, [&] { context.progress->showProgress(text); });
    if (context.yield)
      step(routine, context.yield);
  };

  step(loginRoutine, [&] { login->setShowError(false); });
  step(loginRoutine, [&] { outcome.loggedIn = login->LoginWHR_CL(job.pan, job.password); });
  if (!outcome.loggedIn) {
    step(loginRoutine, [&] { outcome.errData = login->ErrData(); });
    step(loginRoutine, [&] { outcome.refusal = login->refusal(); });
  } else {
    const QString profileRoutine = QStringLiteral("OPENMYPROFILEWHR");
    caption(profileRoutine, QStringLiteral("Opening 'myProfile' Page ..."));
    outcome.profileAsked = true;
    step(profileRoutine, [&] { outcome.profile = login->GeteUserProfile(); });
    if (outcome.profile.isEmpty())
      step(profileRoutine, [&] { outcome.refusal = login->refusal(); });
    if (!outcome.profile.isEmpty() && job.mode == RunMode::Update) {
      const QString updateRoutine = QStringLiteral("UPDATECONTDETWHR");
      caption(updateRoutine, QStringLiteral("Request for Verification ..."));
      const ContactUpdateValues& v = job.update;
      outcome.submitted = true;
      step(updateRoutine, [&] {
        outcome.accepted = login->VerifyContactDet(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
      });
      if (!outcome.accepted)
        step(updateRoutine, [&] { outcome.refusal = login->refusal(); });
    }
  }
  step(loginRoutine, [&] { login->CheckForLogInCL(job.pan, true); });
  return outcome;
}

}  // namespace kestrel
