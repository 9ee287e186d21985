#include "portal/progress_panel.h"

#include "controls/zen_button.h"
#include "entry/error_log.h"
#include "entry/interaction.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kestrel {

namespace {
constexpr int PanelWidth = 420;
constexpr int PanelHeight = 150;
}  // namespace

ProgressPanel::ProgressPanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("FraProgress"));
  setFrameShape(QFrame::Box);
  setFrameShadow(QFrame::Raised);
  setLineWidth(1);
  setAutoFillBackground(true);
  setFixedSize(PanelWidth, PanelHeight);

  innerFrame = new QFrame(this);
  innerFrame->setObjectName(QStringLiteral("fraProgIn"));
  innerFrame->setFrameShape(QFrame::StyledPanel);
  innerFrame->setFrameShadow(QFrame::Sunken);

  progressLabel = new QLabel(innerFrame);
  progressLabel->setObjectName(QStringLiteral("lblprog"));
  progressLabel->setAlignment(Qt::AlignCenter);
  progressLabel->setWordWrap(true);

  clientLabel = new QLabel(innerFrame);
  clientLabel->setObjectName(QStringLiteral("lblPartyName"));
  clientLabel->setAlignment(Qt::AlignCenter);
  clientLabel->setWordWrap(true);
  QFont bold = clientLabel->font();
  bold.setBold(true);
  clientLabel->setFont(bold);

  cancelButton = new ZENButton(innerFrame);
  cancelButton->setObjectName(QStringLiteral("cmdprogC"));
  cancelButton->setCaption(QStringLiteral("&Cancel"));
  cancelButton->setFixedSize(96, 28);

  auto* inner = new QVBoxLayout(innerFrame);
  inner->setContentsMargins(10, 8, 10, 8);
  inner->setSpacing(6);
  inner->addWidget(progressLabel);
  inner->addWidget(clientLabel);
  inner->addWidget(cancelButton, 0, Qt::AlignHCenter);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(6, 6, 6, 6);
  outer->addWidget(innerFrame);

  connect(cancelButton, &ZENButton::Click, this, &ProgressPanel::confirmCancel);
}

void ProgressPanel::begin() {
  setCancelRequested(false);
  progressLabel->clear();
  clientLabel->clear();
  innerFrame->setVisible(true);
}

void ProgressPanel::showClient(const QString& partyName) {
  clientLabel->setText(QStringLiteral("Fetching Details for - ") + partyName);
}

void ProgressPanel::showProgress(const QString& text) {
  progressLabel->setText(text);
}

void ProgressPanel::end() {
  innerFrame->setVisible(false);
}

void ProgressPanel::confirmCancel() {
  // The run looks at the mark before each client; the client in progress is finished.
  ErrorTrap trap(u"frmKestrel", u"cmdprogC_Click");
  trap([&] {
    if (cancelRequested_)
      return;
    if (ui().AskYesNo(QStringLiteral("Do you really want to Cancel?"), /*defaultNo=*/true))
      setCancelRequested(true);
  });
}

}  // namespace kestrel
