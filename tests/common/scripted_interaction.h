#pragma once

#include "entry/interaction.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>

namespace kestrel::testing {

// An interaction for tests: records every message and question, answers questions from a
// queue (No when the queue is empty), counts yields and files opened. Installing it through
// ScopedInteraction puts the previous one back at the end of the scope.
class ScriptedInteraction final : public Interaction {
 public:
  struct Shown {
    QString text;
    Icon icon;
    QString title{};
  };

  void MsgBox(const QString& text, Icon icon, const QString& title) override;
  bool AskYesNo(const QString& text, bool defaultNo, const QString& title) override;
  void DoEvents() override;
  bool OpenWithDesktop(const QString& path, bool maximised) override;

  std::vector<Shown> messages;
  QStringList questions;
  std::deque<bool> answers;
  QStringList opened;
  int yields = 0;
  bool openSucceeds = true;
  // Called on every yield, so a test can act "while the loop runs" (press Cancel, say).
  std::function<void()> onYield;
};

class ScopedInteraction {
 public:
  ScopedInteraction();
  ~ScopedInteraction();
  ScopedInteraction(const ScopedInteraction&) = delete;
  ScopedInteraction& operator=(const ScopedInteraction&) = delete;

  ScriptedInteraction* operator->() const { return script_; }
  ScriptedInteraction& operator*() const { return *script_; }

 private:
  ScriptedInteraction* script_;
  std::unique_ptr<Interaction> previous_;
};

}  // namespace kestrel::testing
