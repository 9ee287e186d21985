// The inbox offscreen on a fake base component and a scripted mailbox reader: the account list,
// the account panel's checks and saves, the reading of a mailbox into the grid with every answer
// the reader gives, what a message folder shows, and the preview's refusal of remote content.
#include "controls/zen_button.h"
#include "entry/mod_it_main.h"
#include "fake_base.h"
#include "mail/account_panel.h"
#include "mail/alias_progress_panel.h"
#include "mail/alias_run.h"
#include "mail/inbox_panel.h"
#include "mail/inbox_reading.h"
#include "mail/mail_accounts.h"
#include "mail/mail_preview.h"
#include "mail/mail_setup_panel.h"
#include "mail/mail_window.h"
#include "mail/mailbox_reader.h"
#include "platform/grid/flexgrid.h"
#include "scripted_interaction.h"
#include "table_row.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

using namespace kestrel;
using namespace kestrel::mail;
using namespace kestrel::testing;

namespace {

// What the scripted mailbox holds and how it answers.
struct Mailbox {
  QString answer = "TOTALMSGS:3";
  QMap<int, QString> headers;   // replaces the usual "n|From n|to@x.in|Subject n|date"
  QMap<int, QString> failures;  // GetMessage's text for these messages
  QStringList calls;
};

class ScriptedReader final : public MailboxReader {
 public:
  explicit ScriptedReader(Mailbox& box) : box_(box) {}
  QString ConnectToMB(const QString& mode, const QString& host, int port, bool ssl, const QString& user,
                      const QString& password) override {
    box_.calls << QString("connect %1 %2:%3 %4 %5 %6").arg(mode, host).arg(port).arg(ssl).arg(user, password);
    return box_.answer;
  }
  QString GetMHI(int n) override {
    return box_.headers.value(
        n, QString("%1|From %1|to@x.in|Subject %1|Mon, %1 Jul 2024 10:00:00 +0530").arg(n));
  }
  QString GetMessage(int n, const QString& folder) override {
    box_.calls << QString("message %1 %2").arg(n).arg(QDir(folder).dirName());
    if (box_.failures.contains(n))
      return box_.failures[n];
    QDir().mkpath(folder);
    QFile body(folder + "/KOVMailMsg.txt");
    body.open(QIODevice::WriteOnly);
    body.write(QString("\xEF\xBB\xBF"
                       "Body %1")
                   .arg(n)
                   .toUtf8());
    QFile list(folder + "/KOVMailAttch.csv");
    list.open(QIODevice::WriteOnly);
    list.write("\"application/pdf\",\"notice, AY 2024.pdf\"\r\n\"\",\"../../etc/passwd\"\r\n");
    return {};
  }
  void CloseMB() override { box_.calls << "close"; }

 private:
  Mailbox& box_;
};

const QString Accounts = "SELECT * FROM WebEMailAc ORDER BY EmailID";

struct Fixture {
  std::shared_ptr<FakeBase> base = std::make_shared<FakeBase>();
  Mailbox box;
  ScopedInteraction script;
  QPointer<MailWindow> window;

  Fixture() {
    ObjectRegistry::instance().registerFactory("VelBase.ClsMain", [b = base] { return b; });
    ObjectRegistry::instance().registerFactory(MailboxReader::ProgId,
                                               [this] { return std::make_shared<ScriptedReader>(box); });
    ModuleStart();
    // Domain 3 with the users "office" (5, an account of its own) and "desk" (6, none).
    base->results.insert("SELECT * FROM WebMailDomain Order by DomainID Desc Limit 1",
                         FakeTable{{"DomainID", "sUrl", "sDomain"}, {{3, "panel.in", "example.in"}}});
    base->results.insert("SELECT DomainID FROM WebMailDomain WHERE sUrl='panel.in' AND sDomain='example.in'",
                         FakeTable{{"DomainID"}, {{3}}});
    base->results.insert("SELECT * FROM WebMailUser WHERE DomainID=3",
                         FakeTable{{"DomainID", "UserID", "sUserNm", "sPassword"},
                                   {{3, 5, "office", "pw5"}, {3, 6, "desk ", "pw6"}}});
    base->results.insert("Select Max(ID) as MaxID From WebEMailAc WHERE 1=1 ", FakeTable{{"MaxID"}, {{4}}});
    base->results.insert(Accounts, FakeTable{{"ID", "EmailID", "sPassword", "sSmtp", "lPort", "nSSL"},
                                             {{4, "office@example.in", "p'w", "pop.example.in", 995, 1}}});
  }
  ~Fixture() {
    delete window.data();
    ModuleShutdown();
  }
  InboxPanel& open() {
    window = &MailWindow::openDefault();
    window->InitMe();
    window->show();
    window->mainPanel->inboxButton->PerformClick();
    return *window->inboxPanel;
  }
  grid::FlexGridModel& messages() { return *window->inboxPanel->messageGrid->model(); }
  QStringList shown() const {
    QStringList texts;
    for (const auto& m : script->messages) texts << (m.title.isEmpty() ? m.text : m.title + ": " + m.text);
    return texts;
  }
  QStringList rows() {
    QStringList r;
    for (int i = 1; i < messages().Rows(); ++i)
      r << messages().TextMatrix(i, vsinbox::SerialNo) + " " + messages().TextMatrix(i, vsinbox::Subject);
    return r;
  }
  QString scratch() const { return base->vTmpPath() + "KOVMailInbox"; }
};

struct Reading {
  QString answer;
  QMap<int, QString> headers, failures;
  int closeAtYield;  // the progress panel is closed at this yield (0: never)
  QStringList rows;
  QStringList shown;
};

}  // namespace

Q_DECLARE_METATYPE(Reading)

class TstInbox : public QObject {
  Q_OBJECT

 private slots:
  void accountChecks_data() {
    QTest::addColumn<AccountForm>("form");
    QTest::addColumn<QString>("message");  // "" when every check passes
    QTest::addColumn<int>("field");
    row("blank address", AccountForm{"  ", "", "", ""}, QString(NoAddressMessage), 0);
    row("address check's own message", AccountForm{"office.example.in", "pw", "pop", "110"},
        QString("Your email address does not contain an '@' sign."), 0);
    row("password of blanks", AccountForm{" a@b.in ", "   ", "pop", "110"}, QString(BlankPasswordMessage), 1);
    row("no host", AccountForm{"a@b.in", "pw", " ", "110"}, QString(NoHostMessage), 2);
    row("no port", AccountForm{"a@b.in", "pw", "pop", " "}, QString(NoPortMessage), 3);
    row("all given", AccountForm{"a@b.in", " pw", "pop", "995x"}, QString(), 0);
  }
  void accountChecks() {
    QFETCH(AccountForm, form);
    QFETCH(QString, message);
    QFETCH(int, field);
    const auto refusal = CheckAccount(form);
    QCOMPARE(refusal ? refusal->message : QString(), message);
    if (refusal)
      QCOMPARE(int(refusal->field), field);
  }

  void accountListHasStoredAccountsThenUsersWithout() {
    Fixture f;
    InboxPanel& inbox = f.open();
    QStringList entries;
    for (int i = 0; i < inbox.accountBox->count(); ++i)
      entries << inbox.accountBox->itemText(i) + " " + inbox.accountBox->itemData(i).toString();
    // "desk " has no account: listed under its name as typed, with its password and no server.
    QCOMPARE(entries, QStringList({"<Create New> -1", "office@example.in 4", "desk @example.in -1"}));
    const grid::FlexGridModel& g = *inbox.accountGrid->model();
    QCOMPARE(g.TextMatrix(2, vsemail::Password), "pw6");
    QCOMPARE(g.TextMatrix(2, vsemail::Port), "");
    QCOMPARE(g.TextMatrix(2, vsemail::Ssl), "0");
    QCOMPARE(inbox.accountBox->currentIndex(), 0);
    QCOMPARE(inbox.headingLabel->text(), "Inbox : Check Mails");
    QVERIFY(!f.window->mainPanel->isEnabled());
  }

  void savingAnAccount_data() {
    QTest::addColumn<int>("entry");  // 0 "<Create New>", 1 the stored account, 2 the user without one
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("taken");  // another account has the address
    QTest::addColumn<QStringList>("writes");
    const QString insert = "INSERT INTO WebEMailAc(ID, EmailID, sPassword, sSmtp, lPort, nSSL) VALUES(";
    row("new", 0, " new@example.in ", "995ssl", false,
        QStringList{insert + "5,'new@example.in',' n''ew ','pop.x',995,1)"});
    row("edited keeps its ID", 1, "office@example.in", "110", false,
        QStringList{"DELETE FROM WebEMailAc WHERE ID =4",
                    insert + "4,'office@example.in',' n''ew ','pop.x',110,1)"});
    row("user without an account gets an ID", 2, "desk@example.in", "110", false,
        QStringList{insert + "5,'desk@example.in',' n''ew ','pop.x',110,1)"});
    row("duplicate refused", 0, "office@example.in", "110", true, QStringList{});
  }
  void savingAnAccount() {
    QFETCH(int, entry);
    QFETCH(QString, address);
    QFETCH(QString, port);
    QFETCH(bool, taken);
    Fixture f;
    if (taken)
      f.base->results.insert("SELECT * FROM WebEMailAc WHERE EMailID ='office@example.in' AND ID <>5",
                             FakeTable{{"ID"}, {{4}}});
    InboxPanel& inbox = f.open();
    inbox.accountBox->setCurrentIndex(entry);
    inbox.accountSetupButton->PerformClick();
    AccountPanel& a = *f.window->accountPanel;
    QVERIFY(a.isVisible() && !inbox.isEnabled());
    a.addressField->setText(address);
    a.passwordField->setText(" n'ew ");
    a.hostField->setText("pop.x");
    a.portField->setText(port);
    a.sslBox->setChecked(true);
    f.base->statements.clear();
    a.saveButton->PerformClick();
    QStringList writes;
    for (const QString& s : f.base->statements)
      if (!s.startsWith("SELECT", Qt::CaseInsensitive) && !s.contains("WebMailIdClaim"))
        writes << s;
    QTEST(writes, "writes");
    QCOMPARE(f.shown(), taken ? QStringList{DuplicateAccountMessage} : QStringList{});
    QCOMPARE(a.isVisible(), taken);
    if (!taken && entry > 0) {
      // The list entry now carries the account's ID, so the reading takes it.
      QCOMPARE(inbox.accountBox->currentData().toInt(), entry == 1 ? 4 : 5);
      QCOMPARE(inbox.accountGrid->model()->TextMatrix(entry, vsemail::Id), entry == 1 ? "4" : "5");
      QCOMPARE(a.mark, "1");
    }
  }

  void showMailsCompletesAnAccountFirst() {
    Fixture f;
    InboxPanel& inbox = f.open();
    inbox.accountBox->setCurrentIndex(2);  // "desk": no stored account
    inbox.showMailsButton->PerformClick();
    AccountPanel& a = *f.window->accountPanel;
    QVERIFY(a.isVisible());
    QCOMPARE(a.addressField->text(), "desk @example.in");
    QCOMPARE(a.passwordField->text(), "pw6");
    QCOMPARE(a.portField->text(), "");
    QCOMPARE(a.mark, "0");
    QVERIFY(f.box.calls.isEmpty());
    QTest::keyClick(a.addressField, Qt::Key_Escape);  // the account panel closes first
    QVERIFY(!a.isVisible() && inbox.isVisible() && inbox.isEnabled());
    inbox.accountBox->setCurrentIndex(0);
    inbox.refreshButton->PerformClick();
    QCOMPARE(a.addressField->text(), "");
    QCOMPARE(a.portField->text(), "110");
  }

  void readingTheMailbox_data() {
    QTest::addColumn<Reading>("r");
    const QString title = "OP->CONNECT: ";
    QTest::newRow("newest first") << Reading{
        "TOTALMSGS:3", {}, {}, 0, {"1 Subject 3", "2 Subject 2", "3 Subject 1"}, {}};
    QTest::newRow("refused") << Reading{
        "ERROR:Login refused", {}, {}, 0, {}, {title + "Error occured : Login refused"}};
    QTest::newRow("odd answer") << Reading{"+OK ready", {}, {}, 0, {}, {title + "+OK ready"}};
    QTest::newRow("empty mailbox") << Reading{"TOTALMSGS:0", {}, {}, 0, {}, {"No Mail."}};
    QTest::newRow("headers of four and six fields left out, no gap") << Reading{
        "TOTALMSGS:4", {{3, "3|a|b|c"}, {2, "2|a|b|c|d|e"}}, {}, 0, {"1 Subject 4", "2 Subject 1"}, {}};
    QTest::newRow("a body that cannot be saved") << Reading{"TOTALMSGS:3",
                                                            {},
                                                            {{2, "Message 2 could not be read"}},
                                                            0,
                                                            {"1 Subject 3", "2 Subject 1"},
                                                            {"Message 2 could not be read"}};
    // Two yields per message: closed while the second message's row is added.
    QTest::newRow("closed during reading keeps the rows read")
        << Reading{"TOTALMSGS:3", {}, {}, 3, {"1 Subject 3"}, {}};
  }
  void readingTheMailbox() {
    QFETCH(Reading, r);
    Fixture f;
    f.box.answer = r.answer;
    f.box.headers = r.headers;
    f.box.failures = r.failures;
    QDir().mkpath(f.scratch() + "/old");
    InboxPanel& inbox = f.open();
    inbox.accountBox->setCurrentIndex(1);
    int yields = 0;
    f.script->onYield = [&] {
      if (++yields == r.closeAtYield)
        emit f.window->progressPanel->closeClicked();
    };
    inbox.showMailsButton->PerformClick();
    QCOMPARE(f.rows(), r.rows);
    QCOMPARE(f.shown(), r.shown);
    QCOMPARE(f.box.calls.value(0), "connect OP pop.example.in:995 1 office@example.in p'w");
    QVERIFY(!f.window->progressPanel->isVisible() && inbox.isEnabled() && !f.window->isRunning());
    // Every message counts, also one left out.
    const int total = r.answer.startsWith("TOTALMSGS:") ? r.answer.mid(10).toInt() : 0;
    if (total > 0 && r.closeAtYield == 0)
      QCOMPARE(f.window->progressPanel->countLabel->text(), QString("%1 of %1 messages done").arg(total));
    // The last reading's folder goes only when mail was found.
    QCOMPARE(QDir(f.scratch() + "/old").exists(), r.rows.isEmpty() && r.failures.isEmpty());
    // ... and nothing of it stays behind once the background has deleted it.
    const QFileInfo scratch(f.scratch());
    QTRY_COMPARE(QDir(scratch.path()).entryList({scratch.fileName() + ".old-*"}, QDir::AllEntries),
                 QStringList());
    if (r.answer.startsWith("ERROR"))
      QVERIFY(!f.box.calls.contains("close"));
  }

  void theSelectedMessageShowsWithItsAttachments() {
    Fixture f;
    InboxPanel& inbox = f.open();
    inbox.accountBox->setCurrentIndex(1);
    inbox.showMailsButton->PerformClick();
    QCOMPARE(inbox.messageGrid->Row(), 1);
    QCOMPARE(inbox.preview->toPlainText(), "Body 3");
    // A name that leaves the folder is not listed.
    QCOMPARE(inbox.attachmentList->count(), 1);
    QCOMPARE(inbox.attachmentList->item(0)->text(), "notice, AY 2024.pdf");
    QCOMPARE(inbox.attachmentPaths[0], f.scratch() + "/3_Body/notice, AY 2024.pdf");
    inbox.messageGrid->setRow(3);
    QCOMPARE(inbox.preview->toPlainText(), "Body 1");
    inbox.attachmentList->setFocus();
    inbox.attachmentList->setCurrentRow(0);
    QTest::keyClick(inbox.attachmentList, Qt::Key_Return);
    QCOMPARE(f.script->opened, QStringList({f.scratch() + "/1_Body/notice, AY 2024.pdf"}));

    // Search and sort keep the numbering of the rows shown.
    inbox.searchColumnBox->setCurrentIndex(2);  // Subject
    inbox.searchField->setText("subject 2");
    inbox.searchButton->PerformClick();
    QCOMPARE(f.messages().RowHidden(1), true);
    QCOMPARE(f.messages().TextMatrix(2, vsinbox::SerialNo), "1");
    SortMessages(f.messages(), vsinbox::Date, true);
    QCOMPARE(f.messages().TextMatrix(1, vsinbox::Subject), "Subject 1");
    QCOMPARE(f.messages().RowHidden(1), true);
    QCOMPARE(f.messages().TextMatrix(2, vsinbox::SerialNo) + f.messages().TextMatrix(2, vsinbox::Number),
             "12");
    QVERIFY(f.messages().ColHidden(vsinbox::To));
    inbox.showToBox->setChecked(true);
    QVERIFY(!f.messages().ColHidden(vsinbox::To));
    QTest::keyClick(inbox.messageGrid, Qt::Key_Escape);
    QVERIFY(!inbox.isVisible() && f.window->mainPanel->isEnabled());
  }

  void attachmentListFields_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("fields");
    row("quoted with comma and quote", "\"a/b\",\"x, \"\"y\"\".pdf\"", QStringList{"a/b", "x, \"y\".pdf"});
    row("unquoted", " text/plain , KOV_BLANK", QStringList{"text/plain", "KOV_BLANK"});
    row("empty first field", "\"\",\"KOV_BLANK\"", QStringList{"", "KOV_BLANK"});
    row("blank line", "  ", QStringList{});
  }
  void attachmentListFields() {
    QFETCH(QString, line);
    QTEST(AttachmentListFields(line), "fields");
  }

  void previewLoadsOnlyTheMessageFolder_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("shown");
    row("inline image of the folder", "logo%20one.png", true);
    row("data address", "data:image/png;base64,PNG", true);
    row("remote image", "http://tracker.example/p.png?id=1", false);
    row("secure remote image", "https://tracker.example/p.png", false);
    row("out of the folder", "../secret.png", false);
    row("local file elsewhere", "file:///SECRET", false);
  }
  void previewLoadsOnlyTheMessageFolder() {
    QFETCH(QString, source);
    QFETCH(bool, shown);
    QTemporaryDir dir;
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    image.save(&buffer, "PNG");
    QVERIFY(QDir().mkpath(dir.filePath("1_Body")));
    for (const QString& name : {QString("1_Body/logo one.png"), QString("secret.png")}) {
      QFile file(dir.filePath(name));
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(png);
    }
    source.replace("PNG", png.toBase64()).replace("SECRET", dir.filePath("secret.png"));
    QFile body(dir.filePath("1_Body/KOVMailMsg.htm"));
    QVERIFY(body.open(QIODevice::WriteOnly));
    body.write("\xEF\xBB\xBF<p>Notice</p><img src=\"" + source.toUtf8() +
               "\"><script>document.write('x')</script>");
    body.close();
    MailPreview preview;
    preview.showBody(body.fileName(), true);
    const QImage loaded =
        preview.document()->resource(QTextDocument::ImageResource, QUrl(source)).value<QImage>();
    const QVariant raw = preview.document()->resource(QTextDocument::ImageResource, QUrl(source));
    const QImage decoded =
        raw.typeId() == QMetaType::QByteArray ? QImage::fromData(raw.toByteArray()) : loaded;
    QCOMPARE(decoded.width() == 7, shown);
    QCOMPARE(preview.refusedLoads() > 0, !shown);
    QCOMPARE(preview.toPlainText().remove(QChar(0xFFFC)).trimmed(), "Notice");  // the script did not run
    preview.showBlank();
    QVERIFY(preview.toPlainText().isEmpty());
  }
};

QTEST_MAIN(TstInbox)
#include "tst_inbox.moc"
