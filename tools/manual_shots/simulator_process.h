#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace kestrel::shots {

// A simulator (portal or hosting panel) started on a free port of 127.0.0.1 for the length of
// one shots run. Its output is kept, so that what it prints (the PINs it sends) can be read.
class SimulatorProcess {
 public:
  SimulatorProcess() = default;
  ~SimulatorProcess();
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  // Starts the program with --port 0 added and waits until it says where it listens.
  // Throws std::runtime_error when it does not start within ten seconds.
  void start(const QString& program, const QStringList& args);

  QUrl url() const { return url_; }
  // "127.0.0.1:<port>", as a user types the address.
  QString hostAndPort() const;
  // Everything printed so far.
  QString output();
  // The last PINs printed for a PAN ("PINs for <PAN>: mobile <m>, e-mail <e>"), or empty texts.
  std::pair<QString, QString> pinsFor(const QString& pan);

 private:
  QProcess process_;
  QString output_;
  QUrl url_;
};

}  // namespace kestrel::shots
