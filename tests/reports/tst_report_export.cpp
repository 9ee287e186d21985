// The report panel's spreadsheet export: the sheets ExportExcelRPT and ExportExcelDET write,
// read back with openpyxl (and once opened by LibreOffice), and what the user is told when a
// sheet cannot be written.
#include "entry/mod_it_main.h"
#include "fake_base.h"
#include "report_grids.h"
#include "reports/report_export.h"
#include "reports/report_sheet.h"
#include "scripted_interaction.h"
#include "table_row.h"
#include "xlsx_readback.h"
#include "xlsx_writer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

enum class List { Blank, Mismatch, Empty, Summary, Details };
enum class Obstacle { FolderMissing, FolderInTheWay, NoWriter, TooManyRows, LongText, NoProgram };

// The report columns the lists fill: 1 code, 5 name, 13 to 16 the software's mobiles and
// e-mails, 17 to 21 the portal's name, mobiles and e-mails, 26 the import log.
// clang-format off
const std::vector<std::map<int, QString>> blankClients{
    {{1, "C1001"}, {2, "Asha"}, {5, "Asha Verma"}, {14, "9811122233"}, {15, "asha.verma@example.in"},
     {17, "ASHA VERMA"}, {18, "9811100000"}, {20, "asha.verma@example.in"}, {26, "Login Success"}},
    {{1, "C1002"}, {5, "Bharat Traders HUF"}, {15, "accounts@bharat.co.in"}},
    {{1, "C1003"}, {4, "Iyer"}, {5, "Chitra Iyer"}, {16, "chitra@example.org"}}};
// Mobiles that differ, among texts a spreadsheet could take for formulas or escapes.
const std::vector<std::map<int, QString>> mismatchClients{
    {{1, "M-01"}, {5, "=HYPERLINK(\"http://x\")"}, {13, "+919876543210"}, {15, "@team"}, {17, "a_x0041_b"},
     {18, "9876543210"}},
    {{1, "M-02"}, {5, "O'Neil \"Bob\", Jr."}, {13, "-9876543210"}, {14, "9123456789"}, {18, "9000000001"},
     {19, "9123456780"}}};
// clang-format on

std::vector<Occurrence> occurrences() {
  return {
      {"a@example.in", {{"C1", "Ravi Kumar"}, {"C7", "Sita Kumar"}}},
      {"b@example.in", {{"C2", "Meena Das"}}},
      {"office@firm.co.in", {{"C3", "Gopal Rao"}, {"C4", "Hari Rao"}, {"C9", "Uma Rao"}}},
  };
}

const char* titleOf(List list) {
  static const char* titles[] = {"List of Blank Primary Mobile in Software.", "List of Mismatch Mobile.",
                                 "List of Blank Primary EMail in Login.", "E-Mail Occurance List",
                                 "Party List According to E-Mail"};
  return titles[int(list)];
}

}  // namespace

Q_DECLARE_METATYPE(List)
Q_DECLARE_METATYPE(Obstacle)

class TestReportExport : public QObject {
  Q_OBJECT

  std::shared_ptr<FakeBase> base_;
  std::map<List, QJsonObject> books_;  // each list exported once, read back once

  QString logText() const {
    QFile file(base_->ExePath() + "/VelLog.log");
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }

  SheetExport exportList(List list) {
    switch (list) {
      case List::Blank:
        return ExportReportGrid(*reportGrid(blankClients), titleOf(list));
      case List::Mismatch:
        return ExportReportGrid(*reportGrid(mismatchClients), titleOf(list));
      case List::Empty:
        return ExportReportGrid(*reportGrid({}), titleOf(list));
      case List::Summary:
        return ExportDetailGrid(*detailGrid("E-Mail", occurrences(), false), titleOf(list), false);
      case List::Details:
        return ExportDetailGrid(*detailGrid("E-Mail", occurrences(), true), titleOf(list), true);
    }
    return {};
  }

  const QJsonObject& book(List list) {
    auto found = books_.find(list);
    if (found == books_.end()) {
      ScopedInteraction script;
      const SheetExport result = exportList(list);
      QJsonObject read;
      if (result.written && script->opened == QStringList{result.path}) {
        QString error;
        read = readWorkbook(result.path, &error);
        if (read.isEmpty())
          qWarning("openpyxl could not read %s: %s", qPrintable(result.path), qPrintable(error));
      } else {
        qWarning("export failed: %s", qPrintable(result.message));
      }
      found = books_.emplace(list, read).first;
    }
    return found->second;
  }

 private slots:
  void initTestCase() {
    base_ = std::make_shared<FakeBase>();
    auto base = base_;
    ObjectRegistry::instance().registerFactory("VelBase.ClsMain", [base] { return base; });
    ModuleStart();
    registerSpreadsheetWriter();
    QVERIFY(QDir().mkpath(base_->vTmpPath()));
  }
  void cleanupTestCase() {
    ModuleShutdown();
    ObjectRegistry::instance().unregister("VelBase.ClsMain");
    ObjectRegistry::instance().unregister(SpreadsheetWriter::ProgId);
  }

  void exportedCells_data() {
    QTest::addColumn<List>("list");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("value");
    QTest::addColumn<double>("size");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QString>("fill");
    QTest::addColumn<QString>("align");
    QTest::addColumn<QString>("borders");  // thin lines, "LRTB"; "any" for merged cells
    const char* white = "FFFFFF";
    // clang-format off
    row("blank: company placeholder", List::Blank, "A1", "<YOUR COMPANY NAME>", 12.0, true, white, "general", "any");
    row("blank: report title", List::Blank, "A3", titleOf(List::Blank), 12.0, true, white, "general", "any");
    row("blank: software group over four columns", List::Blank, "D6", "As per Software", 8.0, true, white, "center", "any");
    row("blank: login group caption left over the name", List::Blank, "H6", "As Per Login", 8.0, true, white, "center", "TB");
    row("blank: second header row", List::Blank, "D7", "Mobile-1", 8.0, true, white, "center", "TB");
    row("blank: header closed on the right after hidden columns", List::Blank, "L7", "EMail-2", 8.0, true, white, "center", "RTB");
    row("blank: first data row", List::Blank, "B8", "C1001", 8.0, false, white, "general", "LRT");
    row("blank: middle data row", List::Blank, "C9", "Bharat Traders HUF", 8.0, false, white, "general", "LR");
    row("blank: last row, last column", List::Blank, "L10", "", 8.0, false, white, "general", "LRB");
    row("mismatch: formula-like name", List::Mismatch, "C8", "=HYPERLINK(\"http://x\")", 8.0, false, white, "general", "LRT");
    row("mismatch: mobile with plus", List::Mismatch, "D8", "+919876543210", 8.0, false, white, "general", "LRT");
    row("empty: header row gets column lines", List::Empty, "D7", "Mobile-1", 8.0, true, white, "center", "LRTB");
    row("empty: one boxed row below the header", List::Empty, "E8", "", 8.0, false, white, "general", "LRTB");
    row("summary: header not filled", List::Summary, "A6", "SNo", 8.0, true, white, "center", "LTB");
    row("summary: count column ends the header", List::Summary, "C6", "No. of Occurance", 8.0, true, white, "center", "RTB");
    row("summary: value not shaded", List::Summary, "B9", "office@firm.co.in", 8.0, false, white, "general", "LRB");
    row("details: header filled", List::Details, "A6", "SNo", 8.0, true, "D7E4BC", "center", "LTB");
    row("details: last header cell", List::Details, "E6", "Party  Name", 8.0, true, "D7E4BC", "center", "RTB");
    row("details: first group, first client", List::Details, "D7", "C1", 8.0, false, "F2FFF5", "general", "LRT");
    row("details: first group, second client", List::Details, "E8", "Sita Kumar", 8.0, false, "F2FFF5", "general", "LR");
    row("details: single-row group, even shade", List::Details, "A9", "2", 8.0, false, "FEF3F8", "general", "LR");
    row("details: third group, odd shade again", List::Details, "B10", "office@firm.co.in", 8.0, false, "F2FFF5", "general", "any");
    row("details: last client", List::Details, "E12", "Uma Rao", 8.0, false, "F2FFF5", "general", "LRB");
    // clang-format on
  }
  void exportedCells() {
    QFETCH(List, list);
    QFETCH(QString, cell);
    QFETCH(QString, value);
    QFETCH(double, size);
    QFETCH(bool, bold);
    QFETCH(QString, fill);
    QFETCH(QString, align);
    QFETCH(QString, borders);
    const QJsonObject got = cellOf(book(list), cell);
    QVERIFY2(!got.isEmpty(), "no such cell");
    QCOMPARE(got.value("value").toString(), value);
    if (!value.isEmpty())
      QCOMPARE(got.value("type").toString(), QString("s"));
    QCOMPARE(got.value("font").toString(), QString("Tahoma"));
    QCOMPARE(got.value("size").toDouble(), size);
    QCOMPARE(got.value("bold").toBool(), bold);
    QCOMPARE(got.value("fill").toString(), fill);
    QCOMPARE(got.value("h").toString(), align);
    QCOMPARE(got.value("v").toString(), QString("center"));
    if (borders != "any")
      QCOMPARE(got.value("border").toString(), borders);
  }

  // openpyxl redraws the lines of merged cells from their first cell, so these are checked on
  // the sheet as it goes to the writer.
  void mergedCellLines_data() {
    QTest::addColumn<List>("list");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("borders");
    row("caption over both header rows: no line between them", List::Blank, "A6", "LTB");
    row("its lower half", List::Blank, "A7", "LB");
    row("software group caption", List::Blank, "D6", "TB");
    row("login group caption carries the header's right edge", List::Blank, "I6", "RTB");
    row("login group's last cell", List::Blank, "L6", "RTB");
    row("group number over two rows", List::Details, "A7", "LRT");
    row("its second row", List::Details, "A8", "LR");
    row("last group's number carries the bottom line", List::Details, "A10", "LRB");
    row("last group's last row", List::Details, "C12", "LRB");
  }
  void mergedCellLines() {
    QFETCH(List, list);
    QFETCH(QString, cell);
    QFETCH(QString, borders);
    const auto report = reportGrid(blankClients);
    const auto detail = detailGrid("E-Mail", occurrences(), true);
    const sheet::Sheet s = list == List::Blank ? ReportGridSheet(*report, titleOf(list))
                                               : DetailGridSheet(*detail, titleOf(list), true);
    std::vector<sheet::Cell> cells(size_t(s.columnCount));
    s.rowCells(cell.mid(1).toInt() - 1, cells);
    const std::uint8_t lines = s.formats[size_t(cells[size_t(cell[0].unicode() - u'A')].format)].borders;
    QString got;
    for (const auto& [edge, letter] : {std::pair{sheet::EdgeLeft, 'L'},
                                       {sheet::EdgeRight, 'R'},
                                       {sheet::EdgeTop, 'T'},
                                       {sheet::EdgeBottom, 'B'}})
      if (lines & edge)
        got += letter;
    QCOMPARE(got, borders);
  }

  void sheetShapeAndPage_data() {
    QTest::addColumn<List>("list");
    QTest::addColumn<QStringList>("merged");
    QTest::addColumn<QStringList>("headings");  // per column: the lower header caption
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    const QStringList report{"SNo",     "Party Code", "Party Name", "Mobile-1", "Mobile-2", "EMail-1",
                             "EMail-2", "Name",       "Mobile-1",   "Mobile-2", "EMail-1",  "EMail-2"};
    const QStringList reportMerges{"A1:C2", "A3:C4", "A6:A7", "B6:B7", "C6:C7", "D6:G6", "I6:L6"};
    row("blank list", List::Blank, reportMerges, report, 10, 12);
    row("mismatch list", List::Mismatch, reportMerges, report, 9, 12);
    row("empty list", List::Empty, reportMerges, report, 8, 12);
    // The title block keeps its nine columns; the grid's hidden columns go.
    row("occurrence summary", List::Summary, QStringList{"A1:G2", "A3:G4"},
        QStringList{"SNo", "E-Mail", "No. of Occurance", "", "", "", ""}, 9, 7);
    row("occurrence details", List::Details,
        QStringList{"A10:A12", "A1:I2", "A3:I4", "A7:A8", "B10:B12", "B7:B8", "C10:C12", "C7:C8"},
        QStringList{"SNo", "E-Mail", "No. of Occurance", "Party Code", "Party  Name", "", "", "", ""}, 12, 9);
  }
  void sheetShapeAndPage() {
    QFETCH(List, list);
    QFETCH(QStringList, merged);
    QFETCH(QStringList, headings);
    QFETCH(int, rows);
    QFETCH(int, columns);
    const QJsonObject& b = book(list);
    QCOMPARE(b.value("sheets").toInt(), 1);
    QStringList gotMerged;
    for (const QJsonValue& m : b.value("merged").toArray()) gotMerged << m.toString();
    QCOMPARE(gotMerged, merged);
    const int lowerHeader = (list == List::Summary || list == List::Details) ? 6 : 7;
    QStringList gotHeadings;
    for (int c = 0; c < columns; ++c) {
      const QString ref = QChar(u'A' + c) + QString::number(lowerHeader);
      const QString lower = cellOf(b, ref).value("value").toString();
      gotHeadings << (lower.isEmpty() ? cellOf(b, QChar(u'A' + c) + QString("6")).value("value").toString()
                                      : lower);
    }
    QCOMPARE(gotHeadings, headings);
    QCOMPARE(b.value("max_row").toInt(), rows);
    QCOMPARE(b.value("max_col").toInt(), columns);

    QCOMPARE(b.value("print_title_rows").toString(), QString("$1:$13"));
    const QJsonObject page = b.value("page").toObject();
    QCOMPARE(page.value("paper").toInt(), 9);
    QCOMPARE(page.value("orientation").toString(), QString("portrait"));
    QVERIFY(page.value("center_h").toBool());
    QCOMPARE(page.value("left").toDouble(), 0.75);
    QCOMPARE(page.value("right").toDouble(), 0.75);
    for (const char* margin : {"top", "bottom", "header", "footer"})
      QCOMPARE(page.value(margin).toDouble(), 0.5);
    QCOMPARE(b.value("default_row_height").toDouble(), 12.0);
    const QJsonObject heights = b.value("row_heights").toObject();
    QCOMPARE(heights.value("3").toDouble(), 30.0);
    QCOMPARE(heights.value("5").toDouble(), 3.0);
    for (const QString& r : heights.keys())
      if (r != "3" && r != "5")
        QCOMPARE(heights.value(r).toDouble(), 12.0);
    // The whole sheet, beyond the list too, is white Tahoma 8.
    const QJsonObject beyond = b.value("columns").toObject().value(QChar(u'A' + columns)).toObject();
    QCOMPARE(beyond.value("max").toInt(), SpreadsheetWriter::MaxColumns);
    QCOMPARE(beyond.value("fill").toString(), QString("FFFFFF"));
    QCOMPARE(beyond.value("font").toString(), QString("Tahoma"));
    QCOMPARE(beyond.value("size").toDouble(), 8.0);
  }

  void columnWidths_data() {
    // Expected widths from Tahoma 8's glyph widths (digits 6 pixels, bold 7; "@" 10, "m" 8,
    // "i" and "l" 2, ...) and the cell padding of 7 pixels.
    QTest::addColumn<List>("list");
    QTest::addColumn<QString>("column");
    QTest::addColumn<int>("pixels");
    row("SNo: caption merged, no data: standard width", List::Blank, "A", 64);
    row("codes: merged caption ignored", List::Blank, "B", 5 * 6 + 1 + 7);
    row("blank column: bold caption", List::Blank, "D", 48 + 7);
    row("e-mails: widest address", List::Blank, "F", 119 + 7);
    row("login name: unmerged group caption is widest", List::Blank, "H", 69 + 7);
    row("summary SNo: bold caption", List::Summary, "A", 22 + 7);
    row("details values: merged groups ignored", List::Details, "B", 68 + 7);
    row("details count: bold caption", List::Details, "C", 98 + 7);
  }
  void columnWidths() {
    QFETCH(List, list);
    QFETCH(QString, column);
    QFETCH(int, pixels);
    const QJsonObject dim = book(list).value("columns").toObject().value(column).toObject();
    QCOMPARE(qRound(dim.value("width").toDouble() * 7), pixels);
  }

  void libreOfficeOpensTheSheet() {
    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty())
      QSKIP("LibreOffice is not installed (scripts/deps.sh test installs it)");
    ScopedInteraction script;
    const SheetExport result = exportList(List::Mismatch);
    QVERIFY(result.written);
    QTemporaryDir out;
    QProcess calc;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", out.filePath("home"));  // a profile of its own, away from the user's
    calc.setProcessEnvironment(env);
    calc.start(soffice, {"--headless", "--norestore", "--convert-to",
                         "csv:Text - txt - csv (StarCalc):9,34,76,1", "--outdir", out.path(), result.path});
    QVERIFY(calc.waitForFinished(240000));
    QFile csv(out.filePath("Untitled.csv"));
    QVERIFY2(csv.open(QIODevice::ReadOnly), qPrintable(calc.readAllStandardError()));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split('\n');
    const auto fields = [&](int sheetRow) {
      QStringList cells = lines.value(sheetRow - 1).split('\t');
      for (QString& cell : cells)
        if (cell.size() >= 2 && cell.startsWith('"') && cell.endsWith('"'))
          cell = cell.mid(1, cell.size() - 2).replace("\"\"", "\"");
      return cells;
    };
    QCOMPARE(fields(1).value(0), QString("<YOUR COMPANY NAME>"));
    QCOMPARE(fields(3).value(0), QString(titleOf(List::Mismatch)));
    QCOMPARE(fields(6).mid(0, 4), QStringList({"SNo", "Party Code", "Party Name", "As per Software"}));
    QCOMPARE(fields(7).value(3), QString("Mobile-1"));
    // Text that looks like a formula or an escape reaches the program as typed.
    QCOMPARE(fields(8), QStringList({"", "M-01", "=HYPERLINK(\"http://x\")", "+919876543210", "", "@team", "",
                                     "a_x0041_b", "9876543210", "", "", ""}));
    QCOMPARE(fields(9).mid(1, 3), QStringList({"M-02", "O'Neil \"Bob\", Jr.", "-9876543210"}));
  }

  void failuresAreLoggedAndShown_data() {
    QTest::addColumn<Obstacle>("obstacle");
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("routine");
    QTest::addColumn<QString>("message");  // "" when nothing is shown
    QTest::addColumn<QString>("logged");   // "number<TAB>description", "" when nothing is logged
    row("temporary folder missing", Obstacle::FolderMissing, false, "ExportExcelRPT",
        "The list could not be exported.\n\nCannot write @PATH@: the folder @FOLDER@ does not exist.",
        "75\tCannot write @PATH@: the folder @FOLDER@ does not exist.");
    row("a folder named like the file", Obstacle::FolderInTheWay, false, "ExportExcelDET",
        "The list could not be exported.\n\nCannot write @PATH@: a folder of that name is in the way.",
        "75\tCannot write @PATH@: a folder of that name is in the way.");
    row("no spreadsheet writer", Obstacle::NoWriter, false, "ExportExcelRPT",
        "The list could not be exported: no spreadsheet writer is available.",
        "429\tActiveX component can't create object");
    row("more rows than a sheet holds", Obstacle::TooManyRows, false, "ExportExcelDET",
        "This list needs 1048577 rows on a sheet, more than the 1048576 a sheet holds. Nothing was exported; "
        "narrow the list and export it again.",
        "");
    row("a name longer than a cell holds", Obstacle::LongText, true, "ExportExcelRPT", "",
        "6\tCell C8: a text of 40000 characters was cut to 32767, as much as a cell holds.");
    row("no program opens it", Obstacle::NoProgram, true, "ExportExcelDET",
        "The list was saved as @PATH@, but no program opened it. Open it from there.", "");
  }
  void failuresAreLoggedAndShown() {
    QFETCH(Obstacle, obstacle);
    QFETCH(bool, written);
    QFETCH(QString, routine);
    QFETCH(QString, message);
    QFETCH(QString, logged);
    const QString folder = base_->vTmpPath();
    const QString path = folder + "Untitled.xlsx";
    QFile::remove(path);
    QFile::remove(base_->ExePath() + "/VelLog.log");
    ScopedInteraction script;
    script->openSucceeds = obstacle != Obstacle::NoProgram;
    std::unique_ptr<grid::FlexGridModel> g =
        routine == "ExportExcelRPT" ? reportGrid(blankClients)
                                    : detailGrid("Mobile", {{"9876543210", {{"C1", "One"}}}}, false);
    switch (obstacle) {
      case Obstacle::FolderMissing:
        QVERIFY(QDir(folder).removeRecursively());
        break;
      case Obstacle::FolderInTheWay:
        QVERIFY(QDir(folder).mkdir("Untitled.xlsx"));
        break;
      case Obstacle::NoWriter:
        ObjectRegistry::instance().unregister(SpreadsheetWriter::ProgId);
        break;
      case Obstacle::TooManyRows:
        g->setRows(SpreadsheetWriter::MaxRows - TitleRows + 1);
        break;
      case Obstacle::LongText:
        g->setTextMatrix(2, 5, QString(40000, u'n'));
        break;
      case Obstacle::NoProgram:
        break;
    }
    const SheetExport result =
        routine == "ExportExcelRPT" ? ExportReportGrid(*g, "Title") : ExportDetailGrid(*g, "Title", false);
    QDir(folder).rmdir("Untitled.xlsx");
    QDir().mkpath(folder);
    registerSpreadsheetWriter();

    const auto fill = [&](QString text) {
      return text.replace("@PATH@", QDir::toNativeSeparators(path))
          .replace("@FOLDER@", QDir::toNativeSeparators(QDir::cleanPath(folder)));
    };
    QCOMPARE(result.written, written);
    QCOMPARE(QFileInfo(path).isFile(), written);
    QCOMPARE(script->opened, written ? QStringList{path} : QStringList());
    QCOMPARE(result.message, fill(message));
    if (message.isEmpty()) {
      QVERIFY(script->messages.empty());
    } else {
      QCOMPARE(script->messages.size(), size_t(1));
      QCOMPARE(script->messages.front().text, fill(message));
      QCOMPARE(script->messages.front().icon, Interaction::Icon::Exclamation);
    }
    const QString log = logText();
    if (logged.isEmpty()) {
      QCOMPARE(log, QString());
    } else {
      QCOMPARE(log.count('\n'), 1);
      QVERIFY2(log.contains("\t" + fill(logged) + "\t"), qPrintable(log));
      QVERIFY2(log.endsWith("\tfrmKestrel\t" + routine + "\n"), qPrintable(log));
    }
  }
};

QTEST_MAIN(TestReportExport)
#include "tst_report_export.moc"
