#include "portal/portal_run.h"

#include "entry/error_log.h"
#include "entry/interaction.h"
#include "entry/mod_it_main.h"
#include "platform/grid/flexgrid_model.h"
#include "portal/portal_rules.h"
#include "register/register_layout.h"

#include <QDir>

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

}  // namespace

PortalRun::PortalRun(grid::FlexGridModel& clients, std::function<bool()> isCancelled, QObject* parent)
    : QObject(parent), clients_(clients), isCancelled_(std::move(isCancelled)) {}

PortalLogin& PortalRun::activeLogin() const {
  if (!portalLogin)
    throw RuntimeError(91, QStringLiteral("Object variable or With block variable not set"),
                       QStringLiteral("Kestrel"));
  return *portalLogin;
}

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

void PortalRun::confirmOutcome(int row) {
  const bool saved = writeBackConfirmedDetails();
  clients_.setCellForeColor(row, 0, row, LastCol, UpdatedFore);
  if (!saved)
    clients_.setCellBackColor(row, 0, row, LastCol, unsavedBackColour());
}

void PortalRun::runClients(RunMode mode) {
  // The panels are disabled while a run goes on; a second run from a nested event would
  // interleave two clients' sessions.
  if (running_)
    return;
  running_ = true;
  journaled_ = false;
  unsaved_.clear();
  ErrorTrap trap(Window, u"LoginToITR");

  trap([&] { emit started(); });

  trap([&] {
    const int last = clients_.Rows() - 1;
    if (last >= FirstDataRow) {
      clients_.setCellBackColor(FirstDataRow, 0, last, LastCol, QColor());
      for (int r = FirstDataRow; r <= last; ++r) clients_.setTextMatrix(r, col::ImportLogs, QString());
    }
  });

  for (int row = FirstDataRow; row < clients_.Rows(); ++row) {
    if (trap.value([&] { return cancelRequested(); }, false))
      break;
    trap([] { ui().DoEvents(); });
    const bool selected = trap.value(
        [&] { return !clients_.RowHidden(row) && clients_.CellChecked(row, col::SrNo) == 1; }, false);
    if (!selected)
      continue;

    currentRow = row;
    trap([&] { emit clientStarted(clients_.TextMatrix(row, col::PartyName)); });
    const QString pan = trap.value([&] { return clients_.TextMatrix(row, col::Pan); }, QString());
    const QString password = trap.value([&] { return clients_.TextMatrix(row, col::Password); }, QString());

    portalLogin.reset();
    statusText.clear();
    bool loggedIn = false;
    if (trap([&] { portalLogin = newPortalLogin(); })) {
      trap([&] { portalLogin->setShowError(false); });
      loggedIn = trap.value([&] { return portalLogin->LoginWHR_CL(pan, password); }, false);
      if (!loggedIn)
        statusText = trap.value([&] { return portalLogin->ErrData(); }, QString());
    } else {
      // Without a component there is no session to ask; the reason it could not be made is
      // the client's outcome.
      statusText = trap.lastError().Description;
    }

    if (!loggedIn) {
      trap([&] { clients_.setTextMatrix(row, col::ImportLogs, statusText); });
      trap([&] { colourOutcome(row); });
    } else {
      statusText = QString::fromLatin1(outcome::LoginSuccess);
      trap([&] { openProfile(mode); });
      trap([&] { clients_.setTextMatrix(row, col::ImportLogs, statusText); });
      if (Is(statusText, outcome::ContactSuccess))
        trap([&] { confirmOutcome(row); });
    }

    if (portalLogin)
      trap([&] { portalLogin->CheckForLogInCL(pan, true); });
    portalLogin.reset();
    trap([&] { clients_.AutoSize(0, clients_.Cols() - 1); });
    trap([&] { emit clientFinished(row, statusText); });
  }

  trap([&] { clients_.setColHidden(col::ImportLogs, false); });
  // The saved confirmations leave the journal; the others stay for the next load.
  if (journaled_)
    trap([] { ConfirmedUpdateJournal::ofSuite().compact(); });
  trap([&] { emit finished(); });
  running_ = false;
  if (!unsaved_.empty())
    trap([&] { ui().MsgBox(UnsavedConfirmationsMessage(unsaved_), Interaction::Icon::Exclamation); });
}

void PortalRun::openProfile(RunMode mode) {
  ErrorTrap trap(Window, u"OPENMYPROFILEWHR");
  trap([&] { showProgress(QStringLiteral("Opening 'myProfile' Page ...")); });
  trap([] { ui().DoEvents(); });

  const QString profile = trap.value([&] { return activeLogin().GeteUserProfile(); }, QString());
  if (profile.isEmpty()) {
    statusText = QString::fromLatin1(outcome::ProfileFailed);
    return;
  }
  if (mode == RunMode::Update) {
    submitContactUpdate();
    return;
  }

  const QString pan = trap.value([&] { return clients_.TextMatrix(currentRow, col::Pan); }, QString());
  const ProfileReading reading = trap.value([&] { return ReadProfile(profile, pan); }, ProfileReading{});
  if (reading.hasName)
    trap([&] { clients_.setTextMatrix(currentRow, col::LoginName, reading.name); });
  if (!reading.failure.isEmpty()) {
    statusText = reading.failure;
    return;
  }
  if (reading.hasContacts)
    trap([&] { WriteGroup(clients_, currentRow, col::Login, reading.login); });
}

void PortalRun::submitContactUpdate() {
  ErrorTrap trap(Window, u"UPDATECONTDETWHR");
  trap([&] { showProgress(QStringLiteral("Request for Verification ...")); });
  trap([] { ui().DoEvents(); });

  const ContactGroup change =
      trap.value([&] { return ReadGroup(clients_, currentRow, col::Change); }, ContactGroup{});
  const ContactUpdateValues v = BuildContactUpdate(change);

  const bool accepted = trap.value(
      [&] { return activeLogin().VerifyContactDet(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]); },
      false);
  statusText = QString::fromLatin1(accepted ? outcome::ContactSuccess : outcome::VerifyFailed);
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
