#include "entry/frm_notice.h"

#include "controls/zen_button.h"
#include "entry/mod_it_main.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

namespace kestrel {

namespace {
QPointer<FrmNotice>& defaultInstance() {
  static QPointer<FrmNotice> instance;
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

FrmNotice::FrmNotice(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FrmNotice"));
  setWindowTitle(QString::fromLatin1(NoticeCaption));
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(true);

  lblHeading = new QLabel(QString::fromLatin1(NoticeHeading), this);
  lblHeading->setObjectName(QStringLiteral("lblHeading"));
  lblHeading->setAlignment(Qt::AlignCenter);
  QFont heading = lblHeading->font();
  heading.setBold(true);
  heading.setPointSizeF(heading.pointSizeF() * 1.4);
  lblHeading->setFont(heading);

  QString html = QStringLiteral("<ul style=\"margin-left:0px\">");
  for (const QString& term : NoticeTerms())
    html += QStringLiteral("<li style=\"margin-bottom:6px\">%1</li>")
                .arg(term.isEmpty() ? QStringLiteral("&nbsp;") : term.toHtmlEscaped());
  html += QStringLiteral("</ul>");
  lblTerms = new QLabel(html, this);
  lblTerms->setObjectName(QStringLiteral("lblTerms"));
  lblTerms->setTextFormat(Qt::RichText);
  lblTerms->setWordWrap(true);

  CmdCancelNotice = new ZENButton(this);
  CmdCancelNotice->setObjectName(QStringLiteral("CmdCancelNotice"));
  CmdCancelNotice->setCaption(QStringLiteral("<< &Back"));
  CmdContinue = new ZENButton(this);
  CmdContinue->setObjectName(QStringLiteral("CmdContinue"));
  CmdContinue->setCaption(QStringLiteral("&Continue >>"));
  for (ZENButton* b : {CmdCancelNotice, CmdContinue}) b->setMinimumSize(120, 30);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(CmdCancelNotice);
  buttons->addWidget(CmdContinue);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblHeading);
  layout->addSpacing(8);
  layout->addWidget(lblTerms, 1);
  layout->addLayout(buttons);
  setMinimumWidth(560);
  resize(620, sizeHint().height());

  connect(CmdContinue, &ZENButton::Click, this, &FrmNotice::CmdContinue_Click);
  connect(CmdCancelNotice, &ZENButton::Click, this, &FrmNotice::CmdCancelNotice_Click);
  CmdContinue->setFocus();
}

FrmNotice::~FrmNotice() {
  if (defaultInstance() == this)
    defaultInstance() = nullptr;
}

FrmNotice& FrmNotice::Instance() {
  if (!defaultInstance())
    defaultInstance() = new FrmNotice;
  return *defaultInstance();
}

bool FrmNotice::Exists() {
  return !defaultInstance().isNull();
}

void FrmNotice::CmdContinue_Click() {
  ModIT_Main().NoticeAccepted = true;
  CmdCancelNotice_Click();
}

void FrmNotice::CmdCancelNotice_Click() {
  close();
}

void FrmNotice::Form_KeyPress(int& keyAscii) {
  if (keyAscii == 27) {
    keyAscii = 0;
    CmdCancelNotice_Click();
  }
}

void FrmNotice::keyPressEvent(QKeyEvent* event) {
  int key = event->key() == Qt::Key_Escape ? 27 : 0;
  if (key == 27) {
    Form_KeyPress(key);
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

void FrmNotice::closeEvent(QCloseEvent* event) {
  // Unloading clears the default instance; the next OpenForm builds a fresh notice.
  if (defaultInstance() == this)
    defaultInstance() = nullptr;
  QDialog::closeEvent(event);
}

}  // namespace kestrel
