#include "mail/alias_run.h"

#include "entry/error_log.h"
#include "mail/client_grid.h"
#include "mail/hosting_requests.h"
#include "mail/mail_store.h"
#include "platform/grid/flexgrid_model.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace kestrel::mail {

int CreateAliases(grid::FlexGridModel& g, const AliasSlots& parts, int& seriesCounter, int domainId,
                  int userId, const AliasRunHooks& hooks) {
  ErrorTrap trap(MailWindowName, u"SetForwarders");
  int recorded = 0;
  for (int row = vs::FirstRow; row < g.Rows(); ++row) {
    if (hooks.stopped())
      break;
    const bool ticked = trap.value([&] { return IsTicked(g, row); }, false);
    if (ticked) {
      const QString alias = AliasText(parts, ClientOfRow(g, row), seriesCounter).toLower();
      const HostingOutcome outcome = hooks.addForwarder(alias);
      // A request that brought no page shows why; an answer without a marker shows nothing.
      trap([&] {
        g.setTextMatrix(row, vs::ImportLogs, outcome.result.isEmpty() ? outcome.failure : outcome.result);
      });
      if (IsHostingSuccess(outcome.result)) {
        trap([&] { g.setTextMatrix(row, vs::UserName, alias); });
        RecordAlias(domainId, g.TextMatrix(row, vs::PartyCode), alias, userId);
        ++recorded;
      }
    }
    hooks.rowDone(row, ticked);
  }
  return recorded;
}

AliasProgressPanel::AliasProgressPanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("FraPBar"));
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Raised);
  setAutoFillBackground(true);
  captionLabel = new QLabel(this);
  captionLabel->setObjectName(QStringLiteral("LblPbar"));
  bar = new QProgressBar(this);
  bar->setObjectName(QStringLiteral("PBar"));
  countLabel = new QLabel(this);
  countLabel->setObjectName(QStringLiteral("LblPCount"));
  countLabel->setTextFormat(Qt::PlainText);
  closeLabel = new QLabel(QStringLiteral("<a href=\"close\">Close</a>"), this);
  closeLabel->setObjectName(QStringLiteral("LblClose"));
  closeLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  closeLabel->setToolTip(QStringLiteral("Stops the run before the next client"));
  connect(closeLabel, &QLabel::linkActivated, this, &AliasProgressPanel::closeClicked);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(closeLabel, 0, Qt::AlignRight);
  layout->addWidget(captionLabel);
  layout->addWidget(bar);
  layout->addWidget(countLabel);
  setMinimumWidth(420);
  estimateTimer_.setInterval(1000);
  // A panel closed before its run ends stops counting down.
  connect(&estimateTimer_, &QTimer::timeout, this, [this] {
    if (isVisible())
      showCount();
    else
      estimateTimer_.stop();
  });
}

void AliasProgressPanel::begin(const QString& userName, int clients) {
  captionLabel->setText(QStringLiteral("Creating Aliases for ") + userName);
  start(clients, QStringLiteral("clients"));
}

void AliasProgressPanel::beginReading(const QString& address) {
  captionLabel->setText(QStringLiteral("Reading mails from ") + address);
  estimateTimer_.stop();
  countLabel->clear();
  bar->setRange(0, 0);
}

void AliasProgressPanel::setSteps(int messages) {
  start(messages, QStringLiteral("messages"));
}

void AliasProgressPanel::start(int total, const QString& items) {
  items_ = items;
  estimate_.start(total);
  bar->setRange(0, 100);
  bar->setValue(0);
  showCount();
  estimateTimer_.start();
}

void AliasProgressPanel::step(int done) {
  estimate_.setDone(done);
  // In whole per cent: the bar repaints at once when its value changes, which on every row of
  // a long run would cost more than the rows themselves.
  if (estimate_.percent() != bar->value())
    bar->setValue(estimate_.percent());
  showCount();
  if (done >= estimate_.total())
    estimateTimer_.stop();
}

void AliasProgressPanel::showCount() {
  QString text = estimate_.countText(items_);
  if (const QString left = estimate_.remainingText(); !left.isEmpty())
    text += QStringLiteral("  \u00b7  ") + left;
  countLabel->setText(text);
}

}  // namespace kestrel::mail
