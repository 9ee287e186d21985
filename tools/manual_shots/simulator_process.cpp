#include "simulator_process.h"

#include <QElapsedTimer>
#include <QRegularExpression>

#include <stdexcept>

namespace kestrel::shots {

SimulatorProcess::~SimulatorProcess() {
  if (process_.state() != QProcess::NotRunning) {
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
      process_.kill();
      process_.waitForFinished(3000);
    }
  }
}

void SimulatorProcess::start(const QString& program, const QStringList& args) {
  process_.setProgram(program);
  process_.setArguments(args + QStringList{QStringLiteral("--port"), QStringLiteral("0")});
  process_.setProcessChannelMode(QProcess::MergedChannels);
  process_.start();
  static const QRegularExpression listening(QStringLiteral("listening on (\\S+)"));
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 10000 && process_.waitForReadyRead(10000)) {
    output_ += QString::fromUtf8(process_.readAll());
    if (const auto match = listening.match(output_); match.hasMatch()) {
      url_ = QUrl(match.captured(1));
      return;
    }
  }
  throw std::runtime_error(
      QStringLiteral("%1 did not start: %2").arg(program, output_ + process_.errorString()).toStdString());
}

QString SimulatorProcess::hostAndPort() const {
  return url_.host() + QLatin1Char(':') + QString::number(url_.port());
}

QString SimulatorProcess::output() {
  output_ += QString::fromUtf8(process_.readAll());
  return output_;
}

std::pair<QString, QString> SimulatorProcess::pinsFor(const QString& pan) {
  const QRegularExpression line(QStringLiteral("PINs for ") + QRegularExpression::escape(pan) +
                                QStringLiteral(": mobile (\\d+), e-mail (\\d+)"));
  std::pair<QString, QString> pins;
  for (auto it = line.globalMatch(output()); it.hasNext();) {
    const auto match = it.next();
    pins = {match.captured(1), match.captured(2)};
  }
  return pins;
}

}  // namespace kestrel::shots
