#include "register/register_panel.h"

#include "controls/zen_button.h"
#include "entry/error_log.h"
#include "entry/interaction.h"
#include "platform/grid/flexgrid.h"
#include "register/register_editing.h"
#include "register/register_layout.h"
#include "register/selection_rules.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kestrel {

namespace {
constexpr const char16_t* Window = u"frmKestrel";

ZENButton* button(const char* name, const char* caption, QWidget* parent) {
  auto* b = new ZENButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setCaption(QString::fromUtf8(caption));
  b->setMinimumWidth(b->sizeHint().width() + 16);
  return b;
}

QLabel* label(const char* text, QWidget* buddy, QWidget* parent) {
  auto* l = new QLabel(QString::fromUtf8(text), parent);
  l->setBuddy(buddy);
  l->setMinimumWidth(l->sizeHint().width());
  return l;
}
}  // namespace

RegisterPanel::RegisterPanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("FraMainOuter"));
  setFrameShape(QFrame::StyledPanel);

  vsCL = new grid::FlexGrid(this);
  vsCL->setObjectName(QStringLiteral("vsCL"));
  editing = new RegisterEditing(vsCL);

  CmbSearch = new QComboBox(this);
  CmbSearch->setObjectName(QStringLiteral("CmbSearch"));
  for (const SearchColumn& s : SearchColumns) CmbSearch->addItem(QString::fromLatin1(s.caption), s.column);
  CmbSearch->setCurrentIndex(-1);
  TxtSearch = new QLineEdit(this);
  TxtSearch->setObjectName(QStringLiteral("TxtSearch"));
  TxtSearch->setClearButtonEnabled(true);
  CmdSearch = button("CmdSearch", "&Go", this);

  for (int i = 0; i < 2; ++i) {
    auto* box = new QLineEdit(this);
    box->setObjectName(QStringLiteral("TxtFromR_%1").arg(i));
    box->setMaximumWidth(70);
    box->setAlignment(Qt::AlignRight);
    box->installEventFilter(this);
    TxtFromR[std::size_t(i)] = box;
  }
  CmdOKRange = button("CmdOKRange", "&OK", this);
  CmdSetup = button("CmdSetup", "Column Set&up", this);

  CmdLogin = button("CmdLogin", "&Fetch from Portal", this);
  CmdKeepSame = button("CmdKeepSame", "&Keep Same", this);
  CmdSecEmail = button("CmdSecEmail", "&Default Contacts", this);
  CmdProceed = button("CmdProceed", "&Proceed", this);
  CmdSaveConfirmed = button("CmdSaveConfirmed", "Sa&ve Confirmed Details", this);
  CmdSaveConfirmed->hide();
  CmdReport = button("CmdReport", "R&eports", this);
  CmdMailSetup = button("CmdMailSetup", "&Mail Setup", this);
  CmdHelp = button("CmdHelp", "&Help", this);
  CmdQuit = button("CmdQuit", "&Quit", this);
  lblCount = new QLabel(this);
  lblCount->setObjectName(QStringLiteral("lblCount"));

  auto* top = new QHBoxLayout;
  top->addWidget(label("&Search", CmbSearch, this));
  top->addWidget(CmbSearch);
  top->addWidget(TxtSearch, 1);
  top->addWidget(CmdSearch);
  top->addSpacing(24);
  top->addWidget(label("Fro&m", TxtFromR[0], this));
  top->addWidget(TxtFromR[0]);
  top->addWidget(label("&To", TxtFromR[1], this));
  top->addWidget(TxtFromR[1]);
  top->addWidget(CmdOKRange);
  top->addSpacing(24);
  top->addWidget(CmdSetup);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(lblCount, 1);
  for (ZENButton* b : {CmdSaveConfirmed, CmdLogin, CmdKeepSame, CmdSecEmail, CmdProceed, CmdReport,
                       CmdMailSetup, CmdHelp, CmdQuit})
    bottom->addWidget(b);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(vsCL, 1);
  layout->addLayout(bottom);

  connect(CmdSearch, &ZENButton::Click, this, &RegisterPanel::CmdSearch_Click);
  connect(CmdOKRange, &ZENButton::Click, this, &RegisterPanel::CmdOKRange_Click);
  // The count is refreshed once per pass of the event loop, however many cells changed.
  countTimer_.setSingleShot(true);
  countTimer_.setInterval(0);
  connect(&countTimer_, &QTimer::timeout, this, &RegisterPanel::UpdateCount);
  connect(vsCL->model(), &grid::FlexGridModel::cellsChanged, this, [this](int, int col1, int, int col2) {
    if (col1 <= col::SrNo && col::SrNo <= col2)
      countTimer_.start();
  });
  connect(vsCL->model(), &grid::FlexGridModel::layoutChanged, &countTimer_, qOverload<>(&QTimer::start));
}

void RegisterPanel::CmdSearch_Click() {
  ErrorTrap trap(Window, u"CmdSearch_Click");
  if (CmbSearch->currentIndex() < 0) {
    ui().MsgBox(QString::fromLatin1(SelectSearchColumnMessage), Interaction::Icon::Information);
    CmbSearch->setFocus();
    return;
  }
  trap([&] {
    const int c = CmbSearch->currentData().toInt();
    const QString needle = TxtSearch->text().toUpper();
    grid::FlexGridModel& m = *vsCL->model();
    const grid::RedrawPause pause(m);
    for (int r = FirstDataRow; r < m.Rows(); ++r)
      m.setRowHidden(r, !SearchKeepsRow(m.TextMatrix(r, c), needle));
  });
}

void RegisterPanel::CmdOKRange_Click() {
  ErrorTrap trap(Window, u"CmdOKRange_Click");
  trap([&] {
    grid::FlexGridModel& m = *vsCL->model();
    const RangeVerdict v = CheckRange(TxtFromR[0]->text(), TxtFromR[1]->text(), m.Rows() - HeaderRows);
    if (!v.accepted) {
      ui().MsgBox(QString::fromLatin1(InvalidSerialMessage), Interaction::Icon::Information);
      TxtFromR[v.focus == RangeBox::From ? 0 : 1]->setFocus();
      return;
    }
    const grid::RedrawPause pause(m);
    m.setCellChecked(0, col::SrNo, grid::flexUnchecked);
    TickAllRows(*vsCL);
    // The client with serial number n stands in row n + 1.
    for (int n = v.from; n <= v.to; ++n) m.setCellChecked(n + 1, col::SrNo, grid::flexChecked);
  });
}

void RegisterPanel::TxtFromR_LostFocus(int index) {
  ignoreErrors([&] {
    QLineEdit* box = TxtFromR[std::size_t(index)];
    box->setText(RangeBoxText(box->text()));
  });
}

void RegisterPanel::UpdateCount() {
  const grid::FlexGridModel& m = *vsCL->model();
  int ticked = 0;
  for (int r = FirstDataRow; r < m.Rows(); ++r) ticked += m.CellChecked(r, col::SrNo) == grid::flexChecked;
  const int clients = m.Rows() - HeaderRows;
  const int shown = m.visibleRowCount();
  QString text = tr("%n client(s)", nullptr, clients);
  if (shown != clients)
    text += tr(", %1 shown").arg(shown);
  text += tr(", %1 ticked").arg(ticked);
  lblCount->setText(text);
}

bool RegisterPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    for (int i = 0; i < 2; ++i)
      if (watched == TxtFromR[std::size_t(i)])
        TxtFromR_LostFocus(i);
  }
  return QFrame::eventFilter(watched, event);
}

}  // namespace kestrel
