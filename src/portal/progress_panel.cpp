#include "portal/progress_panel.h"

#include "controls/zen_button.h"
#include "entry/error_log.h"
#include "entry/interaction.h"
#include "portal/portal_login.h"

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

  fraProgIn = new QFrame(this);
  fraProgIn->setObjectName(QStringLiteral("fraProgIn"));
  fraProgIn->setFrameShape(QFrame::StyledPanel);
  fraProgIn->setFrameShadow(QFrame::Sunken);

  lblprog = new QLabel(fraProgIn);
  lblprog->setObjectName(QStringLiteral("lblprog"));
  lblprog->setAlignment(Qt::AlignCenter);
  lblprog->setWordWrap(true);

  lblPartyName = new QLabel(fraProgIn);
  lblPartyName->setObjectName(QStringLiteral("lblPartyName"));
  lblPartyName->setAlignment(Qt::AlignCenter);
  lblPartyName->setWordWrap(true);
  QFont bold = lblPartyName->font();
  bold.setBold(true);
  lblPartyName->setFont(bold);

  cmdprogC = new ZENButton(fraProgIn);
  cmdprogC->setObjectName(QStringLiteral("cmdprogC"));
  cmdprogC->setCaption(QStringLiteral("&Cancel"));
  cmdprogC->setFixedSize(96, 28);

  auto* inner = new QVBoxLayout(fraProgIn);
  inner->setContentsMargins(10, 8, 10, 8);
  inner->setSpacing(6);
  inner->addWidget(lblprog);
  inner->addWidget(lblPartyName);
  inner->addWidget(cmdprogC, 0, Qt::AlignHCenter);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(6, 6, 6, 6);
  outer->addWidget(fraProgIn);

  setCancelMark(QString());
  connect(cmdprogC, &ZENButton::Click, this, &ProgressPanel::cmdprogC_Click);
}

QString ProgressPanel::CancelMark() const {
  return cmdprogC->property(PortalLogin::CancelMarkProperty).toString();
}

void ProgressPanel::setCancelMark(const QString& mark) {
  cmdprogC->setProperty(PortalLogin::CancelMarkProperty, mark);
}

void ProgressPanel::cmdprogC_Click() {
  // The run looks at the mark before each client; the client in progress is finished.
  ErrorTrap trap(u"frmKestrel", u"cmdprogC_Click");
  trap([&] {
    if (!CancelMark().isEmpty())
      return;
    if (ui().AskYesNo(QStringLiteral("Do you really want to Cancel?"), /*defaultNo=*/true))
      setCancelMark(QStringLiteral("C"));
  });
}

}  // namespace kestrel
