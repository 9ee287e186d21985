#include "host_setup.h"

#include "platform/base/sql_store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

using namespace kestrel;
using namespace kestrel::host;

namespace {

// What <suite home>/HTMLHelp is before the host starts.
enum class Before { Nothing, SuiteFolder, LinkElsewhere, LinkToManual, DanglingLink };

struct LinkCase {
  Before before;
  bool manualBuilt;
  ManualLink result;
  QString opens;  // the text of HTMLHelp/ITR_Help.pdf afterwards; "" when there is none
};

struct TitleCase {
  QString window;   // object name
  QString retitle;  // a caption the window sets once shown ("" for none)
  QString expected;
};

void writeFile(const QString& path, const QByteArray& text) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(text);
}

QString readFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace

Q_DECLARE_METATYPE(LinkCase)
Q_DECLARE_METATYPE(TitleCase)

class TestHostSetup : public QObject {
  Q_OBJECT

 private slots:
  void linksTheManual_data() {
    QTest::addColumn<LinkCase>("c");
    QTest::newRow("first start") << LinkCase{Before::Nothing, true, ManualLink::Linked, "installed"};
    QTest::newRow("link of another build")
        << LinkCase{Before::LinkElsewhere, true, ManualLink::Linked, "installed"};
    QTest::newRow("link left by a removed package")
        << LinkCase{Before::DanglingLink, true, ManualLink::Linked, "installed"};
    QTest::newRow("started before") << LinkCase{Before::LinkToManual, true, ManualLink::AlreadyLinked,
                                                "installed"};
    QTest::newRow("the suite's own manual stays")
        << LinkCase{Before::SuiteFolder, true, ManualLink::KeptSuiteFolder, "suite"};
    QTest::newRow("no manual built") << LinkCase{Before::Nothing, false, ManualLink::NoManual, ""};
    QTest::newRow("no manual built, earlier link stays")
        << LinkCase{Before::LinkElsewhere, false, ManualLink::NoManual, "other"};
  }

  void linksTheManual() {
    QFETCH(LinkCase, c);
    QTemporaryDir dir;
    const QString home = dir.filePath("home/Velmar");
    const QString manual = dir.filePath("share/kestrel/HTMLHelp");
    const QString other = dir.filePath("build/HTMLHelp");
    if (c.manualBuilt)
      writeFile(manual + "/ITR_Help.pdf", "installed");
    writeFile(other + "/ITR_Help.pdf", "other");
    const QString link = home + "/HTMLHelp";
    QDir().mkpath(home);
    switch (c.before) {
      case Before::Nothing:  // not even the suite home yet
        QDir(home).removeRecursively();
        break;
      case Before::SuiteFolder:
        writeFile(link + "/ITR_Help.pdf", "suite");
        break;
      case Before::LinkElsewhere:
        QVERIFY(QFile::link(other, link));
        break;
      case Before::LinkToManual:
        QVERIFY(QFile::link(manual, link));
        break;
      case Before::DanglingLink:
        QVERIFY(QFile::link(dir.filePath("gone/HTMLHelp"), link));
        break;
    }

    QCOMPARE(LinkManualIntoSuiteHome(home, manual), c.result);
    QCOMPARE(readFile(link + "/ITR_Help.pdf"), c.opens);
  }

  void findsTheProgramData() {
    // Installed: <prefix>/bin beside <prefix>/share/kestrel; in a build folder: <build>/bin.
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("usr/bin"));
    QDir().mkpath(dir.filePath("usr/share/kestrel/HTMLHelp"));
    QDir().mkpath(dir.filePath("build/bin"));
    QCOMPARE(ProgramDataFolder(dir.filePath("usr/bin")), dir.filePath("usr/share/kestrel"));
    QCOMPARE(ProgramDataFolder(dir.filePath("build/bin")), dir.filePath("build"));
  }

  void preparesTheDemoStoreOnce() {
    // A fresh store gets clients and the mail domain once; a store with clients of its own
    // is left as it is.
    QTemporaryDir dir;
    const QString fresh = "sqlite:" + dir.filePath("fresh.db");
    QVERIFY(PrepareDemoStore(fresh, "127.0.0.1:18555"));
    QVERIFY(!PrepareDemoStore(fresh, "127.0.0.1:18555"));
    SqlStore store(fresh, "test");
    QVERIFY(store.scalar("SELECT COUNT(*) FROM OnlineRegInfo WHERE AsYr=0").toInt() > 200);
    QCOMPARE(store.scalar("SELECT COUNT(*) FROM WebMailDomain").toInt(), 1);
    QCOMPARE(store.scalar("SELECT sUrl FROM WebMailDomain").toString(), "127.0.0.1:18555");

    const QString suite = "sqlite:" + dir.filePath("suite.db");
    SqlStore own(suite, "test");
    own.exec("CREATE TABLE OnlineRegInfo(Code_No varchar(50), AsYr int)");
    own.exec("INSERT INTO OnlineRegInfo VALUES('C1', 0)");
    QVERIFY(!PrepareDemoStore(suite, "127.0.0.1:18444"));
    QCOMPARE(own.scalar("SELECT COUNT(*) FROM OnlineRegInfo").toInt(), 1);
    QCOMPARE(own.scalar("SELECT COUNT(*) FROM sqlite_master WHERE name='WebMailDomain'").toInt(), 0);
  }

  void marksTheModuleWindows_data() {
    QTest::addColumn<TitleCase>("c");
    const QString mark = DemoWindowTitles::suffix();
    QTest::newRow("main window") << TitleCase{"frmKestrel", "", "Caption" + mark};
    QTest::newRow("mail window") << TitleCase{"FrmMailSetup", "", "Caption" + mark};
    QTest::newRow("caption set again") << TitleCase{"frmKestrel", "Other", "Other" + mark};
    QTest::newRow("notice stays") << TitleCase{"FrmNotice", "", "Caption"};
  }

  void marksTheModuleWindows() {
    QFETCH(TitleCase, c);
    DemoWindowTitles marker;
    qApp->installEventFilter(&marker);
    QWidget window;
    window.setObjectName(c.window);
    window.setWindowTitle("Caption");
    window.show();
    if (!c.retitle.isEmpty())
      window.setWindowTitle(c.retitle);
    QCOMPARE(window.windowTitle(), c.expected);
  }
};

QTEST_MAIN(TestHostSetup)
#include "tst_host_setup.moc"
