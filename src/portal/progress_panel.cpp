#include "portal/progress_panel.h"

#include "controls/zen_button.h"
#include "entry/error_log.h"
#include "entry/interaction.h"
#include "portal/portal_run.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace kestrel {

namespace {
constexpr int PanelWidth = 420;
constexpr int PanelHeight = 150;

QString minutesAndSeconds(qint64 seconds) {
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
}  // namespace

ProgressPanel::ProgressPanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("FraProgress"));
  setFrameShape(QFrame::Box);
  setFrameShadow(QFrame::Raised);
  setLineWidth(1);
  setAutoFillBackground(true);
  setFixedWidth(PanelWidth);
  setMinimumHeight(PanelHeight);

  innerFrame = new QFrame(this);
  innerFrame->setObjectName(QStringLiteral("fraProgIn"));
  innerFrame->setFrameShape(QFrame::StyledPanel);
  innerFrame->setFrameShadow(QFrame::Sunken);

  progressLabel = new QLabel(innerFrame);
  progressLabel->setObjectName(QStringLiteral("lblprog"));
  progressLabel->setAlignment(Qt::AlignCenter);
  progressLabel->setWordWrap(true);

  clientLabel = new QLabel(innerFrame);
  clientLabel->setObjectName(QStringLiteral("lblPartyName"));
  clientLabel->setAlignment(Qt::AlignCenter);
  clientLabel->setWordWrap(true);
  QFont bold = clientLabel->font();
  bold.setBold(true);
  clientLabel->setFont(bold);

  for (int i = 0; i < PortalPace::MaxSessions; ++i) {
    auto* line = new QLabel(innerFrame);
    line->setObjectName(QStringLiteral("lblSession%1").arg(i + 1));
    line->setWordWrap(true);
    line->setTextFormat(Qt::PlainText);
    line->hide();
    sessionLabels.push_back(line);
  }

  countLabel = new QLabel(innerFrame);
  countLabel->setObjectName(QStringLiteral("lblProgCount"));
  countLabel->setAlignment(Qt::AlignCenter);
  countLabel->setTextFormat(Qt::PlainText);
  bar = new QProgressBar(innerFrame);
  bar->setObjectName(QStringLiteral("PBar"));
  bar->setRange(0, 100);
  bar->setTextVisible(false);
  bar->setFixedHeight(12);

  resumeButton = new ZENButton(innerFrame);
  resumeButton->setObjectName(QStringLiteral("cmdprogR"));
  resumeButton->setCaption(QStringLiteral("&Resume now"));
  resumeButton->setFixedSize(120, 28);
  resumeButton->hide();

  cancelButton = new ZENButton(innerFrame);
  cancelButton->setObjectName(QStringLiteral("cmdprogC"));
  cancelButton->setCaption(QStringLiteral("&Cancel"));
  cancelButton->setFixedSize(96, 28);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(resumeButton);
  buttons->addWidget(cancelButton);
  buttons->addStretch(1);

  auto* inner = new QVBoxLayout(innerFrame);
  inner->setContentsMargins(10, 8, 10, 8);
  inner->setSpacing(6);
  inner->addWidget(progressLabel);
  inner->addWidget(clientLabel);
  for (QLabel* line : sessionLabels) inner->addWidget(line);
  inner->addWidget(countLabel);
  inner->addWidget(bar);
  inner->addLayout(buttons);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(6, 6, 6, 6);
  outer->addWidget(innerFrame);

  estimateTimer_.setInterval(1000);
  connect(&estimateTimer_, &QTimer::timeout, this, &ProgressPanel::showEstimate);

  connect(cancelButton, &ZENButton::Click, this, &ProgressPanel::confirmCancel);
  connect(resumeButton, &ZENButton::Click, this, &ProgressPanel::resumeRequested);
}

void ProgressPanel::follow(PortalRun& run) {
  connect(&run, &PortalRun::started, this, [this, &run] { begin(run.pace().sessions); });
  connect(&run, &PortalRun::clientStarted, this, &ProgressPanel::showClient);
  connect(&run, &PortalRun::progressText, this, &ProgressPanel::showProgress);
  connect(&run, &PortalRun::clientsDone, this, &ProgressPanel::showCount);
  connect(&run, &PortalRun::sessionClient, this, &ProgressPanel::showSessionClient);
  connect(&run, &PortalRun::sessionProgress, this, &ProgressPanel::showSessionProgress);
  connect(&run, &PortalRun::resting, this, &ProgressPanel::showRest);
  connect(this, &ProgressPanel::resumeRequested, &run, &PortalRun::resumeNow);
}

void ProgressPanel::begin(int sessions) {
  setCancelRequested(false);
  resting_ = false;
  runText_.clear();
  progressLabel->clear();
  progressLabel->hide();
  clientLabel->clear();
  countLabel->clear();
  bar->setValue(0);
  resumeButton->hide();
  const int lines = sessions > 1 ? std::min<int>(sessions, int(sessionLabels.size())) : 0;
  sessionClients_.assign(std::size_t(lines), QString());
  sessionSteps_.assign(std::size_t(lines), QString());
  for (int i = 0; i < int(sessionLabels.size()); ++i) {
    sessionLabels[std::size_t(i)]->setVisible(i < lines);
    if (i < lines)
      showSession(i);
  }
  if (lines > 0)
    clientLabel->setText(QStringLiteral("Fetching Details in %1 portal sessions").arg(lines));
  innerFrame->setVisible(true);
  fit();
}

void ProgressPanel::fit() {
  // The width is fixed; wrapped captions take the height they need, and the panel keeps its
  // centre over the window.
  const int wanted =
      std::max(minimumHeight(), hasHeightForWidth() ? heightForWidth(width()) : sizeHint().height());
  if (wanted == height())
    return;
  const QPoint centre = geometry().center();
  resize(width(), wanted);
  if (isVisible())
    move(centre.x() - width() / 2, centre.y() - wanted / 2);
}

void ProgressPanel::showClient(const QString& partyName) {
  clientLabel->setText(QStringLiteral("Fetching Details for - ") + partyName);
}

void ProgressPanel::showProgress(const QString& text) {
  runText_ = text;
  if (!resting_) {
    progressLabel->setText(text);
    progressLabel->setVisible(!text.isEmpty());
    fit();
  }
}

void ProgressPanel::showCount(int done, int total) {
  if (done == 0)
    estimate_.start(total);
  estimate_.setTotal(total);
  estimate_.setDone(done);
  bar->setValue(estimate_.percent());
  showEstimate();
  if (done < total)
    estimateTimer_.start();
  else
    estimateTimer_.stop();
}

void ProgressPanel::showEstimate() {
  QString text = estimate_.countText(QStringLiteral("clients"));
  if (const QString left = estimate_.remainingText(); !left.isEmpty())
    text += QStringLiteral("  \u00b7  ") + left;
  countLabel->setText(text);
}

QLabel* ProgressPanel::sessionLabel(int session) const {
  return session >= 0 && session < int(sessionClients_.size()) ? sessionLabels[std::size_t(session)]
                                                               : nullptr;
}

void ProgressPanel::showSession(int session) {
  const std::size_t i = std::size_t(session);
  const QString head = QStringLiteral("%1. ").arg(session + 1);
  if (sessionClients_[i].isEmpty())
    sessionLabels[i]->setText(head + QStringLiteral("free"));
  else
    sessionLabels[i]->setText(head + sessionClients_[i] + QStringLiteral("\n     ") + sessionSteps_[i]);
  fit();
}

void ProgressPanel::showSessionClient(int session, const QString& partyName) {
  if (!sessionLabel(session))
    return;
  sessionClients_[std::size_t(session)] = partyName;
  sessionSteps_[std::size_t(session)].clear();
  showSession(session);
}

void ProgressPanel::showSessionProgress(int session, const QString& text) {
  if (!sessionLabel(session))
    return;
  sessionSteps_[std::size_t(session)] = text;
  showSession(session);
}

void ProgressPanel::showRest(qint64 secondsLeft, const QString& reason) {
  resting_ = secondsLeft > 0;
  resumeButton->setVisible(resting_);
  if (resting_)
    progressLabel->setText(
        reason + QStringLiteral("\nThe next client starts in %1.").arg(minutesAndSeconds(secondsLeft)));
  else
    progressLabel->setText(runText_);
  progressLabel->setVisible(!progressLabel->text().isEmpty());
  fit();
}

void ProgressPanel::end() {
  estimateTimer_.stop();
  innerFrame->setVisible(false);
}

void ProgressPanel::confirmCancel() {
  // The run looks at the mark before each client; the client in progress is finished.
  ErrorTrap trap(u"frmKestrel", u"cmdprogC_Click");
  trap([&] {
    if (cancelRequested_)
      return;
    if (ui().AskYesNo(QStringLiteral("Do you really want to Cancel?"), /*defaultNo=*/true))
      setCancelRequested(true);
  });
}

}  // namespace kestrel
