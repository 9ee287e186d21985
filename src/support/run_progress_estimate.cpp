#include "support/run_progress_estimate.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>

namespace kestrel {

namespace {
// How far a new gap moves the smoothed one.
constexpr double Smoothing = 0.25;

std::int64_t ProcessClock() {
  static QElapsedTimer timer = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return timer.elapsed();
}
}  // namespace

RunProgressEstimate::RunProgressEstimate(Clock clock)
    : clock_(clock ? std::move(clock) : Clock(ProcessClock)) {}

void RunProgressEstimate::start(int total) {
  started_ = lastFinish_ = clock_();
  gapMs_ = 0;
  done_ = 0;
  total_ = std::max(total, 0);
}

void RunProgressEstimate::setTotal(int total) {
  total_ = std::max(total, 0);
}

void RunProgressEstimate::setDone(int done) {
  if (done <= done_)
    return;
  const std::int64_t now = clock_();
  const int finished = done - done_;
  done_ = done;
  if (done_ < FirstEstimateAfter) {
    lastFinish_ = now;
    return;
  }
  if (gapMs_ <= 0) {
    gapMs_ = double(now - started_) / done_;
  } else {
    // Several items reported at once share the time since the last report.
    const double gap = double(now - lastFinish_) / finished;
    for (int i = 0; i < finished; ++i) gapMs_ += Smoothing * (gap - gapMs_);
  }
  lastFinish_ = now;
}

int RunProgressEstimate::percent() const {
  if (total_ <= 0)
    return 0;
  return int(std::int64_t(std::min(done_, total_)) * 100 / total_);
}

std::int64_t RunProgressEstimate::elapsedMs() const {
  return clock_() - started_;
}

std::optional<std::int64_t> RunProgressEstimate::remainingMs() const {
  const int left = total_ - done_;
  if (gapMs_ <= 0 || left <= 0)
    return std::nullopt;
  // The item under way has used part of its gap; past the gap the estimate waits for it rather
  // than fall below the items still to come.
  const double sinceLast = double(clock_() - lastFinish_);
  return std::int64_t(left * gapMs_ - std::min(sinceLast, gapMs_));
}

QString RunProgressEstimate::countText(const QString& items) const {
  return QStringLiteral("%1 of %2 %3 done").arg(done_).arg(total_).arg(items);
}

QString RunProgressEstimate::remainingText() const {
  const std::optional<std::int64_t> ms = remainingMs();
  if (!ms)
    return {};
  const double minutes = double(*ms) / 60000.0;
  if (minutes < 1)
    return QStringLiteral("less than a minute left");
  if (minutes < 59.5)
    return QStringLiteral("about %1 min left").arg(std::lround(minutes));
  // Past an hour, to five minutes.
  const long fives = std::lround(minutes / 5) * 5;
  if (fives % 60 == 0)
    return QStringLiteral("about %1 h left").arg(fives / 60);
  return QStringLiteral("about %1 h %2 min left").arg(fives / 60).arg(fives % 60);
}

QString RunProgressEstimate::durationText(std::int64_t ms) {
  const std::int64_t seconds = std::max<std::int64_t>(0, (ms + 500) / 1000);
  if (seconds < 60)
    return QStringLiteral("%1 s").arg(seconds);
  if (seconds < 3600)
    return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
  const std::int64_t minutes = seconds / 60;
  return QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace kestrel
