#pragma once

#include <QString>

#include <memory>

namespace kestrel {

// Everything a routine asks of the person at the screen goes through here: message boxes,
// Yes/No questions, yielding to the message loop and opening a file with the desktop's
// program. The desktop implementation talks to Qt; tests install one that answers from a
// script and records what was shown, so no handler ever blocks a test.
class Interaction {
 public:
  enum class Icon { Information, Exclamation, Critical, Question, None };

  virtual ~Interaction() = default;

  virtual void MsgBox(const QString& text, Icon icon = Icon::Information, const QString& title = {}) = 0;
  // true for Yes. defaultNo makes No the button that Enter presses.
  virtual bool AskYesNo(const QString& text, bool defaultNo = false, const QString& title = {}) = 0;
  // Lets the message loop run pending events once (the module's DoEvents).
  virtual void DoEvents() = 0;
  // Opens the file with the program the desktop associates with it; false when it could not.
  virtual bool OpenWithDesktop(const QString& path, bool maximised) = 0;
};

// The interaction in force. Until one is installed, the desktop implementation is used.
Interaction& ui();
// Installs an interaction and returns the previous one (so a test can put it back).
std::unique_ptr<Interaction> setInteraction(std::unique_ptr<Interaction> interaction);

// The desktop implementation (QMessageBox, QCoreApplication::processEvents, QDesktopServices).
std::unique_ptr<Interaction> makeDesktopInteraction();

}  // namespace kestrel
