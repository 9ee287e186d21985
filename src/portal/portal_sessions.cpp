#include "portal/portal_sessions.h"

#include "entry/error_log.h"

#include <QThread>

#include <algorithm>

namespace kestrel {

// One session: lives on its thread and is the RunProgress of the components it creates there.
class SessionWorker final : public QObject, public RunProgress {
 public:
  SessionWorker(SessionPool& pool, int index) : pool_(pool), index_(index) {}

  // On the session's thread.
  void run(const ClientJob& job) {
    std::vector<std::pair<QString, ErrObject>> failures;
    StepContext context;
    context.progress = this;
    context.create = [this] {
      auto login = CreateObject<PortalLogin>(QString::fromLatin1(PortalLogin::ProgId));
      const SessionPool::Setup& s = pool_.setup_;
      login->InitMe(s.logFile, s.tmpPath, this, s.screenRatX, s.screenRatY, s.screenRatFS);
      return login;
    };
    context.guard = [&](const QString& routine,
                        const std::function<void()>& statement) -> std::optional<ErrObject> {
      try {
        statement();
        return std::nullopt;
      } catch (...) {
        failures.emplace_back(routine, errFromCurrentException());
        return failures.back().second;
      }
    };
    ClientOutcome outcome = RunClientSteps(job, context);
    outcome.failures = std::move(failures);
    QMetaObject::invokeMethod(
        &pool_, [pool = &pool_, index = index_, outcome] { pool->deliver(index, outcome); },
        Qt::QueuedConnection);
  }

  void showProgress(const QString& text) override {
    QMetaObject::invokeMethod(
        &pool_, [pool = &pool_, index = index_, text] { emit pool->progress(index, text); },
        Qt::QueuedConnection);
  }
  bool cancelRequested() const override { return pool_.cancelled_.load(); }
  std::optional<bool> takeOverOpenSession() const override { return pool_.setup_.takeOverOpenSession; }

 private:
  SessionPool& pool_;
  const int index_;
};

SessionPool::SessionPool(int sessions, const Setup& setup, QObject* parent)
    : QObject(parent), setup_(setup), busy_(std::size_t(std::max(1, sessions)), false) {
  for (int i = 0; i < size(); ++i) {
    auto* thread = new QThread;
    thread->setObjectName(QStringLiteral("portal session %1").arg(i + 1));
    auto* worker = new SessionWorker(*this, i);
    worker->moveToThread(thread);
    thread->start();
    threads_.push_back(thread);
    workers_.push_back(worker);
  }
}

SessionPool::~SessionPool() {
  for (QThread* thread : threads_) thread->quit();
  for (std::size_t i = 0; i < threads_.size(); ++i) {
    threads_[i]->wait();
    // The thread has ended, so nothing of the worker's runs any more.
    delete workers_[i];
    delete threads_[i];
  }
}

int SessionPool::idleSession() const {
  const auto it = std::find(busy_.begin(), busy_.end(), false);
  return it == busy_.end() ? -1 : int(it - busy_.begin());
}

int SessionPool::busyCount() const {
  return int(std::count(busy_.begin(), busy_.end(), true));
}

void SessionPool::start(int session, const ClientJob& job) {
  busy_[std::size_t(session)] = true;
  SessionWorker* worker = workers_[std::size_t(session)];
  QMetaObject::invokeMethod(
      worker, [worker, job] { worker->run(job); }, Qt::QueuedConnection);
}

void SessionPool::deliver(int session, const ClientOutcome& outcome) {
  busy_[std::size_t(session)] = false;
  emit finished(session, outcome);
}

}  // namespace kestrel
