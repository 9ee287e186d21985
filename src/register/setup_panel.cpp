#include "register/setup_panel.h"

#include "controls/zen_button.h"
#include "entry/error_log.h"
#include "platform/grid/flexgrid.h"
#include "register/register_layout.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kestrel {

namespace {
constexpr const char16_t* Window = u"frmKestrel";
constexpr int SoftwareFirst = col::Software, SoftwareLast = col::Software + 9;
constexpr int LoginFirst = col::LoginName, LoginLast = col::Login + 9;
constexpr int ChangeFirst = col::Change, ChangeLast = col::Change + 9;
}  // namespace

SetupPanel::SetupPanel(grid::FlexGrid* vsCL, QWidget* parent) : QFrame(parent), vsCL_(vsCL) {
  setObjectName(QStringLiteral("FraSetup"));
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Raised);
  setAutoFillBackground(true);

  for (int i = 0; i < col::Count; ++i) {
    auto* box = new QCheckBox(this);
    box->setObjectName(QStringLiteral("ChkColShow_%1").arg(i));
    ChkColShow[std::size_t(i)] = box;
  }
  ChkSoftware = new QCheckBox(tr("Details As Per Software"), this);
  ChkSoftware->setObjectName(QStringLiteral("ChkSoftware"));
  ChkLogin = new QCheckBox(tr("Details As Per Login"), this);
  ChkLogin->setObjectName(QStringLiteral("ChkLogin"));
  ChkChange = new QCheckBox(tr("Details To be Change"), this);
  ChkChange->setObjectName(QStringLiteral("ChkChange"));
  CmdOKSetup = new ZENButton(this);
  CmdOKSetup->setObjectName(QStringLiteral("CmdOKSetup"));
  CmdOKSetup->setCaption(tr("&OK"));
  CmdCancelSetup = new ZENButton(this);
  CmdCancelSetup->setObjectName(QStringLiteral("CmdCancelSetup"));
  CmdCancelSetup->setCaption(tr("&Cancel"));
  for (ZENButton* b : {CmdOKSetup, CmdCancelSetup}) b->setMinimumSize(90, 28);

  // The client's own columns (0 to 12 and the log) in the first column of boxes, then one
  // column per contact group headed by its group box.
  auto* columns = new QHBoxLayout;
  auto addColumn = [&](const QString& title, QCheckBox* groupBox,
                       std::initializer_list<std::pair<int, int>> spans) {
    auto* frame = new QGroupBox(title, this);
    auto* v = new QVBoxLayout(frame);
    v->setSpacing(2);
    if (groupBox)
      v->addWidget(groupBox);
    for (auto [first, last] : spans)
      for (int i = first; i <= last; ++i) {
        // A group's own boxes stand indented under its group box.
        ChkColShow[std::size_t(i)]->setContentsMargins(groupBox ? 16 : 0, 0, 0, 0);
        v->addWidget(ChkColShow[std::size_t(i)]);
      }
    v->addStretch(1);
    columns->addWidget(frame);
  };
  addColumn(tr("Client"), nullptr, {{0, col::SecDet}, {col::ImportLogs, col::ImportLogs}});
  addColumn(tr("As per Software"), ChkSoftware, {{SoftwareFirst, SoftwareLast}});
  addColumn(tr("As Per Login"), ChkLogin, {{LoginFirst, LoginLast}});
  addColumn(tr("To be Changed"), ChkChange, {{ChangeFirst, ChangeLast}});

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(CmdOKSetup);
  buttons->addWidget(CmdCancelSetup);

  auto* heading = new QLabel(tr("Columns to show"), this);
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);

  layout_ = new QVBoxLayout(this);
  layout_->addWidget(heading);
  layout_->addLayout(columns);
  layout_->addLayout(buttons);
  resize(sizeHint());

  connect(ChkSoftware, &QCheckBox::clicked, this, &SetupPanel::ChkSoftware_Click);
  connect(ChkLogin, &QCheckBox::clicked, this, &SetupPanel::ChkLogin_Click);
  connect(ChkChange, &QCheckBox::clicked, this, &SetupPanel::ChkChange_Click);
  connect(CmdOKSetup, &ZENButton::Click, this, &SetupPanel::CmdOKSetup_Click);
  connect(CmdCancelSetup, &ZENButton::Click, this, &SetupPanel::CmdCancelSetup_Click);
}

std::array<SetupPanel::Group, 3> SetupPanel::groups() const {
  return {{{ChkSoftware, SoftwareFirst, SoftwareLast},
           {ChkLogin, LoginFirst, LoginLast},
           {ChkChange, ChangeFirst, ChangeLast}}};
}

void SetupPanel::LoadColumns() {
  ErrorTrap trap(Window, u"Form_Load");
  for (int i = 0; i < vsCL_->Cols() && i < col::Count; ++i)
    trap([&] {
      QCheckBox* box = ChkColShow[std::size_t(i)];
      box->setText(vsCL_->TextMatrix(1, i));
      box->setChecked(!vsCL_->model()->ColHidden(i));
    });
}

void SetupPanel::applyGroup(const Group& g) {
  const bool on = g.box->isChecked();
  for (int i = g.first; i <= g.last; ++i) ChkColShow[std::size_t(i)]->setEnabled(on);
}

void SetupPanel::ChkSoftware_Click() {
  applyGroup(groups()[0]);
}

void SetupPanel::ChkLogin_Click() {
  applyGroup(groups()[1]);
}

void SetupPanel::ChkChange_Click() {
  applyGroup(groups()[2]);
}

void SetupPanel::CmdOKSetup_Click() {
  ErrorTrap trap(Window, u"CmdOKSetup_Click");
  for (const Group& g : groups())
    if (g.box->checkState() == Qt::Unchecked)
      for (int i = g.first; i <= g.last; ++i) ChkColShow[std::size_t(i)]->setChecked(false);
  trap([&] {
    grid::FlexGridModel& m = *vsCL_->model();
    const grid::RedrawPause pause(m);
    for (int i = 0; i < m.Cols() && i < col::Count; ++i)
      m.setColHidden(i, ChkColShow[std::size_t(i)]->checkState() == Qt::Unchecked);
  });
  emit applied();
  CmdCancelSetup_Click();
}

void SetupPanel::addSection(QWidget* section) {
  layout_->insertWidget(layout_->count() - 1, section);
  resize(sizeHint());
}

void SetupPanel::CmdCancelSetup_Click() {
  emit closeRequested();
}

}  // namespace kestrel
