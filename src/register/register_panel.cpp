#include "register/register_panel.h"

#include "controls/buddy_label.h"
#include "controls/panel_builders.h"
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

#include <algorithm>

namespace kestrel {

namespace {
constexpr const char16_t* Window = u"frmKestrel";

ZENButton* button(const char* name, const char* caption, QWidget* parent) {
  auto* b = new ZENButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setCaption(QString::fromUtf8(caption));
  return b;
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
  // The count asks for no width of its own: placeCount gives it a line when the buttons leave
  // too little.
  lblCount->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

  // The search box takes what the row leaves; the spacing between the three groups gives way
  // first when the window is narrow.
  auto* top = new QHBoxLayout;
  top->addWidget(MakeBuddyLabel("&Search", CmbSearch, this));
  top->addWidget(CmbSearch);
  top->addWidget(TxtSearch, 1);
  top->addWidget(CmdSearch);
  top->addSpacing(12);
  top->addWidget(MakeBuddyLabel("Fro&m", TxtFromR[0], this));
  top->addWidget(TxtFromR[0]);
  top->addWidget(MakeBuddyLabel("&To", TxtFromR[1], this));
  top->addWidget(TxtFromR[1]);
  top->addWidget(CmdOKRange);
  top->addSpacing(12);
  top->addWidget(CmdSetup);

  // The count stands left of the buttons, or on a line of its own when they leave it no room.
  statusRow_ = new QHBoxLayout;
  buttonRow_ = new QHBoxLayout;
  buttonRow_->addWidget(lblCount, 1);
  for (ZENButton* b : {CmdSaveConfirmed, CmdLogin, CmdKeepSame, CmdSecEmail, CmdProceed, CmdReport,
                       CmdMailSetup, CmdHelp, CmdQuit})
    buttonRow_->addWidget(b);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(vsCL, 1);
  layout->addLayout(statusRow_);
  layout->addLayout(buttonRow_);
  fitToFont();

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
  lblCount->setText(CountText(CountClients(*vsCL->model())));
  placeCount();
}

void RegisterPanel::fitToFont() {
  const QFontMetrics metrics = fontMetrics();
  // Buttons may give up their padding but never their caption.
  for (ZENButton* b : findChildren<ZENButton*>())
    b->setMinimumWidth(metrics.size(Qt::TextShowMnemonic, b->Caption()).width() +
                       2 * metrics.averageCharWidth() + 8);
  TxtSearch->setMinimumWidth(metrics.averageCharWidth() * 14);
  for (QLineEdit* box : TxtFromR) {
    box->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("000000")) + 12);
    box->setMaximumWidth(metrics.horizontalAdvance(QStringLiteral("00000000")) + 12);
  }
  // The register shows its headers and a few clients however small the window.
  vsCL->setMinimumSize(metrics.averageCharWidth() * 40, metrics.height() * 10);
  placeCount();
}

int RegisterPanel::buttonsWidth() const {
  int width = 0;
  int shown = 0;
  for (int i = 0; i < buttonRow_->count(); ++i)
    if (QWidget* w = buttonRow_->itemAt(i)->widget(); w && w != lblCount && !w->isHidden()) {
      // The buttons take their natural width before the count gets any.
      width += std::max(w->minimumWidth(), w->sizeHint().width());
      ++shown;
    }
  return width + shown * buttonRow_->spacing();
}

void RegisterPanel::placeCount() {
  const int room =
      contentsRect().width() - layout()->contentsMargins().left() - layout()->contentsMargins().right();
  const bool beside = lblCount->sizeHint().width() + buttonsWidth() <= room;
  if (beside == (buttonRow_->indexOf(lblCount) >= 0))
    return;
  (beside ? statusRow_ : buttonRow_)->removeWidget(lblCount);
  if (beside)
    buttonRow_->insertWidget(0, lblCount, 1);
  else
    statusRow_->addWidget(lblCount, 1);
}

void RegisterPanel::showSaveConfirmed(bool shown) {
  CmdSaveConfirmed->setVisible(shown);
  placeCount();
}

void RegisterPanel::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  placeCount();
}

void RegisterPanel::changeEvent(QEvent* event) {
  QFrame::changeEvent(event);
  if (event->type() == QEvent::FontChange)
    fitToFont();
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
