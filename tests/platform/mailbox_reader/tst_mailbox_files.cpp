// What the mailbox reader makes of a message's bytes: decoded header fields and the list line,
// safe attachment names, and the body and attachment files written into a message folder.
#include "mail_samples.h"
#include "mime_files.h"
#include "table_row.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kestrel;
using namespace kestrel::mail;
using namespace kestrel::testing;

namespace {

QString fieldNamed(const HeaderFields& fields, const QString& name) {
  if (name == "From")
    return fields.from;
  if (name == "To")
    return fields.to;
  if (name == "Subject")
    return fields.subject;
  return fields.date;
}

QString readUtf8(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Every file under root, relative to it.
QStringList filesUnder(const QString& root) {
  QStringList files;
  QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext()) files << QDir(root).relativeFilePath(it.next());
  files.sort();
  return files;
}

}  // namespace

class TstMailboxFiles : public QObject {
  Q_OBJECT

 private slots:
  void headerFields_data() {
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("shown");
    row("B-encoded UTF-8 sender name",
        QByteArray("From: =?UTF-8?B?w4lsaXNlIETDvGJvaXM=?= <elise@example.fr>"), QString("From"),
        QString("Élise Dübois <elise@example.fr>"));
    row("Q-encoded Latin-1 subject", QByteArray("Subject: =?ISO-8859-1?Q?Caf=E9_cr=E8me?="),
        QString("Subject"), QString("Café crème"));
    row("KOI8-R subject", QByteArray("Subject: =?KOI8-R?B?8NLJ18XU?="), QString("Subject"),
        QString("Привет"));
    row("adjacent encoded words join, the first padded",
        QByteArray("Subject: =?UTF-8?B?4KSG4KSv4KSV4KSwIA==?=\n =?UTF-8?B?4KSw4KS/4KSf4KSw4KWN4KSo?="),
        QString("Subject"), QString("आयकर रिटर्न"));
    row("raw UTF-8 subject", QByteArray("Subject: \xE2\x82\xB9 500 refund"), QString("Subject"),
        QString("₹ 500 refund"));
    row("raw Latin-1 subject", QByteArray("Subject: Caf\xE9 bill"), QString("Subject"), QString("Café bill"));
    row("raw Latin-1 sender name", QByteArray("From: Jos\xE9 <jose@example.es>"), QString("From"),
        QString("José <jose@example.es>"));
    row("folded subject", QByteArray("Subject: Income tax\n return filed"), QString("Subject"),
        QString("Income tax return filed"));
    row("recipients with a quoted comma", QByteArray("To: a@example.in, \"Iyer, Asha\" <asha@example.in>"),
        QString("To"), QString("a@example.in, Iyer, Asha <asha@example.in>"));
    row("group of recipients", QByteArray("To: Partners: p1@example.in, p2@example.in;"), QString("To"),
        QString("p1@example.in, p2@example.in"));
    row("date as sent", QByteArray("Date: Tue, 2 Jul 2024 09:15:00 +0530"), QString("Date"),
        QString("Tue, 2 Jul 2024 09:15:00 +0530"));
    row("no To header", QByteArray("From: a@example.in"), QString("To"), QString());
  }
  void headerFields() {
    QFETCH(QByteArray, header);
    QFETCH(QString, field);
    QFETCH(QString, shown);
    QCOMPARE(fieldNamed(readHeaderFields(crlf(header + "\n\n").toStdString()), field), shown);
  }

  void listLine_data() {
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("line");
    row("bar inside the subject", QString("Fees | receipts"), QString("4|a@x|b@x|Fees ¦ receipts|d"));
    row("line break and tab inside", QString("Fees\r\n\treceipts"), QString("4|a@x|b@x|Fees receipts|d"));
    row("empty subject keeps its place", QString(), QString("4|a@x|b@x||d"));
  }
  void listLine() {
    QFETCH(QString, subject);
    QFETCH(QString, line);
    const QString shown = messageListLine(4, {"a@x", "b@x", subject, "d"});
    QCOMPARE(shown, line);
    QCOMPARE(shown.split('|').size(), 5);
  }

  void safeNames_data() {
    QTest::addColumn<QString>("proposed");
    QTest::addColumn<QString>("mimeType");
    QTest::addColumn<QString>("safe");
    row("relative path upwards", QString("../../etc/passwd"), QString("text/plain"), QString("passwd"));
    row("absolute path", QString("/etc/cron.d/job"), QString("text/plain"), QString("job"));
    row("Windows path", QString("C:\\Windows\\System32\\evil.bat"), QString("text/plain"),
        QString("evil.bat"));
    row("only dots", QString(".."), QString("application/pdf"), QString("attachment.pdf"));
    row("nameless image", QString(), QString("image/png"), QString("attachment.png"));
    row("nameless part of unknown type", QString(), QString("x-unknown/thing"), QString("attachment"));
    row("reserved characters", QString("re<p>o:rt?*\"|.pdf"), QString("application/pdf"),
        QString("re_p_o_rt____.pdf"));
    row("control characters and NUL", QString("a\tb\nc") + QChar(0) + QString("d.txt"), QString("text/plain"),
        QString("abcd.txt"));
    row("direction override hiding .exe", QString("invoice\u202Efdp.exe"), QString("application/pdf"),
        QString("invoicefdp.exe"));
    row("hidden file and trailing dots", QString(" .profile. . "), QString("text/plain"), QString("profile"));
    row("device name", QString("con.txt"), QString("text/plain"), QString("_con.txt"));
    row("Devanagari name kept", QString("आयकर विवरण.pdf"), QString("application/pdf"),
        QString("आयकर विवरण.pdf"));
    row("overlong name keeps its suffix", QString(300, 'n') + ".pdf", QString("application/pdf"),
        QString(176, 'n') + ".pdf");
    row("overlong Devanagari name cut at a character", QString(100, QChar(0x0915)) + ".pdf",
        QString("application/pdf"), QString(58, QChar(0x0915)) + ".pdf");
  }
  void safeNames() {
    QFETCH(QString, proposed);
    QFETCH(QString, mimeType);
    QFETCH(QString, safe);
    QCOMPARE(safeFileName(proposed, mimeType), safe);
  }

  void messageFiles_data() {
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("attachmentList");
    QTest::addColumn<QString>("bodyFile");
    QTest::addColumn<QString>("bodyText");
    const QString txt = TextBodyFile, htm = HtmlBodyFile, csv = AttachmentListFile;
    const QString none = "\"\",\"KOV_BLANK\"";
    row("plain text", plainMessage("Hi", "Dear client,\n.\n"), QStringList{csv, txt}, QStringList{none}, txt,
        QString("\uFEFFDear client,\r\n.\r\n"));
    row("HTML only",
        crlf("Subject: h\nMIME-Version: 1.0\nContent-Type: text/html; charset=utf-8\n\n<p>\xE2\x82\xB9 "
             "5</p>\n"),
        QStringList{csv, htm}, QStringList{none}, htm, QString("\uFEFF<p>₹ 5</p>\r\n"));
    row("alternative with an inline image: the HTML shows the local file", alternativeWithInlineImage(),
        QStringList{"attachment.png", csv, htm, txt}, QStringList{none}, htm,
        QString("\uFEFF<html><body><p>Café open</p><img src=\"attachment.png\"></body></html>"));
    row("quoted-printable Latin-1 text alternative", alternativeWithInlineImage(),
        QStringList{"attachment.png", csv, htm, txt}, QStringList{none}, txt, QString("\uFEFFCafé open"));
    row("hostile, foreign, duplicate and missing names",
        mixedMessage(
            attachmentPart("application/pdf; name=\"../../etc/passwd\"", "", "1") +
            attachmentPart("application/pdf", "attachment; filename*=UTF-8''%E0%A4%95%E0%A4%B0.pdf", "2") +
            attachmentPart("application/pdf; name=\"=?UTF-8?B?4KSX4KWN4KSw4KS+4KS54KSVLnBkZg==?=\"", "",
                           "3") +
            attachmentPart("application/pdf", "attachment", "4") +
            attachmentPart("text/plain; name=\"=?UTF-8?B?YWI=?= =?UTF-8?B?Yw==?=.txt\"", "", "8") +
            attachmentPart("text/plain; name=\"KOVMailMsg.txt\"", "attachment", "5") +
            attachmentPart("application/pdf; name=\"/etc/passwd\"", "", "6") +
            attachmentPart("text/plain",
                           "attachment; filename*0*=UTF-8''%E0%A4%AB%E0%A4%BE;"
                           " filename*1*=%E0%A4%87%E0%A4%B2.txt",
                           "7")),
        QStringList{"KOVMailMsg (2).txt", csv, txt, "abc.txt", "attachment.pdf", "passwd", "passwd (2)",
                    "कर.pdf", "ग्राहक.pdf", "फाइल.txt"},
        QStringList{"\"application/pdf\",\"passwd\"", "\"application/pdf\",\"कर.pdf\"",
                    "\"application/pdf\",\"ग्राहक.pdf\"", "\"application/pdf\",\"attachment.pdf\"",
                    "\"text/plain\",\"abc.txt\"", "\"text/plain\",\"KOVMailMsg (2).txt\"",
                    "\"application/pdf\",\"passwd (2)\"", "\"text/plain\",\"फाइल.txt\""},
        txt, QString("\uFEFFPlease see the papers."));
    row("malformed MIME: the boundary never comes",
        crlf("Subject: m\nMIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=\"gone\"\n\nJust "
             "text.\n"),
        QStringList{csv, txt}, QStringList{none}, txt, QString("\uFEFFJust text.\r\n"));
    row("text in a legacy charset",
        crlf("Subject: c\nMIME-Version: 1.0\nContent-Type: text/plain; "
             "charset=windows-1251\n\n\xCF\xF0\xE8\xE2\xE5\xF2\n"),
        QStringList{csv, txt}, QStringList{none}, txt, QString("\uFEFFПривет\r\n"));
    row("8-bit text without a charset", crlf("Subject: c\n\nCaf\xE9\n"), QStringList{csv, txt},
        QStringList{none}, txt, QString("\uFEFFCafé\r\n"));
    row("forwarded message",
        mixedMessage("--mix\nContent-Type: message/rfc822\n\nSubject: inner\n\nInner body.\n"),
        QStringList{"attachment.eml", csv, txt}, QStringList{"\"message/rfc822\",\"attachment.eml\""}, txt,
        QString("\uFEFFPlease see the papers."));
  }
  void messageFiles() {
    QFETCH(QByteArray, message);
    QFETCH(QStringList, files);
    QFETCH(QStringList, attachmentList);
    QFETCH(QString, bodyFile);
    QFETCH(QString, bodyText);
    QTemporaryDir root;
    const QString folder = root.filePath("inbox/7_Body");
    QCOMPARE(writeMessageFiles(message.toStdString(), folder), QString());
    QStringList expected;
    for (const QString& f : files) expected << "inbox/7_Body/" + f;
    expected.sort();
    QCOMPARE(filesUnder(root.path()), expected);
    QCOMPARE(readUtf8(folder + '/' + AttachmentListFile).split("\r\n", Qt::SkipEmptyParts), attachmentList);
    QCOMPARE(readUtf8(folder + '/' + bodyFile), bodyText);
  }

  // A link planted in the folder under an attachment's name must not carry the write outside.
  void plantedLinkIsReplaced() {
    QTemporaryDir root;
    const QString outside = root.filePath("precious");
    QFile target(outside);
    QVERIFY(target.open(QIODevice::WriteOnly));
    target.write("keep");
    target.close();
    const QString folder = root.filePath("msg");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::link(outside, folder + "/passwd"));
    QCOMPARE(
        writeMessageFiles(
            mixedMessage(attachmentPart("text/plain; name=\"passwd\"", "", "new")).toStdString(), folder),
        QString());
    QCOMPARE(readUtf8(outside), QString("keep"));
    QVERIFY(!QFileInfo(folder + "/passwd").isSymLink());
    QCOMPARE(readUtf8(folder + "/passwd"), QString("new"));
  }

  void folderThatCannotBeMade() {
    QTemporaryDir root;
    QFile blocker(root.filePath("file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString result = writeMessageFiles(plainMessage("x").toStdString(), root.filePath("file/7_Body"));
    QVERIFY2(result.startsWith("The folder ") && result.contains("cannot be created"), qPrintable(result));
  }
};

QTEST_GUILESS_MAIN(TstMailboxFiles)
#include "tst_mailbox_files.moc"
