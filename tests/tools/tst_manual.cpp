// The help manual as the build writes it (HTMLHelp/ITR_Help.pdf), read back with poppler-utils:
// every chapter of docs/manual is in it, on the page its contents line names, with its pictures
// on its own pages; and the document is an A4 PDF with a title.
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

const QString ManualPdf = QStringLiteral(KESTREL_MANUAL_PDF);
const QString ChapterFolder = QStringLiteral(KESTREL_MANUAL_SOURCE);

QString run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
    return QString();
  return QString::fromUtf8(p.readAllStandardOutput());
}

struct Chapter {
  QString title;
  int pictures = 0;
};

Chapter readChapter(const QString& path) {
  QFile f(path);
  Chapter c;
  if (!f.open(QIODevice::ReadOnly))
    return c;
  const QString text = QString::fromUtf8(f.readAll());
  static const QRegularExpression heading(QStringLiteral("^# (.+)$"), QRegularExpression::MultilineOption);
  c.title = heading.match(text).captured(1).trimmed();
  c.pictures = int(text.count(QStringLiteral("![")));
  return c;
}

// Words of a title as pdftotext gives them back: it may break a line anywhere between words, and
// gives ligatures ("fi") as one character.
QString words(const QString& text) {
  return text.normalized(QString::NormalizationForm_KC).simplified();
}

}  // namespace

class TestManual : public QObject {
  Q_OBJECT

  QStringList pages_;          // the text of each page, from page 1
  QMap<QString, int> listed_;  // contents: title -> page
  QMap<int, int> picturesOn_;  // page -> pictures
  QMap<QString, int> marked_;  // bookmarks: title -> page

 private slots:
  void initTestCase() {
    QVERIFY2(QFile::exists(ManualPdf), qPrintable(ManualPdf + QStringLiteral(" was not built")));
    const QString text =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), ManualPdf, QStringLiteral("-")});
    QVERIFY2(!text.isEmpty(), "pdftotext gave nothing (scripts/deps.sh test installs poppler-utils)");
    pages_ = text.split(QLatin1Char('\f'));
    if (!pages_.isEmpty() && pages_.last().trimmed().isEmpty())
      pages_.removeLast();
    QVERIFY(pages_.size() > 2);
    static const QRegularExpression entry(QStringLiteral("^\\s*\\d+\\.\\s+(.+?)\\s+(\\d+)\\s*$"));
    for (const QString& line : pages_[1].split(QLatin1Char('\n')))
      if (const auto m = entry.match(line); m.hasMatch())
        listed_.insert(words(m.captured(1)), m.captured(2).toInt());
    const QString xml = run(QStringLiteral("pdftohtml"), {QStringLiteral("-xml"), QStringLiteral("-i"),
                                                          QStringLiteral("-stdout"), ManualPdf});
    static const QRegularExpression item(QStringLiteral("<item page=\"(\\d+)\">([^<]*)</item>"));
    for (auto it = item.globalMatch(xml); it.hasNext();) {
      const auto m = it.next();
      marked_.insert(words(m.captured(2)
                               .replace(QStringLiteral("&amp;"), QStringLiteral("&"))
                               .replace(QStringLiteral("&#39;"), QStringLiteral("'"))),
                     m.captured(1).toInt());
    }
    const QString images = run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), ManualPdf});
    for (const QString& line : images.split(QLatin1Char('\n'))) {
      const QStringList f = line.simplified().split(QLatin1Char(' '));
      if (f.size() > 2 && f[2] == QLatin1String("image"))
        ++picturesOn_[f[0].toInt()];
    }
  }

  void document() {
    const QString info = run(QStringLiteral("pdfinfo"), {ManualPdf});
    QVERIFY(info.contains(QStringLiteral("(A4)")));
    QVERIFY(info.contains(QRegularExpression(QStringLiteral("Title:\\s+Kestrel help manual"))));
    QVERIFY(pages_[0].contains(QStringLiteral("Kestrel help manual")));
    QVERIFY(pages_[1].contains(QStringLiteral("Contents")));
    // No page is left empty (the foot line aside).
    for (int page = 1; page <= pages_.size(); ++page) {
      const QString text =
          words(pages_[page - 1]).remove(QRegularExpression(QStringLiteral("Kestrel help manual \\d+$")));
      QVERIFY2(!text.trimmed().isEmpty() || picturesOn_.value(page) > 0,
               qPrintable(QStringLiteral("page %1 is empty").arg(page)));
    }
    // Every chapter file is in the manual, and nothing else is listed.
    QCOMPARE(listed_.size(), QDir(ChapterFolder).entryList({QStringLiteral("*.md")}).size());
  }

  void chapters_data() {
    QTest::addColumn<QString>("file");
    for (const QString& name :
         QDir(ChapterFolder).entryList({QStringLiteral("*.md")}, QDir::Files, QDir::Name))
      QTest::newRow(qPrintable(name)) << ChapterFolder + QLatin1Char('/') + name;
  }
  // The chapter starts on the page the contents and its bookmark name, and its pictures are on its
  // pages.
  void chapters() {
    QFETCH(QString, file);
    const Chapter c = readChapter(file);
    QVERIFY(!c.title.isEmpty());
    QVERIFY2(listed_.contains(words(c.title)),
             qPrintable(c.title + QStringLiteral(" is not in the contents")));
    const int first = listed_.value(words(c.title));
    QVERIFY(first > 2 && first <= pages_.size());
    QCOMPARE(marked_.value(words(c.title)), first);
    QVERIFY2(words(pages_[first - 1]).startsWith(words(c.title)),
             qPrintable(QStringLiteral("page %1 does not open with %2").arg(first).arg(c.title)));
    int next = int(pages_.size()) + 1;
    for (int page : listed_)
      if (page > first)
        next = std::min(next, page);
    int pictures = 0;
    for (int page = first; page < next; ++page) pictures += picturesOn_.value(page);
    QCOMPARE(pictures, c.pictures);
  }
};

QTEST_GUILESS_MAIN(TestManual)
#include "tst_manual.moc"
