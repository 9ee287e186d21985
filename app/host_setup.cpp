#include "host_setup.h"

#include "demo_data.h"
#include "platform/base/sql_store.h"
#include "platform/base/suite_schema.h"
#include "support/owner_only.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

namespace kestrel::host {

namespace {

constexpr int DemoClients = 250;
constexpr quint64 DemoSeed = 1;

QString cleanAbsolute(const QString& path) {
  return QDir::cleanPath(QDir(path).absolutePath());
}

}  // namespace

QString ProgramDataFolder(const QString& programFolder) {
  const QDir bin(programFolder);
  const QString installed = bin.filePath(QStringLiteral(KESTREL_DATA_FROM_BINDIR));
  if (QFileInfo(installed).isDir())
    return cleanAbsolute(installed);
  return cleanAbsolute(bin.filePath(QStringLiteral("..")));
}

ManualLink LinkManualIntoSuiteHome(const QString& suiteHome, const QString& manualFolder) {
  if (!QFileInfo(manualFolder).isDir())
    return ManualLink::NoManual;
  const QString target = cleanAbsolute(manualFolder);
  const QString link = QDir(suiteHome).filePath(QStringLiteral("HTMLHelp"));
  const QFileInfo current(link);
  if (current.isSymLink()) {
    if (cleanAbsolute(current.symLinkTarget()) == target)
      return ManualLink::AlreadyLinked;
    if (!QFile::remove(link))
      return ManualLink::Failed;
  } else if (current.exists()) {
    return ManualLink::KeptSuiteFolder;
  }
  MakeOwnerOnlyFolder(suiteHome);
  return QFile::link(target, link) ? ManualLink::Linked : ManualLink::Failed;
}

bool PrepareDemoStore(const QString& connection, const QString& hostingAddress) {
  SqlStore store(connection, QStringLiteral("kestrel"));
  EnsureSuiteTables(store);
  if (store.scalar(QStringLiteral("SELECT COUNT(*) FROM OnlineRegInfo")).toInt() != 0)
    return false;
  demo::SeedDemoStore(store, DemoClients, DemoSeed, false);
  demo::SeedDemoMailDomain(store, hostingAddress, QString::fromLatin1(demo::DemoMailDomain));
  return true;
}

const QString& DemoWindowTitles::suffix() {
  static const QString text = QStringLiteral(" (demo data)");
  return text;
}

bool DemoWindowTitles::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::Show && event->type() != QEvent::WindowTitleChange)
    return false;
  auto* window = qobject_cast<QWidget*>(watched);
  if (!window || !window->isWindow())
    return false;
  const QString name = window->objectName();
  if (name != u"frmKestrel" && name != u"FrmMailSetup")
    return false;
  const QString title = window->windowTitle();
  if (!title.endsWith(suffix()))
    window->setWindowTitle(title + suffix());
  return false;
}

}  // namespace kestrel::host
