#include "portal/portal_run.h"

#include "controls/zen_button.h"
#include "entry/error_log.h"
#include "entry/interaction.h"
#include "entry/mod_it_main.h"
#include "platform/grid/flexgrid_model.h"
#include "portal/profile_rules.h"
#include "portal/progress_panel.h"
#include "register/register_layout.h"

#include <QDir>
#include <QLabel>

namespace kestrel {

namespace {

const QColor NonVerifiedBack(227, 250, 251);
const QColor ValidatePinBack(192, 255, 192);
const QColor FailedBack(255, 227, 235);
const QColor UpdatedFore(0, 0, 255);

constexpr int LastCol = col::ImportLogs;

bool Is(const QString& status, const char* text) {
  return status == QLatin1String(text);
}

}  // namespace

PortalRun::PortalRun(grid::FlexGridModel& vsCL, ProgressPanel& FraProgress,
                     std::function<void(bool)> setRunning, QObject* parent)
    : QObject(parent), vsCL_(vsCL), FraProgress_(FraProgress), setRunning_(std::move(setRunning)) {}

PortalLogin& PortalRun::portal() const {
  if (!Portal)
    throw RuntimeError(91, QStringLiteral("Object variable or With block variable not set"),
                       QStringLiteral("Kestrel"));
  return *Portal;
}

QString PortalRun::cell(int col) const {
  return vsCL_.TextMatrix(CurrentRow, col);
}

std::shared_ptr<PortalLogin> PortalRun::NewPortalLogin() {
  auto login = CreateObject<PortalLogin>(QString::fromLatin1(PortalLogin::ProgId));
  BaseComponent& base = Base();
  login->InitMe(base.ExePath() + QDir::separator() + QStringLiteral("VelLog.log"), base.vTmpPath(),
                FraProgress_.lblprog, FraProgress_.cmdprogC, base.vScreenRatX(), base.vScreenRatY(),
                base.vScreenRatFS());
  return login;
}

void PortalRun::colourOutcome(int row) {
  if (Is(StatusText, outcome::NonVerified)) {
    vsCL_.setCellBackColor(row, 0, row, LastCol, NonVerifiedBack);
  } else if (Is(StatusText, outcome::ValidatePin)) {
    vsCL_.setCellBackColor(row, 0, row, LastCol, ValidatePinBack);
  } else if (Is(StatusText, outcome::ContactSuccess)) {
    // The portal took the details during the login's own confirmation steps.
    UpdateITRDetails();
    vsCL_.setCellForeColor(row, 0, row, LastCol, UpdatedFore);
  } else {
    vsCL_.setCellBackColor(row, 0, row, LastCol, FailedBack);
  }
}

void PortalRun::LoginToITR(bool updateMode) {
  // The panels are disabled while a run goes on; a second run from a nested event would
  // interleave two clients' sessions.
  if (running_)
    return;
  running_ = true;
  ErrorTrap trap(u"frmKestrel", u"LoginToITR");

  trap([&] {
    FraProgress_.setCancelMark(QString());
    FraProgress_.lblprog->clear();
    FraProgress_.lblPartyName->clear();
    FraProgress_.fraProgIn->setVisible(true);
  });
  trap([&] { setRunning_(true); });

  trap([&] {
    const int last = vsCL_.Rows() - 1;
    if (last >= FirstDataRow) {
      vsCL_.setCellBackColor(FirstDataRow, 0, last, LastCol, QColor());
      for (int r = FirstDataRow; r <= last; ++r) vsCL_.setTextMatrix(r, col::ImportLogs, QString());
    }
  });

  for (int row = FirstDataRow; row < vsCL_.Rows(); ++row) {
    if (trap.value([&] { return FraProgress_.CancelMark() == u"C"; }, false))
      break;
    trap([] { ui().DoEvents(); });
    const bool selected =
        trap.value([&] { return !vsCL_.RowHidden(row) && vsCL_.CellChecked(row, col::SrNo) == 1; }, false);
    if (!selected)
      continue;

    CurrentRow = row;
    trap([&] {
      FraProgress_.lblPartyName->setText(QStringLiteral("Fetching Details for - ") + cell(col::PartyName));
    });
    const QString pan = trap.value([&] { return cell(col::Pan); }, QString());
    const QString password = trap.value([&] { return cell(col::Password); }, QString());

    Portal.reset();
    StatusText.clear();
    bool loggedIn = false;
    if (trap([&] { Portal = NewPortalLogin(); })) {
      trap([&] { Portal->setShowError(false); });
      loggedIn = trap.value([&] { return Portal->LoginWHR_CL(pan, password); }, false);
      if (!loggedIn)
        StatusText = trap.value([&] { return Portal->ErrData(); }, QString());
    } else {
      // Without a component there is no session to ask; the reason it could not be made is
      // the client's outcome.
      StatusText = trap.lastError().Description;
    }

    if (!loggedIn) {
      trap([&] { vsCL_.setTextMatrix(row, col::ImportLogs, StatusText); });
      trap([&] { colourOutcome(row); });
    } else {
      StatusText = QString::fromLatin1(outcome::LoginSuccess);
      trap([&] { OPENMYPROFILEWHR(updateMode); });
      trap([&] { vsCL_.setTextMatrix(row, col::ImportLogs, StatusText); });
      if (Is(StatusText, outcome::ContactSuccess)) {
        trap([&] { UpdateITRDetails(); });
        trap([&] { vsCL_.setCellForeColor(row, 0, row, LastCol, UpdatedFore); });
      }
    }

    if (Portal)
      trap([&] { Portal->CheckForLogInCL(pan, true); });
    Portal.reset();
    trap([&] { vsCL_.AutoSize(0, vsCL_.Cols() - 1); });
  }

  trap([&] { vsCL_.setColHidden(col::ImportLogs, false); });
  trap([&] { FraProgress_.fraProgIn->setVisible(false); });
  trap([&] { setRunning_(false); });
  running_ = false;
}

void PortalRun::OPENMYPROFILEWHR(bool updateMode) {
  ErrorTrap trap(u"frmKestrel", u"OPENMYPROFILEWHR");
  trap([&] { FraProgress_.lblprog->setText(QStringLiteral("Opening 'myProfile' Page ...")); });
  trap([] { ui().DoEvents(); });

  const QString profile = trap.value([&] { return portal().GeteUserProfile(); }, QString());
  if (profile.isEmpty()) {
    StatusText = QString::fromLatin1(outcome::ProfileFailed);
    return;
  }
  if (updateMode) {
    UPDATECONTDETWHR();
    return;
  }

  const QString pan = trap.value([&] { return cell(col::Pan); }, QString());
  const ProfileReading reading = trap.value([&] { return ReadProfile(profile, pan); }, ProfileReading{});
  if (reading.hasName)
    trap([&] { vsCL_.setTextMatrix(CurrentRow, col::LoginName, reading.name); });
  if (!reading.failure.isEmpty()) {
    StatusText = reading.failure;
    return;
  }
  if (reading.hasContacts) {
    trap([&] {
      for (int i = 0; i < int(reading.login.size()); ++i)
        vsCL_.setTextMatrix(CurrentRow, col::Login + i, reading.login[size_t(i)]);
    });
  }
}

void PortalRun::UPDATECONTDETWHR() {
  ErrorTrap trap(u"frmKestrel", u"UPDATECONTDETWHR");
  trap([&] { FraProgress_.lblprog->setText(QStringLiteral("Request for Verification ...")); });
  trap([] { ui().DoEvents(); });

  ContactGroup change;
  trap([&] {
    for (int i = 0; i < int(change.size()); ++i) change[size_t(i)] = cell(col::Change + i);
  });
  const ContactUpdateValues v = BuildContactUpdate(change);

  const bool accepted = trap.value(
      [&] { return portal().VerifyContactDet(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]); }, false);
  StatusText = QString::fromLatin1(accepted ? outcome::ContactSuccess : outcome::VerifyFailed);
}

void PortalRun::UpdateITRDetails() {
  ErrorTrap trap(u"frmKestrel", u"UpdateITRDetails");
  const int row = CurrentRow;

  ContactGroup change;
  trap([&] {
    for (int i = 0; i < int(change.size()); ++i) change[size_t(i)] = vsCL_.TextMatrix(row, col::Change + i);
  });
  trap([&] { vsCL_.setTextMatrix(row, col::SecDet, SecondaryDetailsText(change)); });
  trap([&] {
    for (int i = 0; i < int(change.size()); ++i)
      vsCL_.setTextMatrix(row, col::Software + i, change[size_t(i)]);
    for (int i = 0; i < int(change.size()); ++i) vsCL_.setTextMatrix(row, col::Login + i, change[size_t(i)]);
  });

  const QString sql = trap.value(
      [&] {
        ContactGroup software;
        for (int i = 0; i < int(software.size()); ++i)
          software[size_t(i)] = vsCL_.TextMatrix(row, col::Software + i);
        return RegistrationUpdateSql(Base(), vsCL_.TextMatrix(row, col::PartyCode), software,
                                     vsCL_.TextMatrix(row, col::SecDet));
      },
      QString());
  if (sql.isEmpty())
    return;
  trap([&] { Base().ConQuery(sql); });
  trap([] { Base().ConQuery(QStringLiteral("Flush Tables")); });
}

}  // namespace kestrel
