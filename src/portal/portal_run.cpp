#include "portal/portal_run.h"

#include "entry/error_log.h"
#include "entry/interaction.h"
#include "entry/mod_it_main.h"
#include "platform/grid/flexgrid_model.h"
#include "portal/portal_rules.h"
#include "portal/portal_sessions.h"
#include "register/register_layout.h"

#include <QDir>
#include <QEventLoop>

#include <cmath>
#include <optional>

namespace kestrel {

namespace {

// The window the run belongs to, as the error log names it.
constexpr const char16_t* Window = u"frmKestrel";

const QColor NonVerifiedBack(227, 250, 251);
const QColor ValidatePinBack(192, 255, 192);
const QColor FailedBack(255, 227, 235);
const QColor UpdatedFore(0, 0, 255);

constexpr int LastCol = col::ImportLogs;
// How often a rest looks at the clock and the cancel mark, and the run at the cancel mark while
// its sessions work.
constexpr int WatchMs = 50;

bool Is(const QString& status, const char* text) {
  return status == QLatin1String(text);
}

// The ten cells of one contact group of a row, the group starting at firstCol.
ContactGroup ReadGroup(const grid::FlexGridModel& clients, int row, int firstCol) {
  ContactGroup group;
  for (int i = 0; i < int(group.size()); ++i) group[size_t(i)] = clients.TextMatrix(row, firstCol + i);
  return group;
}

void WriteGroup(grid::FlexGridModel& clients, int row, int firstCol, const ContactGroup& group) {
  for (int i = 0; i < int(group.size()); ++i) clients.setTextMatrix(row, firstCol + i, group[size_t(i)]);
}

// The portal keeps one session per PAN, whatever case or blanks the register gives it.
QString PanKey(const grid::FlexGridModel& clients, int row) {
  return clients.TextMatrix(row, col::Pan).trimmed().toUpper();
}

// A step on the window's thread: what it raises goes to the error log under the routine.
std::optional<ErrObject> LoggingGuard(const QString& routine, const std::function<void()>& statement) {
  ErrorTrap trap(Window, routine);
  if (trap(statement))
    return std::nullopt;
  return trap.lastError();
}

}  // namespace

PortalRun::PortalRun(grid::FlexGridModel& clients, std::function<bool()> isCancelled, QObject* parent)
    : QObject(parent), clients_(clients), isCancelled_(std::move(isCancelled)) {
  restTimer_.setInterval(WatchMs);
  connect(&restTimer_, &QTimer::timeout, this, &PortalRun::restTick);
  spacingTimer_.setSingleShot(true);
  spacingTimer_.setTimerType(Qt::PreciseTimer);
  connect(&spacingTimer_, &QTimer::timeout, this, &PortalRun::handOut);
  cancelWatch_.setInterval(WatchMs);
  connect(&cancelWatch_, &QTimer::timeout, this, [this] {
    const bool cancelled = cancelRequested();
    pool_->setCancelled(cancelled);
    if (cancelled) {
      endRest();
      endIfDone();
    }
  });
}

PortalRun::~PortalRun() = default;

void PortalRun::showProgress(const QString& text) {
  emit progressText(text);
}

bool PortalRun::cancelRequested() const {
  return isCancelled_ && isCancelled_();
}

std::shared_ptr<PortalLogin> PortalRun::newPortalLogin() {
  auto login = CreateObject<PortalLogin>(QString::fromLatin1(PortalLogin::ProgId));
  BaseComponent& base = Base();
  login->InitMe(base.ExePath() + QDir::separator() + QStringLiteral("VelLog.log"), base.vTmpPath(), this,
                base.vScreenRatX(), base.vScreenRatY(), base.vScreenRatFS());
  return login;
}

void PortalRun::colourOutcome(int row) {
  if (Is(statusText, outcome::NonVerified)) {
    clients_.setCellBackColor(row, 0, row, LastCol, NonVerifiedBack);
  } else if (Is(statusText, outcome::ValidatePin)) {
    clients_.setCellBackColor(row, 0, row, LastCol, ValidatePinBack);
  } else if (Is(statusText, outcome::ContactSuccess)) {
    // The portal took the details during the login's own confirmation steps.
    confirmOutcome(row);
  } else {
    clients_.setCellBackColor(row, 0, row, LastCol, FailedBack);
  }
}

QString PortalRun::unsavedToolTip() {
  return QStringLiteral(
      "Confirmed by the portal, not saved in the software yet: kept to be saved when the clients are "
      "loaded again or with \"Save Confirmed Details\"");
}

QString PortalRun::accessRefusedMessage(const QString& partyName) {
  return QStringLiteral(
             "The e-filing portal answered \"Permission Denied\" for %1: it refuses automated access "
             "for now. The run was stopped after that client and nothing was sent again.\n\n"
             "Clients without an outcome in \"Import Logs\" were not processed; try them again later.")
      .arg(partyName);
}

void PortalRun::confirmOutcome(int row) {
  const bool saved = writeBackConfirmedDetails();
  clients_.setCellForeColor(row, 0, row, LastCol, UpdatedFore);
  if (!saved)
    clients_.setCellBackColor(row, 0, row, LastCol, unsavedBackColour());
}

bool PortalRun::selected(int row) const {
  ErrorTrap trap(Window, u"LoginToITR");
  return trap.value([&] { return !clients_.RowHidden(row) && clients_.CellChecked(row, col::SrNo) == 1; },
                    false);
}

int PortalRun::nextSelectedRow(int from) const {
  for (int row = std::max(from, FirstDataRow); row < clients_.Rows(); ++row)
    if (selected(row))
      return row;
  return -1;
}

ClientJob PortalRun::prepareJob(int row, RunMode mode) {
  ErrorTrap trap(Window, u"LoginToITR");
  ClientJob job;
  job.row = row;
  job.mode = mode;
  job.pan = trap.value([&] { return clients_.TextMatrix(row, col::Pan); }, QString());
  job.password = trap.value([&] { return clients_.TextMatrix(row, col::Password); }, QString());
  if (mode == RunMode::Update) {
    ErrorTrap update(Window, u"UPDATECONTDETWHR");
    update([&] { job.update = BuildContactUpdate(ReadGroup(clients_, row, col::Change)); });
  }
  return job;
}

void PortalRun::runClients(RunMode mode) {
  // The panels are disabled while a run goes on; a second run from a nested event would
  // interleave two clients' sessions.
  if (running_)
    return;
  running_ = true;
  journaled_ = false;
  unsaved_.clear();
  stopped_ = false;
  refusedClient_.clear();
  busyInRow_ = 0;
  doneCount_ = 0;
  selectedCount_ = 0;
  elapsedMs_ = 0;
  runClock_.start();
  mode_ = mode;
  ErrorTrap trap(Window, u"LoginToITR");
  pace_ = trap.value([&] { return readPace ? readPace() : PortalPace{}; }, PortalPace{});

  trap([&] { emit started(); });

  trap([&] {
    const int last = clients_.Rows() - 1;
    if (last >= FirstDataRow) {
      clients_.setCellBackColor(FirstDataRow, 0, last, LastCol, QColor());
      for (int r = FirstDataRow; r <= last; ++r) clients_.setTextMatrix(r, col::ImportLogs, QString());
    }
  });

  for (int row = FirstDataRow; row < clients_.Rows(); ++row) selectedCount_ += selected(row) ? 1 : 0;
  trap([&] { emit clientsDone(0, selectedCount_); });

  nextRow_ = FirstDataRow;
  if (pace_.sessions > 1)
    runInSessions();
  else
    runOneByOne(mode);

  elapsedMs_ = runClock_.elapsed();
  trap([&] { clients_.setColHidden(col::ImportLogs, false); });
  // The saved confirmations leave the journal; the others stay for the next load.
  if (journaled_)
    trap([] { ConfirmedUpdateJournal::ofSuite().compact(); });
  trap([&] { emit finished(); });
  running_ = false;
  if (!refusedClient_.isEmpty())
    trap([&] { ui().MsgBox(accessRefusedMessage(refusedClient_), Interaction::Icon::Critical); });
  if (!unsaved_.empty())
    trap([&] { ui().MsgBox(UnsavedConfirmationsMessage(unsaved_), Interaction::Icon::Exclamation); });
}

void PortalRun::runOneByOne(RunMode mode) {
  ErrorTrap trap(Window, u"LoginToITR");
  StepContext context;
  context.create = [this] {
    portalLogin.reset();
    portalLogin = newPortalLogin();
    return portalLogin;
  };
  context.progress = this;
  context.yield = [] { ui().DoEvents(); };
  context.guard = LoggingGuard;

  for (; nextRow_ < clients_.Rows(); ++nextRow_) {
    if (resting_) {
      QEventLoop rest;
      restLoop_ = &rest;
      rest.exec();
      restLoop_ = nullptr;
    }
    if (stopped_ || trap.value([&] { return cancelRequested(); }, false))
      break;
    trap([] { ui().DoEvents(); });
    const int row = nextRow_;
    if (!selected(row))
      continue;

    currentRow = row;
    trap([&] { emit clientStarted(clients_.TextMatrix(row, col::PartyName)); });
    statusText.clear();
    const ClientOutcome outcome = RunClientSteps(prepareJob(row, mode), context);
    portalLogin.reset();
    finishClient(outcome);
  }
}

void PortalRun::runInSessions() {
  ErrorTrap trap(Window, u"LoginToITR");
  SessionPool::Setup setup;
  trap([&] {
    BaseComponent& base = Base();
    setup = {base.ExePath() + QDir::separator() + QStringLiteral("VelLog.log"),
             base.vTmpPath(),
             base.vScreenRatX(),
             base.vScreenRatY(),
             base.vScreenRatFS(),
             pace_.takeOverOpenSession};
  });
  pool_ = std::make_unique<SessionPool>(pace_.sessions, setup);
  connect(pool_.get(), &SessionPool::progress, this, &PortalRun::sessionProgress);
  connect(pool_.get(), &SessionPool::finished, this, [this](int session, const ClientOutcome& outcome) {
    emit sessionClient(session, QString());
    sessionDone(outcome);
  });
  sinceLogin_.invalidate();
  pansInProgress_.clear();
  arrived_.clear();
  cancelWatch_.start();

  QEventLoop loop;
  runLoop_ = &loop;
  handOut();
  if (runLoop_)
    loop.exec();
  runLoop_ = nullptr;
  cancelWatch_.stop();
  spacingTimer_.stop();
  endRest();
  pool_.reset();
}

void PortalRun::handOut() {
  if (applying_ || !pool_)
    return;
  ErrorTrap trap(Window, u"LoginToITR");
  while (!stopped_ && !resting_ && !trap.value([&] { return cancelRequested(); }, false)) {
    const int session = pool_->idleSession();
    if (session < 0)
      break;
    const int row = nextSelectedRow(nextRow_);
    if (row < 0) {
      nextRow_ = clients_.Rows();
      break;
    }
    // Row order: a client whose PAN is in progress in another session waits for it.
    const QString pan = PanKey(clients_, row);
    if (pansInProgress_.contains(pan))
      break;
    if (sinceLogin_.isValid()) {
      const qint64 wait = pace_.scaled(pace_.loginSpacingMs) - sinceLogin_.elapsed();
      if (wait > 0) {
        spacingTimer_.start(int(wait));
        break;
      }
    }
    nextRow_ = row + 1;
    pansInProgress_.insert(pan);
    sinceLogin_.start();
    currentRow = row;
    trap([&] { emit sessionClient(session, clients_.TextMatrix(row, col::PartyName)); });
    pool_->start(session, prepareJob(row, mode_));
  }
  endIfDone();
}

void PortalRun::sessionDone(const ClientOutcome& outcome) {
  arrived_.push_back(outcome);
  // A client that finishes while another is written (the store may stop for a message)
  // waits for it: the rows, the store and the journal take one client at a time.
  if (applying_)
    return;
  applying_ = true;
  while (!arrived_.empty()) {
    const ClientOutcome next = std::move(arrived_.front());
    arrived_.pop_front();
    pansInProgress_.remove(PanKey(clients_, next.row));
    finishClient(next);
  }
  applying_ = false;
  handOut();
}

void PortalRun::endIfDone() {
  if (!runLoop_ || applying_ || resting_ || !arrived_.empty() || pool_->busyCount() > 0)
    return;
  if (stopped_ || cancelRequested() || nextSelectedRow(nextRow_) < 0) {
    runLoop_->quit();
    runLoop_ = nullptr;
  }
}

void PortalRun::finishClient(const ClientOutcome& o) {
  ErrorTrap trap(Window, u"LoginToITR");
  const int row = o.row;
  currentRow = row;
  // What the component raised on a session's thread is logged here.
  for (const auto& [routine, err] : o.failures) ErrorTrap(Window, routine)([&] { throw RuntimeError(err); });

  if (!o.loggedIn) {
    statusText = o.errData;
    trap([&] { clients_.setTextMatrix(row, col::ImportLogs, statusText); });
    trap([&] { colourOutcome(row); });
  } else {
    statusText = QString::fromLatin1(outcome::LoginSuccess);
    if (o.profile.isEmpty())
      statusText = QString::fromLatin1(outcome::ProfileFailed);
    else if (mode_ == RunMode::Update)
      statusText = QString::fromLatin1(o.accepted ? outcome::ContactSuccess : outcome::VerifyFailed);
    else
      readProfileIntoRow(row, o.profile);
    trap([&] { clients_.setTextMatrix(row, col::ImportLogs, statusText); });
    if (Is(statusText, outcome::ContactSuccess))
      trap([&] { confirmOutcome(row); });
  }
  trap([&] { clients_.AutoSize(0, clients_.Cols() - 1); });
  ++doneCount_;
  trap([&] { emit clientFinished(row, statusText); });
  trap([&] { emit clientsDone(doneCount_, selectedCount_); });
  steer(row, o.refusal);
}

void PortalRun::readProfileIntoRow(int row, const QString& profile) {
  ErrorTrap trap(Window, u"OPENMYPROFILEWHR");
  const QString pan = trap.value([&] { return clients_.TextMatrix(row, col::Pan); }, QString());
  const ProfileReading reading = trap.value([&] { return ReadProfile(profile, pan); }, ProfileReading{});
  if (reading.hasName)
    trap([&] { clients_.setTextMatrix(row, col::LoginName, reading.name); });
  if (!reading.failure.isEmpty()) {
    statusText = reading.failure;
    return;
  }
  if (reading.hasContacts)
    trap([&] { WriteGroup(clients_, row, col::Login, reading.login); });
}

void PortalRun::steer(int row, PortalRefusal refusal) {
  if (refusal == PortalRefusal::AccessRefused) {
    // Every further request would be refused too, and might count against the firm.
    stopped_ = true;
    if (refusedClient_.isEmpty())
      refusedClient_ = clients_.TextMatrix(row, col::PartyName);
    busyInRow_ = 0;
    return;
  }
  if (refusal != PortalRefusal::Busy) {
    busyInRow_ = 0;
    return;
  }
  if (++busyInRow_ >= std::max(1, pace_.busyGiveUpsBeforePause)) {
    busyInRow_ = 0;
    startRest();
  }
}

void PortalRun::startRest() {
  // Nothing left to start: resting would only keep the user waiting. (One by one, nextRow_ is
  // still the row just done.)
  const int next = nextSelectedRow(pool_ ? nextRow_ : nextRow_ + 1);
  if (resting_ || stopped_ || cancelRequested() || next < 0)
    return;
  resting_ = true;
  restShown_ = -1;
  restClock_.start();
  restTimer_.start();
  restTick();
}

void PortalRun::restTick() {
  if (!resting_)
    return;
  const qint64 length = pace_.scaled(pace_.busyPauseMs);
  const qint64 left = length - restClock_.elapsed();
  if (cancelRequested() || left <= 0) {
    endRest();
    return;
  }
  // The portal's seconds, also when the run's pauses are scaled.
  const qint64 seconds =
      std::max<qint64>(1, qint64(std::ceil(double(left) / std::max(pace_.timeScale, 1e-9) / 1000.0)));
  if (seconds != restShown_) {
    restShown_ = seconds;
    emit resting(seconds, QStringLiteral("The e-filing portal kept refusing requests as too fast: %1 clients "
                                         "in a row were given up.")
                              .arg(std::max(1, pace_.busyGiveUpsBeforePause)));
  }
}

void PortalRun::resumeNow() {
  endRest();
}

void PortalRun::endRest() {
  if (!resting_)
    return;
  resting_ = false;
  restTimer_.stop();
  emit resting(0, QString());
  if (restLoop_)
    restLoop_->quit();
  else
    handOut();
}

bool PortalRun::writeBackConfirmedDetails() {
  ErrorTrap trap(Window, u"UpdateITRDetails");
  const int row = currentRow;

  const ContactGroup change =
      trap.value([&] { return ReadGroup(clients_, row, col::Change); }, ContactGroup{});
  // A confirmation that comes with the login (in a fetch run, say) finds nothing prepared
  // here; writing the empty group would blank the client's stored details.
  if (!HasContactToWrite(change))
    return true;
  trap([&] { clients_.setTextMatrix(row, col::SecDet, SecondaryDetailsText(change)); });
  trap([&] {
    WriteGroup(clients_, row, col::Software, change);
    WriteGroup(clients_, row, col::Login, change);
  });

  ConfirmedUpdate update;
  const bool built = trap([&] {
    update.code = clients_.TextMatrix(row, col::PartyCode);
    update.name = clients_.TextMatrix(row, col::PartyName);
    update.values =
        RegistrationValuesOf(ReadGroup(clients_, row, col::Software), clients_.TextMatrix(row, col::SecDet));
  });
  // On disk before the store is asked, so that a store failing now loses nothing.
  std::optional<ConfirmedUpdateJournal> journal;
  if (built && trap([&] { journal.emplace(ConfirmedUpdateJournal::ofSuite()); })) {
    journaled_ = true;
    trap([&] { journal->addConfirmed(update); });
    if (SaveConfirmedUpdate(*journal, update))
      return true;
  }
  unsaved_.push_back(update);
  return false;
}

}  // namespace kestrel
