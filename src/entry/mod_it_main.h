#pragma once

#include "store/base_component.h"

#include <QString>

#include <memory>

namespace kestrel {

// Module-wide state, kept for the life of the module.
struct ModuleState {
  std::shared_ptr<kestrel::BaseComponent> BaseComponent;
  bool NoticeAccepted = false;
  // Where the last trapped failure happened: window name, a tab, routine name.
  QString ErrLocation;
};

ModuleState& ModIT_Main();

// The base component; raises RuntimeError 91 when the module has not been started.
BaseComponent& Base();

// The module start routine: runs once, when the first module object is created. Creating the
// base component is not trapped (a failure reaches the host); the version check is.
void ModuleStart();
bool ModuleStarted();
// Forgets the started module (the host unloading it); tests use it between cases.
void ModuleShutdown();

inline constexpr const char* IncompatibleBaseMessage =
    "File [VelBase.dll] is not compatible. Please update the latest software properly.";

}  // namespace kestrel
