// The manual's writer on small inputs: what makes it refuse (so that a broken chapter fails the
// build instead of leaving a manual without it), and bookmarks whose titles need escaping, read
// back with poppler-utils.
#include "manual_document.h"
#include "pdf_outline.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

using namespace kestrel::manual;

namespace {

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
  const QString path = dir.filePath(name);
  QFile f(path);
  if (f.open(QIODevice::WriteOnly))
    f.write(text);
  return path;
}

// Three chapters of one line each: pages 3, 4 and 5 after the title and contents pages.
QByteArray smallManual(const QTemporaryDir& dir) {
  ManualSource source;
  source.title = "Test manual";
  for (const char* name : {"a", "b", "c"})
    source.chapters << writeFile(dir, QString::fromLatin1(name) + ".md",
                                 QByteArray("# Chapter ") + name + "\n\nText.\n");
  source.imageFolder = dir.path();
  const QString pdf = dir.filePath("small.pdf");
  const ManualResult result = WriteManualPdf(source, pdf);
  if (result.pages != 5)
    return {};
  QFile f(pdf);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestManualWriter : public QObject {
  Q_OBJECT

 private slots:
  void refusals_data() {
    QTest::addColumn<QByteArray>("chapter");
    QTest::addColumn<QString>("reason");
    QTest::newRow("a picture that is not there")
        << QByteArray("# A\n\n![Missing](missing.png)\n") << "missing.png";
    QTest::newRow("a chapter without its heading") << QByteArray("Only text.\n") << "has no \"# \" heading";
    QTest::newRow("a chapter file that is not there") << QByteArray() << "cannot read";
  }
  void refusals() {
    QFETCH(QByteArray, chapter);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    ManualSource source;
    source.title = "T";
    source.chapters << (chapter.isEmpty() ? dir.filePath("absent.md") : writeFile(dir, "c.md", chapter));
    source.imageFolder = dir.path();
    try {
      WriteManualPdf(source, dir.filePath("out.pdf"));
      QFAIL("written");
    } catch (const std::runtime_error& e) {
      QVERIFY2(QString::fromUtf8(e.what()).contains(reason), e.what());
    }
  }

  // Titles with PDF's own delimiters and other scripts, each on its page.
  void bookmarks() {
    QTemporaryDir dir;
    const QByteArray pdf = smallManual(dir);
    QVERIFY(!pdf.isEmpty());
    const std::vector<OutlineEntry> entries = {
        {"Brackets (and a \\ backslash)", 3}, {"आयकर पोर्टल", 4}, {"Ampersands & <angles>", 5}};
    const QString marked = writeFile(dir, "marked.pdf", WithOutline(pdf, entries));
    QProcess p;
    p.start("pdftohtml", {"-xml", "-i", "-stdout", marked});
    QVERIFY(p.waitForFinished(30000) && p.exitCode() == 0);
    const QString xml = QString::fromUtf8(p.readAllStandardOutput());
    QStringList found;
    static const QRegularExpression item("<item page=\"(\\d+)\">([^<]*)</item>");
    for (auto it = item.globalMatch(xml); it.hasNext();) {
      const auto m = it.next();
      found << m.captured(1) + " " + m.captured(2);
    }
    QCOMPARE(found, (QStringList{"3 Brackets (and a \\ backslash)", "4 आयकर पोर्टल",
                                 "5 Ampersands &amp; &lt;angles&gt;"}));
    // The update leaves the pages as they were.
    p.start("pdfinfo", {marked});
    QVERIFY(p.waitForFinished(30000) && p.exitCode() == 0);
    QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).contains(QRegularExpression("Pages:\\s+5\\n")));
  }

  void bookmarkRefusals_data() {
    QTest::addColumn<bool>("realPdf");
    QTest::addColumn<int>("page");
    QTest::newRow("a page past the last") << true << 6;
    QTest::newRow("page 0") << true << 0;
    QTest::newRow("not a PDF") << false << 1;
  }
  void bookmarkRefusals() {
    QFETCH(bool, realPdf);
    QFETCH(int, page);
    QTemporaryDir dir;
    const QByteArray pdf = realPdf ? smallManual(dir) : QByteArray("%PDF-1.4\nnothing here\n");
    QVERIFY(!pdf.isEmpty());
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, WithOutline(pdf, {{"Chapter", page}}));
  }
};

QTEST_MAIN(TestManualWriter)
#include "tst_manual_writer.moc"
