#pragma once

#include "portal/portal_login.h"
#include "portal/portal_rules.h"
#include "support/runtime_error.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kestrel {

// Fetch reads each client's portal profile into the "As Per Login" columns; Update submits
// the "To be Changed" details.
enum class RunMode { Fetch, Update };

// One client's turn with the portal in plain values: what its row holds when the turn begins,
// and what the portal said. The steps run where the client's portal session runs (the window's
// thread with one session, a session's own thread with several); the row is read before and
// written after, on the window's thread.
struct ClientJob {
  int row = 0;
  QString pan;
  QString password;
  RunMode mode = RunMode::Fetch;
  ContactUpdateValues update;  // what VerifyContactDet receives in update mode
};

struct ClientOutcome {
  int row = 0;
  bool created = false;  // a component was made; otherwise errData says why not
  bool loggedIn = false;
  QString errData;  // after a failed login
  bool profileAsked = false;
  QString profile;  // as GeteUserProfile returned it
  bool submitted = false;
  bool accepted = false;  // VerifyContactDet's result
  PortalRefusal refusal = PortalRefusal::None;
  // What the component raised away from the window's thread, by routine, to be logged there.
  std::vector<std::pair<QString, ErrObject>> failures;
};

// How the steps reach the world around them.
struct StepContext {
  // Makes the client's component, InitMe already called; raises when it cannot.
  std::function<std::shared_ptr<PortalLogin>()> create;
  RunProgress* progress = nullptr;
  // Once after each progress caption of the run's own (the window's thread only).
  std::function<void()> yield;
  // Runs one statement under a routine's name; the error when it raised.
  std::function<std::optional<ErrObject>(const QString& routine, const std::function<void()>& statement)>
      guard;
};

// The portal side of one client: create, setShowError(false), LoginWHR_CL; after a failed
// login ErrData; after a successful one GeteUserProfile and, when updating and the profile
// came, VerifyContactDet; then CheckForLogInCL; the instance is released before returning.
ClientOutcome RunClientSteps(const ClientJob& job, const StepContext& context);

}  // namespace kestrel
