#pragma once

#include <QObject>
#include <QString>

namespace kestrel::host {

// The folder of the program's own shared files (the manual's HTMLHelp folder among them):
// <prefix>/share/kestrel beside an installed program's bin folder, else the build folder that
// holds the program's bin folder.
QString ProgramDataFolder(const QString& programFolder);

enum class ManualLink { Linked, AlreadyLinked, KeptSuiteFolder, NoManual, Failed };

// The module opens its manual from the suite's program folder (<suite home>/HTMLHelp). The host
// lets that name lead to this program's manual: a link to manualFolder, made or renewed when
// missing, dangling or pointing elsewhere. A real folder of that name is the suite's own and
// stays; without a manual folder nothing changes.
ManualLink LinkManualIntoSuiteHome(const QString& suiteHome, const QString& manualFolder);

// Creates the suite's tables, the demo clients and the demo mail domain in an embedded store
// that holds no clients yet. Returns whether it filled the store.
bool PrepareDemoStore(const QString& connection, const QString& hostingAddress);

// Marks the module's windows as running on demo data: " (demo data)" after the caption of the
// main window and the mail window, kept there should the module set the caption again.
class DemoWindowTitles : public QObject {
  Q_OBJECT

 public:
  static const QString& suffix();
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace kestrel::host
