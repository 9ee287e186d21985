#pragma once

#include "support/run_progress_estimate.h"

#include <QFrame>
#include <QString>
#include <QTimer>

#include <vector>

class QLabel;
class QProgressBar;

namespace kestrel {

class PortalRun;
class ZENButton;

// The progress box a portal run shows in front of the main panel: the progress text, the
// client being processed and a Cancel button. It keeps the cancel mark, which the run asks
// before each client and the portal login component while it waits on the portal.
//
// A run with several portal sessions gets one line per session (its client and step) under
// the run's own text. Below them, how many clients are done, a bar, and once a few clients are
// done an estimate of the time left; while the run rests, the progress text counts down and "Resume now" ends
// the rest.
class ProgressPanel : public QFrame {
  Q_OBJECT

 public:
  explicit ProgressPanel(QWidget* parent = nullptr);

  QFrame* innerFrame = nullptr;  // holds the controls below
  QLabel* progressLabel = nullptr;
  QLabel* clientLabel = nullptr;
  std::vector<QLabel*> sessionLabels;  // one per portal session of a run with several
  QLabel* countLabel = nullptr;        // "12 of 40 clients done · about 4 min left"
  QProgressBar* bar = nullptr;
  ZENButton* resumeButton = nullptr;
  ZENButton* cancelButton = nullptr;

  // Shows what the run reports and wires "Resume now" to it; a run's start begins the panel.
  void follow(PortalRun& run);

  // A run begins: no cancel mark, empty captions, a line for each of `sessions` beyond one,
  // the inner frame shown.
  void begin(int sessions = 1);
  void showClient(const QString& partyName);
  // `done` of the run's `total` clients are done; 0 starts the count.
  void showCount(int done, int total);
  void showProgress(const QString& text);
  // Session numbers from 0; an empty name shows the session as free.
  void showSessionClient(int session, const QString& partyName);
  void showSessionProgress(int session, const QString& text);
  // secondsLeft 0: the rest is over.
  void showRest(qint64 secondsLeft, const QString& reason);
  // The run has ended: the inner frame is hidden.
  void end();

  // The cancel mark: set once the user confirmed cancelling, cleared when a run begins.
  bool cancelRequested() const { return cancelRequested_; }
  void setCancelRequested(bool requested) { cancelRequested_ = requested; }

  // Cancel: asks once whether to cancel; a run already marked for cancelling asks nothing.
  void confirmCancel();

 signals:
  void resumeRequested();

 private:
  QLabel* sessionLabel(int session) const;
  void fit();
  void showSession(int session);

  void showEstimate();

  RunProgressEstimate estimate_;
  QTimer estimateTimer_;  // the time left counts down between clients
  bool cancelRequested_ = false;
  bool resting_ = false;
  QString runText_;  // the progress text the countdown of a rest stands in for
  std::vector<QString> sessionClients_, sessionSteps_;
};

}  // namespace kestrel
