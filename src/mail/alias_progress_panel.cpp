#include "mail/alias_progress_panel.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace kestrel::mail {

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
