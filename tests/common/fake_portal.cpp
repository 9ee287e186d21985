#include "fake_portal.h"

#include <algorithm>

namespace kestrel::testing {

FakePortal::FakePortal(std::shared_ptr<PortalJournal> journal) : journal_(std::move(journal)) {
  ++journal_->created;
  ++journal_->live;
  journal_->mostLive = std::max(journal_->mostLive, journal_->live);
}

FakePortal::~FakePortal() {
  journal_->sessions << calls_.join(QStringLiteral(", "));
  --journal_->live;
}

void FakePortal::InitMe(const QString& logFile, const QString& tmpPath, QLabel* progressLabel,
                        QWidget* cancelButton, double, double, double) {
  calls_ << QStringLiteral("InitMe");
  journal_->logFile = logFile;
  journal_->tmpPath = tmpPath;
  journal_->progressLabel = progressLabel;
  journal_->cancelButton = cancelButton;
}

void FakePortal::setShowError(bool show) {
  calls_ << (show ? QStringLiteral("ShowError(true)") : QStringLiteral("ShowError(false)"));
}

bool FakePortal::LoginWHR_CL(const QString& userId, const QString& password) {
  calls_ << QStringLiteral("LoginWHR_CL(%1, %2)").arg(userId, password);
  script_ = journal_->scripts.value(userId);
  return script_.login;
}

QString FakePortal::ErrData() const {
  calls_ << QStringLiteral("ErrData");
  return script_.errData;
}

QString FakePortal::GeteUserProfile() {
  calls_ << QStringLiteral("GeteUserProfile");
  return script_.profile;
}

bool FakePortal::VerifyContactDet(const QString& isd, const QString& priMobile, const QString& priMobileRel,
                                  const QString& priEmail, const QString& priEmailRel,
                                  const QString& secMobile, const QString& secMobileRel,
                                  const QString& secEmail, const QString& secEmailRel) {
  calls_ << QStringLiteral("VerifyContactDet");
  journal_->submitted << QStringList{isd,       priMobile,    priMobileRel, priEmail,   priEmailRel,
                                     secMobile, secMobileRel, secEmail,     secEmailRel};
  return script_.verify;
}

void FakePortal::CheckForLogInCL(const QString& userId, bool logOut) {
  calls_ << QStringLiteral("CheckForLogInCL(%1, %2)")
                .arg(userId, logOut ? QStringLiteral("true") : QStringLiteral("false"));
}

void registerFakePortal(const std::shared_ptr<PortalJournal>& journal) {
  ObjectRegistry::instance().registerFactory(QString::fromLatin1(PortalLogin::ProgId),
                                             [journal] { return std::make_shared<FakePortal>(journal); });
}

}  // namespace kestrel::testing
