#include "entry/notice_dialog.h"

#include "controls/zen_button.h"
#include "entry/mod_it_main.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

#include <algorithm>

namespace kestrel {

namespace {
QPointer<NoticeDialog>& defaultInstance() {
  static QPointer<NoticeDialog> instance;
  return instance;
}
}  // namespace

const QStringList& NoticeTerms() {
  static const QStringList terms = {
      QStringLiteral("No additional services will be provided since the help manual is available for the "
                     "reference."),
      QString(),
      QStringLiteral(
          "The service provider is not responsible for any discrepancy while the server is down for "
          "technical reasons, since it has no rights on the server side."),
      QStringLiteral("The domain and hosting are created after payment, their activation takes at least 48 "
                     "working hours, and the subscription is not refundable."),
      QStringLiteral(
          "This feature is free of charge except the mail setup facility, which needs a domain and "
          "hosting subscribed from the service provider and does not work with the customer's own "
          "hosting."),
  };
  return terms;
}

NoticeDialog::NoticeDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FrmNotice"));
  setWindowTitle(QString::fromLatin1(NoticeCaption));
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(true);

  headingLabel = new QLabel(QString::fromLatin1(NoticeHeading), this);
  headingLabel->setObjectName(QStringLiteral("lblHeading"));
  headingLabel->setAlignment(Qt::AlignCenter);
  QFont heading = headingLabel->font();
  heading.setBold(true);
  heading.setPointSizeF(heading.pointSizeF() * 1.4);
  headingLabel->setFont(heading);

  // An empty term is a gap between the bullets, not a bullet of its own.
  const QString listStart = QStringLiteral("<ul style=\"margin-left:0px\">");
  QString html = listStart;
  for (const QString& term : NoticeTerms())
    html += term.isEmpty()
                ? QStringLiteral("</ul><p></p>") + listStart
                : QStringLiteral("<li style=\"margin-bottom:6px\">%1</li>").arg(term.toHtmlEscaped());
  html += QStringLiteral("</ul>");
  termsLabel = new QLabel(html, this);
  termsLabel->setObjectName(QStringLiteral("lblTerms"));
  termsLabel->setTextFormat(Qt::RichText);
  termsLabel->setWordWrap(true);

  backButton = new ZENButton(this);
  backButton->setObjectName(QStringLiteral("CmdCancelNotice"));
  backButton->setCaption(QStringLiteral("<< &Back"));
  continueButton = new ZENButton(this);
  continueButton->setObjectName(QStringLiteral("CmdContinue"));
  continueButton->setCaption(QStringLiteral("&Continue >>"));
  for (ZENButton* b : {backButton, continueButton}) b->setMinimumSize(120, 30);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(backButton);
  buttons->addWidget(continueButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(headingLabel);
  layout->addSpacing(8);
  layout->addWidget(termsLabel, 1);
  layout->addLayout(buttons);
  // However narrow, the terms keep the height their wrapped lines need.
  const int minimumWidth = std::max(560, fontMetrics().averageCharWidth() * 72);
  setMinimumSize(minimumWidth, layout->totalHeightForWidth(minimumWidth));
  const int width = minimumWidth * 11 / 10;
  resize(width, layout->totalHeightForWidth(width));

  connect(continueButton, &ZENButton::Click, this, &NoticeDialog::acceptTerms);
  connect(backButton, &ZENButton::Click, this, &NoticeDialog::goBack);
  continueButton->setFocus();
}

NoticeDialog::~NoticeDialog() {
  if (defaultInstance() == this)
    defaultInstance() = nullptr;
}

NoticeDialog& NoticeDialog::instance() {
  if (!defaultInstance())
    defaultInstance() = new NoticeDialog;
  return *defaultInstance();
}

bool NoticeDialog::exists() {
  return !defaultInstance().isNull();
}

void NoticeDialog::acceptTerms() {
  ModIT_Main().NoticeAccepted = true;
  goBack();
}

void NoticeDialog::goBack() {
  close();
}

void NoticeDialog::keyPressEvent(QKeyEvent* event) {
  // Escape does what Back does and goes no further.
  if (event->key() == Qt::Key_Escape) {
    goBack();
    event->accept();
    return;
  }
  // Enter on a focused button presses it; the dialog has no default button of its own.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (auto* b = qobject_cast<ZENButton*>(focusWidget()); b && b->isEnabled()) {
      b->PerformClick();
      event->accept();
      return;
    }
  }
  QDialog::keyPressEvent(event);
}

void NoticeDialog::closeEvent(QCloseEvent* event) {
  // Unloading clears the default instance; the next OpenForm builds a fresh notice.
  if (defaultInstance() == this)
    defaultInstance() = nullptr;
  QDialog::closeEvent(event);
}

}  // namespace kestrel
