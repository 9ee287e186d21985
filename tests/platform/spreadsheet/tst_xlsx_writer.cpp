// The spreadsheet writer on its own: what it writes is read back with openpyxl.
#include "xlsx_readback.h"
#include "xlsx_writer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
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
  DiskFull
};

}  // namespace

Q_DECLARE_METATYPE(Obstacle)

class TestXlsxWriter : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString path_;

  QJsonObject readBack() {
    QString error;
    const QJsonObject book = readWorkbook(path_, &error);
    if (book.isEmpty())
      qWarning("openpyxl could not read the workbook: %s", qPrintable(error));
    return book;
  }

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
    QTest::newRow("formula") << "=SUM(A1:A3)"
                             << "=SUM(A1:A3)" << 0;
    QTest::newRow("plus sign, an ISD mobile") << "+919876543210"
                                              << "+919876543210" << 0;
    QTest::newRow("minus sign") << "-12"
                                << "-12" << 0;
    QTest::newRow("at sign") << "@INDIRECT(\"A1\")"
                             << "@INDIRECT(\"A1\")" << 0;
    QTest::newRow("digits keep leading zero") << "0098765"
                                              << "0098765" << 0;
    QTest::newRow("blanks kept at both ends") << "  padded  "
                                              << "  padded  " << 0;
    QTest::newRow("NUL dropped") << QString::fromUtf16(u"ab\0cd", 5) << "abcd" << 0;
    QTest::newRow("quotes, backslash, markup") << "O'Neil \"x\" \\ <b>&amp;"
                                               << "O'Neil \"x\" \\ <b>&amp;" << 0;
    QTest::newRow("longer than a cell holds") << QString(40000, u'x') << QString(32767, u'x') << 32767;
    QTest::newRow("cell limit reached in bytes first") << devanagari << devanagari.left(10922) << 10922;
  }
  void cellTextsStayText() {
    QFETCH(QString, text);
    QFETCH(QString, stored);
    QFETCH(int, cutTo);
    const auto writer = makeSpreadsheetWriter();
    QVERIFY2(writer->WriteWorkbook(textSheet({{"head", text}}), path_), qPrintable(writer->LastError()));

    const QJsonObject cell = cellOf(readBack(), "B1");
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

  void layoutReadsBack() {
    // Two formats besides the sheet's own, merges that end on the same row, on the last row
    // and across rows with cells of their own, heights on rows with and without cells.
    sheet::Sheet s;
    s.fontName = "Tahoma";
    sheet::CellFormat own;
    own.fontSize = 8;
    sheet::CellFormat title = own;
    title.bold = true;
    title.fontSize = 12;
    sheet::CellFormat boxed = own;
    boxed.fill = 0xD7E4BC;
    boxed.hAlign = sheet::HAlign::Center;
    boxed.borders = sheet::EdgeLeft | sheet::EdgeTop | sheet::EdgeBottom;
    s.formats = {own, title, boxed};
    s.rowCount = 6;
    s.columnCount = 3;
    s.defaultRowHeight = 12;
    s.rowHeights = {{1, 30}, {3, 3}};
    s.columnWidths = {67, 0, 120};
    s.merges = {{0, 0, 1, 2}, {4, 0, 5, 0}, {4, 1, 4, 2}};
    s.page.centerHorizontally = true;
    s.page.left = s.page.right = 0.75;
    s.page.top = s.page.bottom = s.page.header = s.page.footer = 0.5;
    s.page.printTitleFirstRow = 0;
    s.page.printTitleLastRow = 12;
    s.rowCells = [](int r, std::vector<sheet::Cell>& cells) {
      if (r < 2)
        for (auto& c : cells) c.format = 1;
      if (r == 0)
        cells[0].text = "Company";
      if (r == 2)
        cells = {{"a", 0}, {"b", 2}, {"", 2}};
      if (r >= 4)
        for (auto& c : cells) c.format = 2;
      if (r == 4)
        cells[0].text = "down", cells[1].text = "across";
    };
    const auto writer = makeSpreadsheetWriter();
    QVERIFY2(writer->WriteWorkbook(s, path_), qPrintable(writer->LastError()));
    const QJsonObject book = readBack();

    QCOMPARE(book.value("merged").toArray(), QJsonArray({"A1:C2", "A5:A6", "B5:C5"}));
    const QJsonObject company = cellOf(book, "A1");
    QCOMPARE(company.value("value").toString(), QString("Company"));
    QCOMPARE(company.value("font").toString(), QString("Tahoma"));
    QCOMPARE(company.value("size").toDouble(), 12.0);
    QVERIFY(company.value("bold").toBool());
    QCOMPARE(company.value("v").toString(), QString("center"));
    const QJsonObject boxedCell = cellOf(book, "B3");
    QCOMPARE(boxedCell.value("fill").toString(), QString("D7E4BC"));
    QCOMPARE(boxedCell.value("h").toString(), QString("center"));
    QCOMPARE(boxedCell.value("border").toString(), QString("LTB"));
    QVERIFY(!cellOf(book, "C3").isEmpty());  // a blank that carries a format is written
    QCOMPARE(cellOf(book, "A3").value("fill").toString(), QString("FFFFFF"));
    QCOMPARE(cellOf(book, "A5").value("value").toString(), QString("down"));

    const QJsonObject heights = book.value("row_heights").toObject();
    QCOMPARE(heights.value("2").toDouble(), 30.0);
    QCOMPARE(heights.value("4").toDouble(), 3.0);
    QCOMPARE(book.value("default_row_height").toDouble(), 12.0);
    const QJsonObject columns = book.value("columns").toObject();
    QCOMPARE(qRound(columns.value("A").toObject().value("width").toDouble() * 7), 67);
    QCOMPARE(qRound(columns.value("C").toObject().value("width").toDouble() * 7), 120);
    // The sheet's own format reaches the columns beyond the last one written.
    const QJsonObject beyond = columns.value("D").toObject();
    QCOMPARE(beyond.value("max").toInt(), SpreadsheetWriter::MaxColumns);
    QCOMPARE(beyond.value("fill").toString(), QString("FFFFFF"));
    QCOMPARE(beyond.value("font").toString(), QString("Tahoma"));

    QCOMPARE(book.value("print_title_rows").toString(), QString("$1:$13"));
    const QJsonObject page = book.value("page").toObject();
    QCOMPARE(page.value("paper").toInt(), 9);
    QCOMPARE(page.value("orientation").toString(), QString("portrait"));
    QVERIFY(page.value("center_h").toBool());
    for (const char* margin : {"left", "right"}) QCOMPARE(page.value(margin).toDouble(), 0.75);
    for (const char* margin : {"top", "bottom", "header", "footer"})
      QCOMPARE(page.value(margin).toDouble(), 0.5);
  }

  void replacesTheFileAndLeavesNothingElse() {
    QFile old(path_);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("not a workbook");
    old.close();
    const QStringList before = filesIn(dir_.path());
    const auto writer = makeSpreadsheetWriter();
    QVERIFY2(writer->WriteWorkbook(textSheet({{"fresh"}}), path_), qPrintable(writer->LastError()));
    QCOMPARE(filesIn(dir_.path()), before);
    QCOMPARE(cellOf(readBack(), "A1").value("value").toString(), QString("fresh"));
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
      case Obstacle::DiskFull:
        writeOld();
        for (int r = 0; r < 20000; ++r)
          rows.push_back({QString::number(r), QString::number(quint64(r) * 2654435761u % 1000000007u, 36)});
        break;
    }
    const QStringList before = QDir(folder).exists() ? filesIn(folder) : QStringList();

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
      written = writer->WriteWorkbook(textSheet(rows), path);
      setrlimit(RLIMIT_FSIZE, &saved);
      std::signal(SIGXFSZ, previous);
    } else {
      written = writer->WriteWorkbook(textSheet(rows), path);
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

  void refusesMoreRowsThanASheetHolds() {
    sheet::Sheet s = textSheet({{"x"}});
    s.rowCount = SpreadsheetWriter::MaxRows + 1;
    bool asked = false;
    s.rowCells = [&](int, std::vector<sheet::Cell>&) { asked = true; };
    const auto writer = makeSpreadsheetWriter();
    QVERIFY(!writer->WriteWorkbook(s, path_));
    QVERIFY2(writer->LastError().contains("1048577 rows, more than the 1048576 a worksheet holds"),
             qPrintable(writer->LastError()));
    QVERIFY(!asked);
    QVERIFY(!QFile::exists(path_));
  }
};

QTEST_GUILESS_MAIN(TestXlsxWriter)
#include "tst_xlsx_writer.moc"
