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
  closeLabel = new QLabel(QStringLiteral("<a href=\"close\">Close</a>"), this);
  closeLabel->setObjectName(QStringLiteral("LblClose"));
  closeLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  closeLabel->setToolTip(QStringLiteral("Stops the run before the next client"));
  connect(closeLabel, &QLabel::linkActivated, this, &AliasProgressPanel::closeClicked);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(closeLabel, 0, Qt::AlignRight);
  layout->addWidget(captionLabel);
  layout->addWidget(bar);
  setMinimumWidth(420);
}

void AliasProgressPanel::begin(const QString& userName, int rows) {
  captionLabel->setText(QStringLiteral("Creating Aliases for ") + userName);
  rows_ = std::max(rows, 1);
  bar->setRange(0, 100);
  bar->setValue(0);
}

void AliasProgressPanel::beginReading(const QString& address) {
  captionLabel->setText(QStringLiteral("Reading mails from ") + address);
  rows_ = 1;
  bar->setRange(0, 0);
}

void AliasProgressPanel::setSteps(int steps) {
  rows_ = std::max(steps, 1);
  bar->setRange(0, 100);
  bar->setValue(0);
}

void AliasProgressPanel::step(int row) {
  // In whole per cent: the bar repaints at once when its value changes, which on every row of
  // a long run would cost more than the rows themselves.
  const int percent = int(qint64(row) * 100 / rows_);
  if (percent != bar->value())
    bar->setValue(percent);
}

}  // namespace kestrel::mail
