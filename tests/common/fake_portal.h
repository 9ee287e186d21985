#pragma once

#include "portal/portal_login.h"

#include <QHash>
#include <QStringList>

#include <functional>
#include <memory>

namespace kestrel::testing {

// What the portal does for one client, by PAN.
struct PortalScript {
  bool login = true;
  QString errData;
  QString profile;
  bool verify = true;
};

// Shared by every FakePortal instance of a test: the scripts it answers from and what the
// instances were asked.
struct PortalJournal {
  QHash<QString, PortalScript> scripts;
  // One line per released instance: its calls in order, separated by ", ".
  QStringList sessions;
  // The nine values of every VerifyContactDet.
  QList<QStringList> submitted;
  int created = 0;
  int live = 0;
  int mostLive = 0;
  // The arguments of the last InitMe.
  QString logFile;
  QString tmpPath;
  const void* progressLabel = nullptr;
  const void* cancelButton = nullptr;
};

class FakePortal final : public PortalLogin {
 public:
  explicit FakePortal(std::shared_ptr<PortalJournal> journal);
  ~FakePortal() override;

  void InitMe(const QString& logFile, const QString& tmpPath, QLabel* progressLabel, QWidget* cancelButton,
              double screenRatX, double screenRatY, double screenRatFS) override;
  void setShowError(bool show) override;
  bool LoginWHR_CL(const QString& userId, const QString& password) override;
  QString ErrData() const override;
  QString GeteUserProfile() override;
  bool VerifyContactDet(const QString& isd, const QString& priMobile, const QString& priMobileRel,
                        const QString& priEmail, const QString& priEmailRel, const QString& secMobile,
                        const QString& secMobileRel, const QString& secEmail,
                        const QString& secEmailRel) override;
  void CheckForLogInCL(const QString& userId, bool logOut) override;

 private:
  std::shared_ptr<PortalJournal> journal_;
  PortalScript script_;
  mutable QStringList calls_;
};

// Registers FakePortal under the portal login component's identifier.
void registerFakePortal(const std::shared_ptr<PortalJournal>& journal);

}  // namespace kestrel::testing
