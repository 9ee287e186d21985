#include "reports/report_panel.h"

#include "controls/zen_button.h"
#include "platform/grid/flexgrid.h"
#include "register/register_layout.h"
#include "reports/occurrence_report.h"
#include "reports/report_export.h"
#include "reports/wait_cursor.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kestrel {

namespace {
// The detail grid's tag, as the grid control calls the property.
constexpr const char* TagProperty = "Tag";

ZENButton* button(const char* name, const QString& caption, QWidget* parent) {
  auto* b = new ZENButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setCaption(caption);
  b->setMinimumSize(90, 28);
  return b;
}
}  // namespace

ReportPanel::ReportPanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("FraReport"));
  setFrameShape(QFrame::StyledPanel);
  setAutoFillBackground(true);

  titleLabel = new QLabel(this);
  titleLabel->setObjectName(QStringLiteral("LblReprtHead"));
  QFont bold = titleLabel->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.2);
  titleLabel->setFont(bold);
  // A long heading wraps rather than widen the panel beyond the window.
  titleLabel->setWordWrap(true);

  VSRpt = new grid::FlexGrid(this);
  VSRpt->setObjectName(QStringLiteral("VSRpt"));
  FormatGrid(*VSRpt->model(), ReportColumns());

  detailGrid = new grid::FlexGrid(this);
  detailGrid->setObjectName(QStringLiteral("VSDet"));
  FormatDetailGrid(*detailGrid->model());
  detailGrid->hide();

  showDetailsBox = new QCheckBox(tr("&Show Details"), this);
  showDetailsBox->setObjectName(QStringLiteral("ChkShowDetail"));
  showDetailsBox->hide();
  excelButton = button("CmdExcel", tr("E&xcel"), this);
  CmdBack = button("CmdBack", tr("&Back"), this);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(showDetailsBox);
  buttons->addStretch(1);
  buttons->addWidget(excelButton);
  buttons->addWidget(CmdBack);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(titleLabel);
  layout->addWidget(VSRpt, 1);
  layout->addWidget(detailGrid, 1);
  layout->addLayout(buttons);

  connect(excelButton, &ZENButton::Click, this, &ReportPanel::CmdExcel_Click);
  connect(CmdBack, &ZENButton::Click, this, &ReportPanel::CmdBack_Click);
}

void ReportPanel::showReportGrid(const QString& title) {
  titleLabel->setText(title);
  detailGrid->hide();
  showDetailsBox->setVisible(detailGrid->isVisibleTo(this));
  VSRpt->show();
  VSRpt->raise();
}

void ReportPanel::showDetailGrid(const QString& title) {
  titleLabel->setText(title);
  VSRpt->hide();
  detailGrid->show();
  showDetailsBox->show();
  detailGrid->raise();
}

int ReportPanel::occurrenceColumn() const {
  bool ok = false;
  const int column = detailGrid->property(TagProperty).toString().toInt(&ok);
  return ok ? column : -1;
}

void ReportPanel::setOccurrenceColumn(int column) {
  detailGrid->setProperty(TagProperty, QString::number(column));
}

void ReportPanel::CmdExcel_Click() {
  const WaitCursor wait;
  if (VSRpt->isVisibleTo(this))
    ExportReportGrid(*VSRpt->model(), titleLabel->text());
  else
    ExportDetailGrid(*detailGrid->model(), titleLabel->text(), showDetailsBox->isChecked());
}

void ReportPanel::CmdBack_Click() {
  emit closeRequested();
}

}  // namespace kestrel
