// The inbox end to end on a real store (SQLite, and MariaDB when configured): a mailbox user
// created through the mail window on the hosting panel simulator becomes a real mailbox of the
// private Dovecot server; messages are dropped into it and a client's alias receives the PIN mail
// of a contact update from the portal simulator. The account is completed in the account panel,
// the inbox reads the mailbox over POP3S with the mailbox reader component, shows the messages
// newest first, the HTML preview and the attachments, and keeps the rows read when the reading
// is stopped. A wrong password is told and reads nothing.
#include "controls/zen_button.h"
#include "dovecot_box.h"
#include "entry/mod_it_main.h"
#include "entry/module_tables.h"
#include "hosting_simulator.h"
#include "mail/account_panel.h"
#include "mail/alias_panel.h"
#include "mail/alias_progress_panel.h"
#include "mail/alias_run.h"
#include "mail/client_grid.h"
#include "mail/inbox_panel.h"
#include "mail/inbox_reading.h"
#include "mail/mail_preview.h"
#include "mail/mail_setup_panel.h"
#include "mail/mail_window.h"
#include "mail/user_panel.h"
#include "mailbox_reader_component.h"
#include "platform/grid/flexgrid.h"
#include "portal_login_component.h"
#include "portal_simulator.h"
#include "scripted_interaction.h"
#include "test_store.h"
#include "web_session_component.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const QString Password = "Off ice'pw";
const QString Pan = "AAAPA0021A";

// Messages in the order they arrive; the inbox lists them the other way round.
QList<QByteArray> samples() {
  const QByteArray png = QByteArray::fromBase64(
      "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8DwHwAFBQIAX8jx0gAAAABJRU5ErkJggg==");
  return {
      "From: Refunds <refund@example.in>\r\nSubject: Plain notice\r\nDate: Mon, 1 Jul 2024 10:00:00 "
      "+0530\r\n\r\n"
      "Your refund is processed.\r\n",
      "From: ITD <notice@example.in>\r\nSubject: HTML notice\r\nDate: Tue, 2 Jul 2024 10:00:00 +0530\r\n"
      "MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=r\r\n\r\n--r\r\n"
      "Content-Type: text/html; charset=utf-8\r\n\r\n<p>Refund <b>issued</b></p><img src=\"cid:logo@x\">"
      "<img src=\"http://tracker.example/open.png\"><script>alert(1)</script>\r\n--r\r\n"
      "Content-Type: image/png\r\nContent-ID: <logo@x>\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
          png.toBase64() + "\r\n--r--\r\n",
      "From: CA Office <ca@example.in>\r\nSubject: Papers | AY 2024-25\r\nDate: Wed, 3 Jul 2024 10:00:00 "
      "+0530\r\n"
      "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=m\r\n\r\n--m\r\nContent-Type: "
      "text/plain\r\n\r\n"
      "See attached.\r\n--m\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment; "
      "filename*=UTF-8''%E0%A4%A8%E0%A5%8B%E0%A4%9F%E0%A4%BF%E0%A4%B8.pdf\r\n\r\n%PDF-1.4\r\n--m\r\n"
      "Content-Type: text/plain\r\nContent-Disposition: attachment; filename=\"../../etc/passwd\"\r\n\r\n"
      "root:x:0:0\r\n--m--\r\n",
      "From: \xe0\xa4\x86\xe0\xa4\xaf\xe0\xa4\x95\xe0\xa4\xb0 <x@example.in>\r\nSubject: broken\r\n"
      "Date: Thu, 4 Jul 2024 10:00:00 +0530\r\nContent-Type: multipart/mixed; boundary=never\r\n\r\nno parts "
      "at all\r\n",
  };
}

// Drops a message into a Maildir as a mail server would, owned like the Maildir; named as if it
// had come a minute ago, so that the server numbers it before the mail that follows.
bool drop(const QString& maildir, const QByteArray& message, int n) {
  const QString name = QString("%1.M%2.e2e").arg(QDateTime::currentSecsSinceEpoch() - 60 + n).arg(n);
  QFile file(maildir + "/tmp/" + name);
  if (!file.open(QIODevice::WriteOnly) || file.write(message) != message.size())
    return false;
  file.close();
  struct stat owner {};
  if (::stat(QFile::encodeName(maildir).constData(), &owner) != 0 ||
      ::chown(QFile::encodeName(file.fileName()).constData(), owner.st_uid, owner.st_gid) != 0)
    return false;
  return QFile::rename(file.fileName(), maildir + "/new/" + name);
}

struct NoProgress final : RunProgress {
  void showProgress(const QString&) override {}
  bool cancelRequested() const override { return false; }
};

}  // namespace

class TstInboxEndToEnd : public QObject {
  Q_OBJECT

  std::optional<DovecotBox> box_;
  std::unique_ptr<TestStore> store_;
  std::shared_ptr<VelBase> base_;
  HostingSimulator hosting_;
  Simulator portal_;
  std::unique_ptr<ScopedInteraction> script_;
  QString domain_;

  mail::MailWindow& window() { return *mail::MailWindow::instance(); }
  mail::InboxPanel& inbox() { return *window().inboxPanel; }
  grid::FlexGridModel& messages() { return *inbox().messageGrid->model(); }
  QStringList shown() {
    QStringList texts;
    for (const auto& m : (**script_).messages) texts << m.text;
    (**script_).messages.clear();
    return texts;
  }
  QStringList subjects() {
    QStringList list;
    for (int r = 1; r < messages().Rows(); ++r)
      list << messages().TextMatrix(r, mail::vsinbox::SerialNo) + " " +
                  messages().TextMatrix(r, mail::vsinbox::Subject);
    return list;
  }
  void selectMessage(const QString& subject) {
    for (int r = 1; r < messages().Rows(); ++r)
      if (messages().TextMatrix(r, mail::vsinbox::Subject) == subject)
        messages().setRow(r);
  }

 private slots:
  void initTestCase() {
    box_ = DovecotBox::fromEnvironment();
    if (!box_)
      QSKIP("No Dovecot test server configured (KESTREL_TEST_DOVECOT)");
    store_ = std::make_unique<TestStore>();
    domain_ = QString("inbox%1%2.example.in")
                  .arg(QCoreApplication::applicationPid())
                  .arg(store_->isMariaDb() ? "m" : "s");
    base_ = store_->makeBase();
    ObjectRegistry::instance().registerFactory("VelBase.ClsMain", [b = base_] { return b; });
    ModuleStart();
    CreateModuleTables();
    QVERIFY(hosting_.start(
        {"--dovecot-passwd", box_->dir + "/panel/passwd", "--maildir", box_->dir + "/panel/mail"}));
    QFile fixture(store_->folder() + "/accounts.json");
    QVERIFY(fixture.open(QIODevice::WriteOnly));
    fixture.write(
        QJsonDocument(QJsonObject{{"accounts", QJsonArray{QJsonObject{
                                                   {"pan", Pan},
                                                   {"password", "pw"},
                                                   {"profile", QJsonObject{{"firstName", "Asha"},
                                                                           {"priMobileNum", "9876500001"},
                                                                           {"priMobBelongsTo", "1"},
                                                                           {"priEmailId", "asha@example.in"},
                                                                           {"priEmailRelationId", "1"}}}}}}})
            .toJson());
    fixture.close();
    QVERIFY(portal_.start({"--fixture", fixture.fileName(), "--mail-root", box_->dir + "/panel/mail"}));
    registerWebSession(WebSessionOptions{});
    MailboxReaderOptions reader;
    reader.caFile = box_->caFile();
    registerMailboxReader(reader);
    script_ = std::make_unique<ScopedInteraction>();
  }

  void cleanupTestCase() {
    delete mail::MailWindow::instance();
    script_.reset();
    if (box_)
      ModuleShutdown();
  }

  void aUserAndAnAliasOnTheHostingPanel() {
    mail::MailWindow& w = mail::MailWindow::openDefault();
    w.loadClients({{"C1", "Asha Rao", Pan, "1980-01-02", "9000000001"}});
    w.InitMe();
    w.show();
    w.mainPanel->hostField->setText(hosting_.url.host() + ":" + QString::number(hosting_.url.port()));
    w.mainPanel->domainField->setText(domain_);
    w.openUserPanel();
    w.userPanel->userBox->setEditText("office");
    w.userPanel->passwordField->setText(Password);
    w.userPanel->retypedField->setText(Password);
    w.userPanel->saveButton->PerformClick();
    QCOMPARE(shown(), QStringList({"SUCCESS: office@" + domain_ + " created."}));
    w.aliasPanel->optionBoxes[0]->setCurrentIndex(mail::part::Pan);
    w.createAliases();
    QVERIFY(w.mainPanel->clientGrid->model()->TextMatrix(1, mail::vs::ImportLogs).startsWith("SUCCESS"));

    const QString maildir = box_->dir + "/panel/mail/" + domain_ + "/office";
    int n = 0;
    for (const QByteArray& message : samples()) QVERIFY(drop(maildir, message, ++n));
    // The portal mails the PIN of a contact update to the client's alias.
    PortalLoginOptions options;
    options.baseUrl = portal_.url;
    options.loginPauseMs = 0;
    auto login = makePortalLogin(options);
    NoProgress progress;
    login->InitMe(store_->folder() + "/portal.log", store_->folder() + "/", &progress, 1, 1, 1);
    login->setShowError(false);
    QVERIFY(login->LoginWHR_CL(Pan, "pw"));
    QVERIFY(!login->GeteUserProfile().isEmpty());
    login->VerifyContactDet("91", "9123456780", "1", Pan.toLower() + "@" + domain_, "1", "", "", "", "");
    QTRY_COMPARE(QDir(maildir + "/new", {}, QDir::Name, QDir::Files).count(), uint(samples().size() + 1));
  }

  void theAccountIsCompletedThenTheInboxReadsIt() {
    mail::InboxPanel& in = inbox();
    window().mainPanel->inboxButton->PerformClick();
    QCOMPARE(in.accountBox->itemText(1), "office@" + domain_);
    in.accountBox->setCurrentIndex(1);
    in.showMailsButton->PerformClick();
    mail::AccountPanel& a = *window().accountPanel;
    QVERIFY(a.isVisible());
    QCOMPARE(a.passwordField->text(), Password);
    a.hostField->setText("127.0.0.1");
    a.portField->setText(QString::number(box_->pop3sPort));
    a.sslBox->setChecked(true);
    a.saveButton->PerformClick();
    QCOMPARE(base_->store().scalar("SELECT EmailID FROM WebEMailAc WHERE ID=1").toString(),
             "office@" + domain_);

    in.showMailsButton->PerformClick();
    QCOMPARE(shown(), QStringList());
    const QString pinSubject = "PIN for updating contact details of PAN AAXXXXX21A";
    QCOMPARE(subjects(), QStringList({"1 " + pinSubject, "2 broken", "3 Papers \u00a6 AY 2024-25",
                                      "4 HTML notice", "5 Plain notice"}));
    QCOMPARE(messages().TextMatrix(2, mail::vsinbox::From), "\u0906\u092f\u0915\u0930 <x@example.in>");
    // The newest shows at once: the PIN the portal sent.
    const QString pin = lastUpdate(portal_.url, Pan).value("emailPin").toString();
    QVERIFY(!pin.isEmpty());
    QVERIFY2(in.preview->toPlainText().contains(pin), qPrintable(in.preview->toPlainText()));

    selectMessage("HTML notice");
    QVERIFY(in.preview->toHtml().contains("issued"));
    QCOMPARE(in.preview->refusedLoads(), 1);  // the tracking image; the inline logo is shown
    QCOMPARE(in.attachmentList->count(), 0);

    selectMessage("Papers \u00a6 AY 2024-25");
    QCOMPARE(in.attachmentList->count(), 2);
    QCOMPARE(in.attachmentList->item(0)->text(), "\u0928\u094b\u091f\u093f\u0938.pdf");
    QCOMPARE(in.attachmentList->item(1)->text(), "passwd");
    QTest::mouseClick(in.attachmentList->viewport(), Qt::LeftButton, {},
                      in.attachmentList->visualItemRect(in.attachmentList->item(1)).center());
    const QString scratch = base_->vTmpPath() + "KOVMailInbox/";
    QCOMPARE((**script_).opened.value(0), scratch + "3_Body/passwd");
    QFile saved(scratch + "3_Body/passwd");
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), "root:x:0:0");

    selectMessage("broken");
    QVERIFY(in.preview->toPlainText().contains("no parts at all"));
  }

  void stoppingTheReadingKeepsTheRowsRead() {
    // Two yields per message: closed as the second message's row is added.
    int yields = 0;
    (**script_).onYield = [&] {
      if (++yields == 3)
        QTest::mouseClick(window().progressPanel->closeLabel, Qt::LeftButton, {},
                          window().progressPanel->closeLabel->rect().center());
    };
    inbox().refreshButton->PerformClick();
    (**script_).onYield = nullptr;
    QCOMPARE(subjects().size(), 1);
    QVERIFY(!window().progressPanel->isVisible() && inbox().isEnabled());
  }

  void aWrongPasswordIsTold() {
    mail::AccountPanel& a = *window().accountPanel;
    inbox().accountSetupButton->PerformClick();
    a.passwordField->setText("wrong");
    a.saveButton->PerformClick();
    inbox().showMailsButton->PerformClick();
    const QStringList texts = shown();
    QCOMPARE(texts.size(), 1);
    QVERIFY2(texts[0].startsWith("Error occured : The mail server 127.0.0.1:"), qPrintable(texts[0]));
    QCOMPARE(messages().Rows(), 1);
    QFile log(base_->ExePath() + "/VelLog.log");
    if (log.open(QIODevice::ReadOnly))
      QVERIFY(!QString::fromUtf8(log.readAll()).contains(Password));
  }
};

QTEST_MAIN(TstInboxEndToEnd)
#include "tst_inbox_end_to_end.moc"
