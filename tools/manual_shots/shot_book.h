#pragma once

#include <QString>

#include <functional>

class QDialog;
class QWidget;

namespace kestrel {
class MainWindow;
namespace mail {
class MailWindow;
}
}  // namespace kestrel

namespace kestrel::shots {

class SimulatorProcess;

// Walks the real windows through the states the manual shows and writes one picture of each.
// The module must be started (base component, portal login and web session registered) before.
class ShotBook {
 public:
  ShotBook(QString folder, SimulatorProcess& portal);

  // Every picture, in the order a practice works: the register, fetching, reports, the mail
  // domain, defaults, the update with its PINs.
  void takeAll();

  int written() const { return written_; }
  int failures() const { return failures_; }

 private:
  void notice();
  void registerAndSetup();
  void fetch();
  void reports();
  void mailSetup();
  void defaultsAndUpdate();

  // Writes the widget's picture as <name>.png.
  void save(QWidget* widget, const QString& name);
  // A state the pictures rely on; without it the run fails, naming the problem.
  void expect(bool state, const char* problem);
  // Lets pending events (layouts, repaints, queued calls) run.
  static void settle();
  // Runs action; each dialog titled `title` that opens meanwhile is handed to answer (with its
  // number, from 0), which must close it. Returns how many opened.
  int answerDialogs(const QString& title, const std::function<void()>& action,
                    const std::function<void(QDialog*, int)>& answer);

  QString folder_;
  SimulatorProcess& portal_;
  MainWindow* window_ = nullptr;
  int written_ = 0;
  int failures_ = 0;
};

}  // namespace kestrel::shots
