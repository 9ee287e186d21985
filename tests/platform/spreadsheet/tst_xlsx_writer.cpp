// The spreadsheet writer on its own: what it writes is read back with openpyxl.
#include "table_row.h"
#include "xlsx_readback.h"
#include "xlsx_writer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <unistd.h>
#include <csignal>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

// A sheet whose rows come from a table of texts; every cell gets format `format`.
sheet::Sheet textSheet(const std::vector<QStringList>& rows, int format = 0) {
  sheet::Sheet s;
  s.rowCount = int(rows.size());
  for (const QStringList& row : rows) s.columnCount = std::max(s.columnCount, int(row.size()));
  s.rowCells = [rows, format](int r, std::vector<sheet::Cell>& cells) {
    const QStringList& row = rows[size_t(r)];
    for (qsizetype c = 0; c < row.size(); ++c) cells[size_t(c)] = {row[c], format};
  };
  return s;
}

QStringList filesIn(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
}

enum class Obstacle {
  MissingFolder,
  UnwritableFolder,
  FolderInTheWay,
  ReadOnlyFile,
  OpenInCalc,
  OpenInExcel,
  DiskFull,
  TooManyRows
};

}  // namespace

Q_DECLARE_METATYPE(Obstacle)

class TestXlsxWriter : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString path_;

 private slots:
  void init() {
    path_ = dir_.filePath("Untitled.xlsx");
    QFile::remove(path_);
  }

  void cellTextsStayText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("cutTo");  // 0: kept whole, no note
    const QString devanagari(20000, QChar(0x0915));
    const QString formula = "=SUM(A1:A3)", zeros = "0098765", padded = "  padded  ",
                  markup = "<b>O'Neil & \"x\"</b>";
    row("formula", formula, formula, 0);
    row("digits keep leading zeros", zeros, zeros, 0);
    row("blanks kept at both ends", padded, padded, 0);
    row("markup and quotes", markup, markup, 0);
    row("NUL dropped", QString::fromUtf16(u"ab\0cd", 5), QString("abcd"), 0);
    row("longer than a cell holds", QString(40000, u'x'), QString(32767, u'x'), 32767);
    row("cell limit reached in bytes first", devanagari, devanagari.left(10922), 10922);
  }
  void cellTextsStayText() {
    QFETCH(QString, text);
    QFETCH(QString, stored);
    QFETCH(int, cutTo);
    const auto writer = makeSpreadsheetWriter();
    QVERIFY2(writer->WriteWorkbook(textSheet({{"head", text}}), path_), qPrintable(writer->LastError()));

    QString error;
    const QJsonObject cell = cellOf(readWorkbook(path_, &error), "B1");
    QVERIFY2(!cell.isEmpty(), qPrintable(error));
    QCOMPARE(cell.value("value").toString(), stored);
    QCOMPARE(cell.value("type").toString(), QString("s"));
    if (cutTo == 0) {
      QVERIFY(writer->Notes().isEmpty());
    } else {
      QCOMPARE(writer->Notes().size(), 1);
      QVERIFY2(
          writer->Notes().first().startsWith(
              QStringLiteral("Cell B1: a text of %1 characters was cut to %2").arg(text.size()).arg(cutTo)),
          qPrintable(writer->Notes().first()));
    }
  }

  void failsWithoutLeavingAFile_data() {
    QTest::addColumn<Obstacle>("obstacle");
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder missing") << Obstacle::MissingFolder << "does not exist";
    QTest::newRow("folder not writable")
        << Obstacle::UnwritableFolder << "no file can be created in the folder";
    QTest::newRow("a folder in the way") << Obstacle::FolderInTheWay << "a folder of that name is in the way";
    QTest::newRow("file read-only") << Obstacle::ReadOnlyFile << "the file is read-only";
    QTest::newRow("open in a spreadsheet program") << Obstacle::OpenInCalc << "open in another program";
    QTest::newRow("open in Excel") << Obstacle::OpenInExcel << "open in another program";
    QTest::newRow("disk full") << Obstacle::DiskFull << "could not be written out (File too large)";
    QTest::newRow("more rows than a sheet holds")
        << Obstacle::TooManyRows << "the list needs 1048577 rows, more than the 1048576 a worksheet holds.";
  }
  void failsWithoutLeavingAFile() {
    QFETCH(Obstacle, obstacle);
    QFETCH(QString, reason);
    QTemporaryDir scratch;
    QString folder = scratch.path();
    QString path = scratch.filePath("Untitled.xlsx");
    QByteArray oldContent = "the previous export";
    auto writeOld = [&] {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(oldContent);
    };
    std::vector<QStringList> rows{{"a", "b"}};
    switch (obstacle) {
      case Obstacle::MissingFolder:
        folder = scratch.filePath("Temp");
        path = folder + "/Untitled.xlsx";
        break;
      case Obstacle::UnwritableFolder:
        // Root may write anywhere a file system allows; sysfs allows no new files.
        if (geteuid() == 0) {
          folder = "/sys";
        } else {
          QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        }
        path = folder + "/Untitled.xlsx";
        break;
      case Obstacle::FolderInTheWay:
        QVERIFY(QDir(folder).mkdir("Untitled.xlsx"));
        break;
      case Obstacle::ReadOnlyFile:
        writeOld();
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        break;
      case Obstacle::OpenInCalc:
      case Obstacle::OpenInExcel: {
        writeOld();
        QFile lock(folder +
                   (obstacle == Obstacle::OpenInCalc ? "/.~lock.Untitled.xlsx#" : "/~$Untitled.xlsx"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        break;
      }
      case Obstacle::TooManyRows:
        writeOld();
        break;
      case Obstacle::DiskFull:
        writeOld();
        for (int r = 0; r < 20000; ++r)
          rows.push_back({QString::number(r), QString::number(quint64(r) * 2654435761u % 1000000007u, 36)});
        break;
    }
    const QStringList before = QDir(folder).exists() ? filesIn(folder) : QStringList();

    sheet::Sheet sheet = textSheet(rows);
    if (obstacle == Obstacle::TooManyRows)
      sheet.rowCount = SpreadsheetWriter::MaxRows + 1;
    const auto writer = makeSpreadsheetWriter();
    bool written = false;
    if (obstacle == Obstacle::DiskFull) {
      // A file size limit makes writes fail as a full disk does.
      rlimit saved{};
      getrlimit(RLIMIT_FSIZE, &saved);
      const auto previous = std::signal(SIGXFSZ, SIG_IGN);
      rlimit small = saved;
      small.rlim_cur = 64 * 1024;
      setrlimit(RLIMIT_FSIZE, &small);
      written = writer->WriteWorkbook(sheet, path);
      setrlimit(RLIMIT_FSIZE, &saved);
      std::signal(SIGXFSZ, previous);
    } else {
      written = writer->WriteWorkbook(sheet, path);
    }
    if (obstacle == Obstacle::UnwritableFolder && geteuid() != 0)
      QFile::setPermissions(scratch.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QVERIFY(!written);
    QVERIFY2(writer->LastError().startsWith("Cannot write " + QDir::toNativeSeparators(path) + ": "),
             qPrintable(writer->LastError()));
    QVERIFY2(writer->LastError().contains(reason), qPrintable(writer->LastError()));
    QCOMPARE(QDir(folder).exists() ? filesIn(folder) : QStringList(), before);
    if (before.contains("Untitled.xlsx") && QFileInfo(path).isFile()) {
      QFile f(path);
      QVERIFY(f.open(QIODevice::ReadOnly));
      QCOMPARE(f.readAll(), oldContent);
    }
  }
};

QTEST_GUILESS_MAIN(TestXlsxWriter)
#include "tst_xlsx_writer.moc"
