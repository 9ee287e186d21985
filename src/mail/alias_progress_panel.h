#pragma once

#include "support/run_progress_estimate.h"

#include <QFrame>
#include <QTimer>

class QLabel;
class QProgressBar;

namespace kestrel::mail {

// The progress panel `FraPBar` of an alias run or a reading of the inbox: its caption `LblPbar`,
// a progress bar with how many clients or messages are done (and, after a few, the time left)
// and the close label `LblClose`, which stops the run before its next client or message.
class AliasProgressPanel : public QFrame {
  Q_OBJECT

 public:
  explicit AliasProgressPanel(QWidget* parent = nullptr);

  QLabel* captionLabel = nullptr;  // LblPbar
  QProgressBar* bar = nullptr;
  QLabel* countLabel = nullptr;  // "12 of 40 clients done · about 4 min left"
  QLabel* closeLabel = nullptr;  // LblClose

  // A run over `clients` ticked clients for the named user begins.
  void begin(const QString& userName, int clients);
  // A reading of the named mail account begins; the bar runs until the number of messages is
  // known.
  void beginReading(const QString& address);
  // The reading has `messages` messages to read.
  void setSteps(int messages);
  // That many clients or messages are done.
  void step(int done);

 signals:
  // LblClose was clicked.
  void closeClicked();

 private:
  void start(int total, const QString& items);
  void showCount();

  RunProgressEstimate estimate_;
  QString items_;
  QTimer estimateTimer_;  // the time left counts down between clients
};

}  // namespace kestrel::mail
