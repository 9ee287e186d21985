#include "scripted_interaction.h"

namespace kestrel::testing {

void ScriptedInteraction::MsgBox(const QString& text, Icon icon, const QString& title) {
  messages.push_back({text, icon, title});
}

bool ScriptedInteraction::AskYesNo(const QString& text, bool, const QString&) {
  questions << text;
  if (answers.empty())
    return false;
  const bool answer = answers.front();
  answers.pop_front();
  return answer;
}

void ScriptedInteraction::DoEvents() {
  ++yields;
  if (onYield)
    onYield();
}

bool ScriptedInteraction::OpenWithDesktop(const QString& path, bool) {
  opened << path;
  return openSucceeds;
}

ScopedInteraction::ScopedInteraction() {
  auto script = std::make_unique<ScriptedInteraction>();
  script_ = script.get();
  previous_ = setInteraction(std::move(script));
}

ScopedInteraction::~ScopedInteraction() {
  setInteraction(std::move(previous_));
}

}  // namespace kestrel::testing
