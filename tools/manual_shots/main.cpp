// kestrel-manual-shots: the help manual's pictures, taken from the real windows. It builds the
// main window and the mail window on a fresh demo store in a folder of its own, with the portal
// simulator and the hosting panel simulator on free ports of 127.0.0.1, walks them through the
// states the manual describes and writes one PNG per state:
//   kestrel-manual-shots --out DIR --portal-sim PROGRAM --hosting-sim PROGRAM
// It runs offscreen (QT_QPA_PLATFORM=offscreen unless another platform is asked for), so the
// build can make the manual without a display.
#include "demo_data.h"
#include "entry/interaction.h"
#include "entry/main_window.h"
#include "entry/mod_it_main.h"
#include "entry/notice_dialog.h"
#include "platform/base/sql_store.h"
#include "platform/base/suite_schema.h"
#include "platform/base/velbase.h"
#include "platform/grid/flexgrid.h"
#include "portal_login_component.h"
#include "shot_book.h"
#include "simulator_process.h"
#include "store/schema.h"
#include "web_session_component.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTemporaryDir>
#include <QTextStream>

#include <stdexcept>

using namespace kestrel;

namespace {

// Messages and questions are answered without a box: a question is answered Yes, a message is
// printed, so that a step that goes wrong shows in the build's output.
class AnsweringInteraction : public Interaction {
 public:
  void MsgBox(const QString& text, Icon, const QString&) override {
    QTextStream(stdout) << "kestrel-manual-shots: message: " << text << Qt::endl;
  }
  bool AskYesNo(const QString&, bool, const QString&) override { return true; }
  void DoEvents() override { QCoreApplication::processEvents(); }
  bool OpenWithDesktop(const QString&, bool) override { return false; }
};

constexpr int DemoClients = 60;

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kestrel"));

  QCommandLineParser cli;
  cli.setApplicationDescription(QStringLiteral("Takes the help manual's pictures from the real windows."));
  cli.addHelpOption();
  cli.addOptions({
      {QStringLiteral("out"), QStringLiteral("Folder for the PNG files."), QStringLiteral("dir")},
      {QStringLiteral("portal-sim"), QStringLiteral("The portal simulator program."),
       QStringLiteral("program")},
      {QStringLiteral("hosting-sim"), QStringLiteral("The hosting panel simulator program."),
       QStringLiteral("program")},
  });
  cli.process(app);
  QTextStream err(stderr);
  for (const char* option : {"out", "portal-sim", "hosting-sim"})
    if (cli.value(QString::fromLatin1(option)).isEmpty()) {
      err << "kestrel-manual-shots: --" << option << " is missing\n";
      return 2;
    }

  try {
    QTemporaryDir home;
    if (!home.isValid())
      throw std::runtime_error("cannot create a suite home");
    const QString connection = QStringLiteral("sqlite:") + home.path() + QStringLiteral("/Velmar.db");

    shots::SimulatorProcess hosting;
    hosting.start(cli.value(QStringLiteral("hosting-sim")), {});
    {
      SqlStore store(connection, QStringLiteral("kestrel-manual-shots"));
      EnsureSuiteTables(store);
      demo::SeedDemoStore(store, DemoClients, 1, false);
      demo::SeedDemoMailDomain(store, hosting.hostAndPort(), QStringLiteral("demo-firm.example.in"));
    }
    shots::SimulatorProcess portal;
    portal.start(
        cli.value(QStringLiteral("portal-sim")),
        {QStringLiteral("--store"), connection, QStringLiteral("--time-scale"), QStringLiteral("0.01")});

    VelBaseOptions options;
    options.connectionString = connection;
    options.suiteHome = home.path();
    options.privateTables = ScratchTableStatements();
    registerVelBase(options);
    PortalLoginOptions portalOptions;
    portalOptions.baseUrl = portal.url();
    portalOptions.timeScale = 0.01;
    portalOptions.pinProvider = PinDialogProvider(60000);
    registerPortalLogin(portalOptions);
    registerWebSession(WebSessionOptions{});
    setInteraction(std::make_unique<AnsweringInteraction>());
    ModuleStart();

    shots::ShotBook book(cli.value(QStringLiteral("out")), portal);
    book.takeAll();

    if (MainWindow* w = MainWindow::instance())
      delete w;
    ModuleShutdown();
    QTextStream(stdout) << "kestrel-manual-shots: " << book.written() << " pictures in "
                        << cli.value(QStringLiteral("out")) << Qt::endl;
    return book.failures() == 0 ? 0 : 1;
  } catch (const std::exception& e) {
    err << "kestrel-manual-shots: " << e.what() << "\n";
  }
  return 1;
}
