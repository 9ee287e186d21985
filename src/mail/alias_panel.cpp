#include "mail/alias_panel.h"

#include "controls/panel_builders.h"
#include "entry/error_log.h"
#include "entry/interaction.h"
#include "mail/mail_store.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kestrel::mail {

AliasPanel::AliasPanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("FraFwdSetup"));
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Raised);
  setAutoFillBackground(true);

  auto* title = new QLabel(QStringLiteral("Alias Setup"), this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  auto* slotsLayout = new QGridLayout;
  for (int i = 0; i < 3; ++i) {
    auto* box = new QComboBox(this);
    box->setObjectName(QStringLiteral("CmbOption_%1").arg(i));
    for (int code = 0; code < int(AliasPartEntries.size()); ++code)
      box->addItem(QString::fromLatin1(AliasPartEntries[std::size_t(code)]), code);
    auto* field = new QLineEdit(this);
    field->setObjectName(QStringLiteral("TxtOption_%1").arg(i));
    field->setEnabled(false);
    field->setMaximumWidth(120);
    optionBoxes[std::size_t(i)] = box;
    optionFields[std::size_t(i)] = field;
    slotsLayout->addWidget(new QLabel(QStringLiteral("Part %1").arg(i + 1), this), i, 0);
    slotsLayout->addWidget(box, i, 1);
    slotsLayout->addWidget(field, i, 2);
    box->installEventFilter(this);
    field->installEventFilter(this);
    connect(box, &QComboBox::activated, this, [this, i] { optionChosen(i); });
  }
  okButton = MakeButton("CmdOKFwdSetup", "&OK", this);
  cancelButton = MakeButton("CmdCancelFwdSetup", "&Cancel", this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title);
  layout->addLayout(slotsLayout);
  layout->addLayout(buttons);
  setMinimumWidth(420);

  connect(okButton, &ZENButton::Click, this, [this] {
    // The click that moved the focus out of a refused field does not run.
    if (std::exchange(leaveRefused_, false))
      return;
    emit runRequested();
  });
  connect(cancelButton, &ZENButton::Click, this, [this] {
    leaveRefused_ = false;
    emit closeRequested();
  });
}

AliasSlots AliasPanel::chosenParts() const {
  AliasSlots s;
  for (std::size_t i = 0; i < s.size(); ++i)
    s[i] = {optionBoxes[i]->currentIndex() < 0 ? -1 : optionBoxes[i]->currentData().toInt(),
            optionFields[i]->text()};
  return s;
}

void AliasPanel::optionChosen(int slot) {
  ErrorTrap trap(MailWindowName, u"CmbOption_Click");
  trap([&] {
    for (int later = slot + 1; later < 3; ++later) {
      optionBoxes[std::size_t(later)]->setCurrentIndex(0);
      optionFields[std::size_t(later)]->clear();
      optionFields[std::size_t(later)]->setEnabled(false);
    }
    QLineEdit* field = optionFields[std::size_t(slot)];
    field->clear();
    field->setEnabled(SlotTakesText(optionBoxes[std::size_t(slot)]->currentData().toInt()));
  });
}

bool AliasPanel::checkLeavingOption(int slot) {
  if (!RepeatsEarlierSlot(chosenParts(), slot))
    return true;
  ui().MsgBox(QString::fromLatin1(DuplicateValueMessage), Interaction::Icon::Information);
  return false;
}

bool AliasPanel::checkLeavingField(int slot) {
  const QString message =
      SlotTextRefusal(chosenParts()[std::size_t(slot)].code, optionFields[std::size_t(slot)]->text());
  if (message.isEmpty())
    return true;
  ui().MsgBox(message, Interaction::Icon::None);
  return false;
}

bool AliasPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    // Typing after a refusal: the next click is a fresh one.
    leaveRefused_ = false;
    return false;
  }
  if (event->type() != QEvent::FocusOut)
    return QFrame::eventFilter(watched, event);
  const auto reason = static_cast<QFocusEvent*>(event)->reason();
  if (checking_ || reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason || !isVisible())
    return false;
  QWidget* next = QApplication::focusWidget();
  // Cancel leaves without checks.
  if (next == cancelButton)
    return false;
  for (int i = 0; i < 3; ++i) {
    const bool onBox = watched == optionBoxes[std::size_t(i)];
    if (!onBox && watched != optionFields[std::size_t(i)])
      continue;
    checking_ = true;
    const bool accepted = onBox ? checkLeavingOption(i) : checkLeavingField(i);
    checking_ = false;
    leaveRefused_ = !accepted;
    if (!accepted)
      static_cast<QWidget*>(watched)->setFocus(Qt::OtherFocusReason);
  }
  return false;
}

}  // namespace kestrel::mail
