#include "entry/mod_it_main.h"

#include "entry/error_log.h"
#include "entry/interaction.h"

namespace kestrel {

namespace {
bool& startedFlag() {
  static bool started = false;
  return started;
}
}  // namespace

ModuleState& ModIT_Main() {
  static ModuleState state;
  return state;
}

BaseComponent& Base() {
  auto& base = ModIT_Main().BaseComponent;
  if (!base)
    throw RuntimeError(91, QStringLiteral("Object variable or With block variable not set"),
                       QStringLiteral("Kestrel"));
  return *base;
}

void ModuleStart() {
  if (startedFlag())
    return;
  ModIT_Main().BaseComponent = CreateObject<BaseComponent>(QString::fromLatin1(BaseComponent::ProgId));
  startedFlag() = true;
  ignoreErrors([] {
    if (!Base().CheckDllsVersion(true))
      ui().MsgBox(QString::fromLatin1(IncompatibleBaseMessage), Interaction::Icon::Information);
  });
}

bool ModuleStarted() {
  return startedFlag();
}

void ModuleShutdown() {
  startedFlag() = false;
  ModIT_Main() = ModuleState{};
}

}  // namespace kestrel
