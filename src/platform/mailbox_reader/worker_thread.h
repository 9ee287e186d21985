#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace kestrel::mail {

// A thread of its own that runs jobs one after another, so that a job's blocking network and
// file work never runs on the caller's (the window's) thread.
//
// run() hands a job over and returns when it has finished. Meanwhile the calling thread keeps
// processing its events in a local event loop (after a short quiet wait, so that the many quick
// jobs of a local server cost no event loop round trip). The job must not touch the caller's
// objects except through what it captured for itself. An exception the job raises is raised
// again by run() on the calling thread.
class WorkerThread {
 public:
  WorkerThread();
  // Finishes the jobs already handed over, then ends the thread.
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  void run(const std::function<void()>& job);

 private:
  void post(std::function<void()> job);
  void loop();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace kestrel::mail
