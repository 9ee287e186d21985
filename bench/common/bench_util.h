#pragma once

// Small helpers the benchmarks share: best-of-N wall-clock timing and the process's own memory
// figures from /proc/self/status.
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <functional>

namespace kestrel::bench {

// The fastest of `runs` runs of work, in milliseconds.
inline double bestOf(int runs, const std::function<void()>& work) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer t;
    t.start();
    work();
    best = std::min(best, double(t.nsecsElapsed()) / 1e6);
  }
  return best;
}

// A kB figure of /proc/self/status ("VmHWM:", "VmRSS:"); -1 when it cannot be read.
inline qint64 statusKb(const char* key) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly))
    return -1;
  const QByteArray prefix(key);
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith(prefix))
      return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
  return -1;
}

}  // namespace kestrel::bench
