#include "mail/hosting_requests.h"
#include "table_row.h"

#include <QTest>

using namespace kestrel;
using namespace kestrel::mail;
using kestrel::testing::row;

namespace {

const QString Base = "http://panel.example.in/";

}  // namespace

class TstHostingRequests : public QObject {
  Q_OBJECT

 private slots:
  void baseAddress_data() {
    QTest::addColumn<QString>("hostField");
    QTest::addColumn<QString>("base");
    row("numeric IP without scheme", "192.168.1.20", "http://192.168.1.20/~tolvenar/");
    row("numeric IP with scheme: no user directory", "http://192.168.1.20", "http://192.168.1.20/");
    row("host beginning with a digit", "1host.example.in", "http://1host.example.in/~tolvenar/");
    row("one digit: the slash is read too", "7", "http://7/~tolvenar/");
    row("leading zero counts as no number", "0host.in", "http://0host.in/");
    row("negative number", "-12.example.in", "http://-12.example.in/");
    row("trailing slash not doubled", "panel.example.in/", "http://panel.example.in/");
    row("two trailing slashes kept", "panel.example.in//", "http://panel.example.in//");
    row("https kept", "https://panel.example.in", "https://panel.example.in/");
    row("upper-case scheme kept", "HTTPS://Panel.Example.in", "HTTPS://Panel.Example.in/");
    row("blanks at the ends trimmed", "  panel.example.in/cp  ", "http://panel.example.in/cp/");
  }
  void baseAddress() {
    QFETCH(QString, hostField);
    QTEST(HostingBaseAddress(hostField), "base");
  }

  void requestAddress_data() {
    QTest::addColumn<QString>("page");    // "index" or "forwarder"
    QTest::addColumn<QString>("name");    // mailbox or alias as typed
    QTest::addColumn<QString>("second");  // password, or the forward user
    QTest::addColumn<QString>("retyped");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("query");  // after the page name
    row("mailbox: names lowered and trimmed", "index", " Asha.K ", "pw", "pw", " Example.IN ",
        "?user=asha.k&pass=pw&vpass=pw&email_domain=example.in&forward=&submit=Create+Email");
    row("password with blanks at its ends sent with them", "index", "asha", " a b ", " a b ", "example.in",
        "?user=asha&pass=%20a%20b%20&vpass=%20a%20b%20&email_domain=example.in&forward=&submit=Create+Email");
    row("password with & + # % =", "index", "asha", "a&b+c#d%e=f", "x", "example.in",
        "?user=asha&pass=a%26b%2Bc%23d%25e%3Df&vpass=x&email_domain=example.in&forward=&submit=Create+Email");
    row("non-ASCII password and quote", "index", "asha", "pässwört₹'\\", "", "example.in",
        "?user=asha&pass=p%C3%A4ssw%C3%B6rt%E2%82%B9%27%5C&vpass=&email_domain=example.in&forward=&submit="
        "Create+Email");
    row("forwarder: names lowered, domain after @ as held", "forwarder", "Ravi.Kumar", " Office ", "",
        " Example.in",
        "?user=ravi.kumar&email_domain=example.in&forward=office@%20Example.in&submit=ADD+Forwarder");
    row("forwarder alias with & and +", "forwarder", "a&b+c", "office", "", "example.in",
        "?user=a%26b%2Bc&email_domain=example.in&forward=office@example.in&submit=ADD+Forwarder");
  }
  void requestAddress() {
    QFETCH(QString, page);
    QFETCH(QString, name);
    QFETCH(QString, second);
    QFETCH(QString, retyped);
    QFETCH(QString, domain);
    QFETCH(QString, query);
    if (page == "index")
      QCOMPARE(NewMailboxRequest(Base, name, second, retyped, domain), Base + "index.php" + query);
    else
      QCOMPARE(ForwarderRequest(Base, name, second, domain), Base + "addforwarder.php" + query);
  }

  void judging_data() {
    QTest::addColumn<QString>("page");  // "index" or "forwarder"
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("result");
    // Mailbox "Asha" and alias "Ravi" forwarding to "Office", all on domain "Example.in".
    row("created; names as typed", "index", "<p>Success: asha@example.in account created.</p>",
        "SUCCESS: Asha@Example.in created.");
    row("marker in capitals", "index", "ACCOUNT CREATED", "SUCCESS: Asha@Example.in created.");
    row("exists", "index", "The account asha@example.in already exists!",
        "FAILED: The Asha@Example.in already exists!");
    row("both markers: created", "index", "already exists! ... account created",
        "SUCCESS: Asha@Example.in created.");
    row("exists without its exclamation mark", "index", "asha@example.in already exists", "");
    row("no marker", "index", "<p>Your session has expired.</p>", "");
    row("forwarder added", "forwarder", "ravi@example.in will now forward to office@example.in.",
        "SUCCESS: Ravi@Example.in forward to Office@Example.in");
    row("forwarding to another mailbox is no marker", "forwarder", "will now forward to sales@example.in",
        "");
    row("forwarder refused", "forwarder", "office@example.in email not created",
        "FAILED: The Office@Example.in email not created!");
    row("both forwarder markers: added", "forwarder", "email not created; forward to office@example.in",
        "SUCCESS: Ravi@Example.in forward to Office@Example.in");
    row("mailbox markers mean nothing to a forwarder", "forwarder", "account created", "");
  }
  void judging() {
    QFETCH(QString, page);
    QFETCH(QString, answer);
    const QString result = page == "index" ? JudgeMailboxAnswer(answer, "Asha", "Example.in")
                                           : JudgeForwarderAnswer(answer, "Ravi", "Office", "Example.in");
    QTEST(result, "result");
  }
};

QTEST_APPLESS_MAIN(TstHostingRequests)
#include "tst_hosting_requests.moc"
