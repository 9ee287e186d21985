#pragma once

#include <QFrame>
#include <QString>

class QLabel;

namespace kestrel {

class ZENButton;

// The progress box a portal run shows in front of the main panel: the progress text, the
// client being processed and a Cancel button. It keeps the cancel mark, which the run asks
// before each client and the portal login component while it waits on the portal.
class ProgressPanel : public QFrame {
  Q_OBJECT

 public:
  explicit ProgressPanel(QWidget* parent = nullptr);

  QFrame* innerFrame = nullptr;  // holds the three controls below
  QLabel* progressLabel = nullptr;
  QLabel* clientLabel = nullptr;
  ZENButton* cancelButton = nullptr;

  // A run begins: no cancel mark, empty captions, the inner frame shown.
  void begin();
  void showClient(const QString& partyName);
  void showProgress(const QString& text);
  // The run has ended: the inner frame is hidden.
  void end();

  // The cancel mark: set once the user confirmed cancelling, cleared when a run begins.
  bool cancelRequested() const { return cancelRequested_; }
  void setCancelRequested(bool requested) { cancelRequested_ = requested; }

  // Cancel: asks once whether to cancel; a run already marked for cancelling asks nothing.
  void confirmCancel();

 private:
  bool cancelRequested_ = false;
};

}  // namespace kestrel
