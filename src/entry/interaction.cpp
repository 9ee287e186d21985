#include "entry/interaction.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace kestrel {

namespace {

class DesktopInteraction final : public Interaction {
 public:
  void MsgBox(const QString& text, Icon icon, const QString& title) override {
    QMessageBox box(toQt(icon), title.isEmpty() ? qApp->applicationDisplayName() : title, text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
  }

  bool AskYesNo(const QString& text, bool defaultNo, const QString& title) override {
    QMessageBox box(QMessageBox::Question, title.isEmpty() ? qApp->applicationDisplayName() : title, text,
                    QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    box.setDefaultButton(defaultNo ? QMessageBox::No : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
  }

  void DoEvents() override { QCoreApplication::processEvents(); }

  bool OpenWithDesktop(const QString& path, bool /*maximised*/) override {
    // The desktop decides the window state of the program it starts.
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  }

 private:
  static QMessageBox::Icon toQt(Icon icon) {
    switch (icon) {
      case Icon::Information:
        return QMessageBox::Information;
      case Icon::Exclamation:
        return QMessageBox::Warning;
      case Icon::Critical:
        return QMessageBox::Critical;
      case Icon::Question:
        return QMessageBox::Question;
      case Icon::None:
        return QMessageBox::NoIcon;
    }
    return QMessageBox::Information;
  }
};

std::unique_ptr<Interaction>& current() {
  static std::unique_ptr<Interaction> interaction;
  return interaction;
}

}  // namespace

Interaction& ui() {
  auto& cur = current();
  if (!cur)
    cur = makeDesktopInteraction();
  return *cur;
}

std::unique_ptr<Interaction> setInteraction(std::unique_ptr<Interaction> interaction) {
  auto previous = std::move(current());
  current() = std::move(interaction);
  return previous;
}

std::unique_ptr<Interaction> makeDesktopInteraction() {
  return std::make_unique<DesktopInteraction>();
}

}  // namespace kestrel
