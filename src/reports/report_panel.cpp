#include "reports/report_panel.h"

#include "controls/zen_button.h"
#include "platform/grid/flexgrid.h"
#include "register/register_layout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kestrel {

ReportPanel::ReportPanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("FraReport"));
  setFrameShape(QFrame::StyledPanel);
  setAutoFillBackground(true);

  lblHeading = new QLabel(this);
  lblHeading->setObjectName(QStringLiteral("lblHeading"));
  QFont bold = lblHeading->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.2);
  lblHeading->setFont(bold);

  VSRpt = new grid::FlexGrid(this);
  VSRpt->setObjectName(QStringLiteral("VSRpt"));
  FormatGrid(*VSRpt->model(), ReportColumns());

  CmdBack = new ZENButton(this);
  CmdBack->setObjectName(QStringLiteral("CmdBack"));
  CmdBack->setCaption(tr("&Back"));
  CmdBack->setMinimumSize(90, 28);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(CmdBack);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblHeading);
  layout->addWidget(VSRpt, 1);
  layout->addLayout(buttons);

  connect(CmdBack, &ZENButton::Click, this, &ReportPanel::CmdBack_Click);
}

void ReportPanel::CmdBack_Click() {
  emit closeRequested();
}

}  // namespace kestrel
