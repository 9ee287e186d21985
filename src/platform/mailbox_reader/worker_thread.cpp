#include "worker_thread.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>

#include <chrono>
#include <exception>
#include <memory>

namespace kestrel::mail {

namespace {

// How long the caller waits without processing events before it enters its event loop.
constexpr auto QuietWait = std::chrono::milliseconds(5);

struct Pending {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  QEventLoop* loop = nullptr;  // only touched on the calling thread
};

}  // namespace

WorkerThread::WorkerThread() : thread_([this] { loop(); }) {}

WorkerThread::~WorkerThread() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void WorkerThread::post(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  wake_.notify_one();
}

void WorkerThread::loop() {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty())
        return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    job();
  }
}

void WorkerThread::run(const std::function<void()>& job) {
  auto pending = std::make_shared<Pending>();
  const bool canProcessEvents = QCoreApplication::instance() && QAbstractEventDispatcher::instance();
  // Lives on the calling thread; the worker queues the wake-up call to it. The worker queues
  // that call before it marks the job done, and the caller returns only after the mark, so the
  // object outlives every use the worker makes of it; a wake-up still queued when it is
  // destroyed is discarded with it.
  QObject waker;
  std::exception_ptr failure;
  post([&job, &failure, pending, &waker, canProcessEvents] {
    try {
      job();
    } catch (...) {
      failure = std::current_exception();
    }
    if (canProcessEvents)
      QMetaObject::invokeMethod(
          &waker,
          [pending] {
            if (pending->loop)
              pending->loop->quit();
          },
          Qt::QueuedConnection);
    {
      std::lock_guard lock(pending->mutex);
      pending->done = true;
    }
    pending->finished.notify_all();
  });

  std::unique_lock lock(pending->mutex);
  const auto done = [&] { return pending->done; };
  if (!canProcessEvents || pending->finished.wait_for(lock, QuietWait, done)) {
    pending->finished.wait(lock, done);
  } else {
    lock.unlock();
    QEventLoop loop;
    pending->loop = &loop;
    loop.exec();
    pending->loop = nullptr;
    // The loop also ends when the application quits; the job still has to finish.
    lock.lock();
    pending->finished.wait(lock, done);
  }
  if (failure)
    std::rethrow_exception(failure);
}

}  // namespace kestrel::mail
