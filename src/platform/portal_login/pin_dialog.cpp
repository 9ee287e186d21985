#include "pin_dialog.h"

#include "portal_login_component.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>

namespace kestrel {

namespace {
constexpr int Gap = 8;

QRect globalRect(const QWidget* w) {
  return {w->mapToGlobal(QPoint(0, 0)), w->size()};
}
}  // namespace

QPoint PinDialogPosition(const QSize& dialog, const QRect& window, const QRect& panel, const QRect& cancel,
                         const QRect& screen) {
  const auto clampX = [&](int x) {
    return std::max(screen.left(), std::min(x, screen.right() + 1 - dialog.width()));
  };
  const auto clampY = [&](int y) {
    return std::max(screen.top(), std::min(y, screen.bottom() + 1 - dialog.height()));
  };
  const int x = clampX(window.center().x() - dialog.width() / 2);
  const int middle = window.center().y();
  for (const QRect& clear : std::array<QRect, 2>{panel, cancel}) {
    if (clear.isEmpty())
      continue;
    std::optional<int> best;
    for (const int y : {clear.top() - Gap - dialog.height(), clear.bottom() + 1 + Gap}) {
      const bool fits = y >= screen.top() && y + dialog.height() <= screen.bottom() + 1;
      if (fits && (!best || std::abs(y + dialog.height() / 2 - middle) <
                                std::abs(*best + dialog.height() / 2 - middle)))
        best = y;
    }
    if (best)
      return {x, *best};
  }
  if (cancel.isEmpty())
    return {x, clampY(middle - dialog.height() / 2)};
  // Too little room above and below: beside the button, left of it when that fits.
  const int left = cancel.left() - Gap - dialog.width();
  return {left >= screen.left() ? left : clampX(cancel.right() + 1 + Gap),
          clampY(middle - dialog.height() / 2)};
}

PinProvider PinDialogProvider(int waitMs) {
  return [waitMs](const PinRequest& request,
                  const std::function<bool()>& cancelled) -> std::optional<PinReply> {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
      return std::nullopt;
    QWidget* window = QApplication::activeWindow();
    QDialog dialog(window);
    dialog.setObjectName(QStringLiteral("dlgPortalPin"));
    dialog.setWindowTitle(QStringLiteral("e-filing portal: PIN validation"));
    auto* layout = new QVBoxLayout(&dialog);
    QString intro = QStringLiteral("The portal has sent PINs for %1 to the new mobile %2 and e-mail %3.")
                        .arg(request.userId, request.mobile, request.email);
    if (request.attempt > 1 && !request.portalMessage.isEmpty())
      intro += QStringLiteral("\n\n") + request.portalMessage;
    auto* label = new QLabel(intro, &dialog);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* form = new QFormLayout;
    const auto* digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,8}")), &dialog);
    auto* mobilePin = new QLineEdit(&dialog);
    auto* emailPin = new QLineEdit(&dialog);
    for (QLineEdit* edit : {mobilePin, emailPin}) edit->setValidator(digits);
    form->addRow(QStringLiteral("Mobile PIN:"), mobilePin);
    form->addRow(QStringLiteral("E-mail PIN:"), emailPin);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    buttons->addButton(QStringLiteral("Later"), QDialogButtonBox::RejectRole);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);
    auto complete = [=] { ok->setEnabled(!mobilePin->text().isEmpty() && !emailPin->text().isEmpty()); };
    QObject::connect(mobilePin, &QLineEdit::textChanged, &dialog, complete);
    QObject::connect(emailPin, &QLineEdit::textChanged, &dialog, complete);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);

    // One size from the font, not from the window or the message, and none of the user's
    // resizing.
    const int width = dialog.fontMetrics().averageCharWidth() * 60;
    dialog.setFixedSize(width, layout->totalHeightForWidth(width));

    // The run's Cancel stays usable while the dialog waits: the dialog blocks no window
    // and stands clear of the progress panel.
    dialog.setWindowModality(Qt::NonModal);
    dialog.show();
    if (window) {
      QRect panel, cancel;
      if (const auto* button = window->findChild<QWidget*>(QStringLiteral("cmdprogC"));
          button && button->isVisible()) {
        cancel = globalRect(button);
        const QWidget* top = button;
        while (top->parentWidget() && top->parentWidget() != window) top = top->parentWidget();
        panel = globalRect(top);
      }
      const QScreen* screen = window->screen();
      const QRect area = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), QSize(1 << 15, 1 << 15));
      dialog.move(PinDialogPosition(dialog.frameGeometry().size(), globalRect(window), panel, cancel, area));
    }
    dialog.activateWindow();
    mobilePin->setFocus();

    QEventLoop loop;
    QObject::connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &dialog, [&] {
      if (cancelled())
        dialog.reject();
    });
    watch.start(100);
    QTimer::singleShot(waitMs, &dialog, &QDialog::reject);
    loop.exec();
    if (dialog.result() != QDialog::Accepted)
      return std::nullopt;
    return PinReply{mobilePin->text(), emailPin->text()};
  };
}

}  // namespace kestrel
