#include "portal/run_summary_panel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>

namespace kestrel {

RunSummaryPanel::RunSummaryPanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("FraRunSummary"));
  setFrameShape(QFrame::StyledPanel);
  setAutoFillBackground(true);
  QPalette tinted = palette();
  tinted.setColor(QPalette::Window, QColor(236, 244, 255));
  setPalette(tinted);

  textLabel = new QLabel(this);
  textLabel->setObjectName(QStringLiteral("lblRunSummary"));
  textLabel->setTextFormat(Qt::PlainText);
  textLabel->setWordWrap(true);
  textLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

  closeButton = new QToolButton(this);
  closeButton->setObjectName(QStringLiteral("cmdCloseSummary"));
  closeButton->setAutoRaise(true);
  closeButton->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
  closeButton->setToolTip(QStringLiteral("Close"));
  closeButton->setFocusPolicy(Qt::NoFocus);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(8, 4, 4, 4);
  layout->addWidget(textLabel, 1);
  layout->addWidget(closeButton, 0, Qt::AlignTop);

  connect(closeButton, &QToolButton::clicked, this, &QWidget::hide);
  hide();
}

void RunSummaryPanel::showSummary(const QString& text) {
  textLabel->setText(text);
  show();
}

}  // namespace kestrel
