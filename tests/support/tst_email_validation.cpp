#include "support/email_validation.h"

#include <QTest>

using namespace kestrel;

namespace {

const QString kNoAt = QStringLiteral("Your email address does not contain an '@' sign.");
const QString kAtFirst =
    QStringLiteral("Your '@' sign can not be the first character in your email address!");
const QString kAtLast = QStringLiteral("Your '@' sign can not be the last character in your email address!");
const QString kBadEnding = QStringLiteral(
    "Your email address is not carrying a valid ending!It must be one of the following..."
    ".com, .net, .gov, .org, .edu, .biz, .tv Or included country's assigned country code");
const QString kTooShort =
    QStringLiteral("Your email address is shorter than 6 characters which is impossible.");

}  // namespace

class TestEmailValidation : public QObject {
  Q_OBJECT

 private slots:
  void validate_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << "" << true << "";
    QTest::newRow("ordinary") << "asha@example.in" << true << "";
    QTest::newRow("upper case") << "ASHA@EXAMPLE.IN" << true << "";
    QTest::newRow("generic ending") << "firm@example.com" << true << "";
    QTest::newRow("no at sign") << "asha.example.in" << false << kNoAt;
    QTest::newRow("at sign first") << "@example.in" << false << kAtFirst;
    QTest::newRow("at sign alone") << "@" << false << kAtFirst;
    QTest::newRow("at sign last") << "asha@" << false << kAtLast;
    QTest::newRow("at sign last, dotted") << "asha.rao@" << false << kAtLast;
    QTest::newRow("unknown ending") << "asha@example.xyz" << false << kBadEnding;
    QTest::newRow("no dot") << "asha@examplein" << false << kBadEnding;
    QTest::newRow("dot before the at sign only") << "a.b@cdefg" << false << kBadEnding;
    QTest::newRow("part of a listed ending") << "a@b.co" << true << "";
    QTest::newRow("middle of a listed ending") << "a@b.om" << true << "";
    QTest::newRow("five characters, ending fine") << "a@b.c" << false << kTooShort;
    QTest::newRow("five characters, ending bad") << "a@b.x" << false << kBadEnding;
    QTest::newRow("several at signs") << "a@b@c.com" << true << "";
    QTest::newRow("blanks") << "a b@c .com" << true << "";
    QTest::newRow("nothing between at and dot") << "asha@.in" << true << "";
  }
  void validate() {
    QFETCH(QString, address);
    QFETCH(bool, valid);
    QFETCH(QString, message);
    QCOMPARE(ValidateEmail(address), valid);
    QCOMPARE(EmailValidationMessage(), message);
  }

  void messageOfLastCallOnly() {
    QVERIFY(!ValidateEmail(u"nobody"));
    QVERIFY(!ValidateEmail(u"@x.in"));
    QCOMPARE(EmailValidationMessage(), kAtFirst);
    QVERIFY(ValidateEmail(u"asha@example.in"));
    QCOMPARE(EmailValidationMessage(), QString());
  }

  void ending_data() {
    QTest::addColumn<QString>("ending");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("country, lower case") << ".in" << true;
    QTest::newRow("without dot") << "IN" << true;
    QTest::newRow("generic") << ".org" << true;
    QTest::newRow("last country") << ".zw" << true;
    QTest::newRow("first country") << "af" << true;
    QTest::newRow("prefix of an entry") << ".C" << true;
    QTest::newRow("across two entries") << ".TV.AF" << true;
    QTest::newRow("not listed") << ".xyz" << false;
    QTest::newRow("two letters not listed") << ".QQ" << false;
    QTest::newRow("letters without their dot") << "OM.E" << false;
  }
  void ending() {
    QFETCH(QString, ending);
    QFETCH(bool, accepted);
    QCOMPARE(IsListedEnding(ending), accepted);
  }
};

QTEST_GUILESS_MAIN(TestEmailValidation)
#include "tst_email_validation.moc"
