#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace kestrel {

// The count of a run over clients (or messages) and an estimate of the time it still takes.
//
// The estimate rests on the pace at which items finish, not on how long one item takes, so
// that a run with several portal sessions at once is judged by its throughput. The first
// estimate comes once a few items are done (their average gap); after that each new gap moves
// the pace a quarter of the way, so a single slow client or a rest does not throw it about.
class RunProgressEstimate {
 public:
  // Milliseconds on a steady clock.
  using Clock = std::function<std::int64_t()>;
  // Items that finish before the run gives an estimate.
  static constexpr int FirstEstimateAfter = 3;

  // Without a clock the estimate takes the monotonic clock of the process.
  explicit RunProgressEstimate(Clock clock = {});

  // A run of `total` items begins now.
  void start(int total);
  // The number of items becomes known, or changes, while the run goes on.
  void setTotal(int total);
  // `done` items have finished by now (a count that does not grow records nothing).
  void setDone(int done);

  int done() const { return done_; }
  int total() const { return total_; }
  // 0 to 100, whole per cent; 0 for a run of nothing.
  int percent() const;
  std::int64_t elapsedMs() const;
  // Nothing until enough items are done, and nothing once all are.
  std::optional<std::int64_t> remainingMs() const;

  // "12 of 40 clients done"
  QString countText(const QString& items) const;
  // "about 4 min left", "less than a minute left", "about 1 h 25 min left"; "" without an
  // estimate.
  QString remainingText() const;

  // A duration for the user: "45 s", "3 min 12 s", "1 h 05 min".
  static QString durationText(std::int64_t ms);

 private:
  Clock clock_;
  std::int64_t started_ = 0;
  std::int64_t lastFinish_ = 0;
  double gapMs_ = 0;  // the smoothed gap between two items finishing
  int total_ = 0;
  int done_ = 0;
};

}  // namespace kestrel
