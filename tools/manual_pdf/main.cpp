// kestrel-manual-pdf: the help manual as an A4 PDF from its Markdown chapters and pictures:
//   kestrel-manual-pdf --out ITR_Help.pdf --images DIR --title T --subtitle S chapter.md ...
// Offscreen unless another platform is asked for, so the build needs no display.
#include "manual_document.h"
#include "pdf_outline.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

#include <stdexcept>

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QCommandLineParser cli;
  cli.setApplicationDescription(QStringLiteral("Writes the help manual as a PDF."));
  cli.addHelpOption();
  cli.addOptions({
      {QStringLiteral("out"), QStringLiteral("The PDF to write."), QStringLiteral("file")},
      {QStringLiteral("images"), QStringLiteral("Folder of the chapters' pictures."), QStringLiteral("dir")},
      {QStringLiteral("title"), QStringLiteral("Title of the manual."), QStringLiteral("text")},
      {QStringLiteral("subtitle"), QStringLiteral("Line under the title."), QStringLiteral("text")},
  });
  cli.addPositionalArgument(QStringLiteral("chapters"), QStringLiteral("Markdown chapters, in order."));
  cli.process(app);

  QTextStream out(stdout);
  QTextStream err(stderr);
  const QString pdf = cli.value(QStringLiteral("out"));
  if (pdf.isEmpty() || cli.positionalArguments().isEmpty()) {
    err << "usage: kestrel-manual-pdf --out FILE --images DIR --title T [--subtitle S] chapter.md ...\n";
    return 2;
  }
  try {
    kestrel::manual::ManualSource source;
    source.title = cli.value(QStringLiteral("title"));
    source.subtitle = cli.value(QStringLiteral("subtitle"));
    source.chapters = cli.positionalArguments();
    source.imageFolder = cli.value(QStringLiteral("images"));
    QDir().mkpath(QFileInfo(pdf).absolutePath());
    // Written under a name of its own and renamed into place, so that a failed run leaves no
    // half-written manual where the program looks for it.
    const QString partial = pdf + QStringLiteral(".part");
    const kestrel::manual::ManualResult result = kestrel::manual::WriteManualPdf(source, partial);
    // One bookmark per chapter, which PDF viewers show beside the pages.
    std::vector<kestrel::manual::OutlineEntry> bookmarks;
    for (const auto& entry : result.contents) bookmarks.push_back({entry.title, entry.page});
    QFile written(partial);
    if (!written.open(QIODevice::ReadWrite))
      throw std::runtime_error(QStringLiteral("cannot open %1 again").arg(partial).toStdString());
    const QByteArray withOutline = kestrel::manual::WithOutline(written.readAll(), bookmarks);
    if (!written.seek(0) || written.write(withOutline) != withOutline.size() || !written.flush())
      throw std::runtime_error(QStringLiteral("cannot write %1").arg(partial).toStdString());
    written.close();
    QFile::remove(pdf);
    if (!QFile::rename(partial, pdf))
      throw std::runtime_error(QStringLiteral("cannot rename %1 to %2").arg(partial, pdf).toStdString());
    out << "kestrel-manual-pdf: " << pdf << ", " << result.pages << " pages\n";
    for (const auto& entry : result.contents) out << "  " << entry.page << "  " << entry.title << "\n";
    return 0;
  } catch (const std::exception& e) {
    err << "kestrel-manual-pdf: " << e.what() << "\n";
    QFile::remove(pdf + QStringLiteral(".part"));
  }
  return 1;
}
