#pragma once

#include "portal/portal_login.h"

#include <QHash>
#include <QMutex>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <memory>

namespace kestrel::testing {

// A portal login component for tests: answers each PAN from a script, reports "Logging in
// <PAN>" as its progress, and records, per instance, the calls it received in order. Instances
// may work on several threads at once (a run's portal sessions).
struct Script {  // what the portal does for one PAN
  Script(bool l = true, const char* e = "", const char* p = "", bool v = true,
         PortalRefusal r = PortalRefusal::None)
      : login(l), errData(e), profile(p), verify(v), refusal(r) {}
  bool login;
  QString errData, profile;
  bool verify;
  PortalRefusal refusal;
};

// Shared by the instances of a test: the scripts and what the instances were asked.
struct Journal {
  QHash<QString, Script> scripts;
  QStringList sessions;          // one line per released instance: its calls
  QList<QStringList> submitted;  // the nine values of each VerifyContactDet
  int live = 0, mostLive = 0;
  QStringList init;  // the log file and scratch folder of the last InitMe
  RunProgress* progress = nullptr;
  int loginMs = 0;              // how long each login takes
  QHash<QString, int> livePan;  // instances between the login and the last call, by PAN
  QHash<QString, int> mostLivePan;
  QList<std::optional<bool>> takeOver;  // what the run chose for each login
  QMutex mutex;
};

class FakePortal final : public PortalLogin {
 public:
  explicit FakePortal(std::shared_ptr<Journal> j) : j_(std::move(j)) {
    const QMutexLocker lock(&j_->mutex);
    j_->mostLive = std::max(j_->mostLive, ++j_->live);
  }
  ~FakePortal() override {
    const QMutexLocker lock(&j_->mutex);
    j_->sessions << calls_.join(", "), --j_->live;
  }
  void InitMe(const QString& log, const QString& tmp, RunProgress* progress, double, double,
              double) override {
    const QMutexLocker lock(&j_->mutex);
    calls_ << "InitMe";
    j_->init = {log, tmp};
    j_->progress = progress_ = progress;
  }
  void setShowError(bool show) override { calls_ << QString("ShowError(%1)").arg(show); }
  bool LoginWHR_CL(const QString& id, const QString& password) override {
    calls_ << "Login(" + id + ", " + password + ")";
    if (progress_)
      progress_->showProgress("Logging in " + id);
    int wait = 0;
    {
      const QMutexLocker lock(&j_->mutex);
      s_ = j_->scripts.value(id);
      j_->mostLivePan[id] = std::max(j_->mostLivePan.value(id), ++j_->livePan[id]);
      j_->takeOver << (progress_ ? progress_->takeOverOpenSession() : std::nullopt);
      wait = j_->loginMs;
    }
    QThread::msleep(wait);
    return s_.login;
  }
  QString ErrData() const override { return calls_ << "ErrData", s_.errData; }
  QString GeteUserProfile() override { return calls_ << "Profile", s_.profile; }
  bool VerifyContactDet(const QString& a, const QString& b, const QString& c, const QString& d,
                        const QString& e, const QString& f, const QString& g, const QString& h,
                        const QString& i) override {
    calls_ << "Verify";
    const QMutexLocker lock(&j_->mutex);
    j_->submitted << QStringList{a, b, c, d, e, f, g, h, i};
    return s_.verify;
  }
  void CheckForLogInCL(const QString& id, bool logOut) override {
    calls_ << QString("Check(%1, %2)").arg(id).arg(logOut);
    const QMutexLocker lock(&j_->mutex);
    --j_->livePan[id];
  }
  PortalRefusal refusal() const override { return s_.refusal; }

 private:
  std::shared_ptr<Journal> j_;
  RunProgress* progress_ = nullptr;
  Script s_;
  mutable QStringList calls_;
};

// Registers FakePortal under the portal login component's identifier.
inline void registerFakePortal(const std::shared_ptr<Journal>& journal) {
  ObjectRegistry::instance().registerFactory(QString::fromLatin1(PortalLogin::ProgId),
                                             [journal] { return std::make_shared<FakePortal>(journal); });
}

}  // namespace kestrel::testing
