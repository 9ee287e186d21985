#pragma once

#include "mail/hosting_call.h"
#include "mail/mail_rules.h"
#include "support/run_progress_estimate.h"

#include <QFrame>
#include <QTimer>

#include <functional>

class QLabel;
class QProgressBar;

namespace kestrel::grid {
class FlexGridModel;
}

namespace kestrel::mail {

// What the alias run asks of its window.
struct AliasRunHooks {
  // Whether the user has closed the progress panel (asked before each row).
  std::function<bool()> stopped;
  // The forwarder request for one alias (CreateUser "FWD").
  std::function<HostingOutcome(const QString& alias)> addForwarder;
  // After each row: the progress bar's step; after a ticked row also a yield to the loop.
  std::function<void(int row, bool requested)> rowDone;
};

// SetForwarders over the grid's rows, hidden ones included: each ticked client's alias is
// built from the slots (lower case) and sent; the result goes into column 8, and on "SUCCESS:"
// the alias into column 6 and the client's record of the domain is replaced. Returns how many
// aliases were recorded.
int CreateAliases(grid::FlexGridModel& g, const AliasSlots& parts, int& seriesCounter, int domainId,
                  int userId, const AliasRunHooks& hooks);

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
