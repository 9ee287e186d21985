// The portal login component against answers the simulator never gives: ambiguous or broken
// confirmations, redirects, profiles that are not strict JSON, and what reaches the log.
#include "portal/portal_rules.h"
#include "portal_login_component.h"
#include "scripted_portal.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace kestrel;
using namespace kestrel::testing;

namespace {

const QString Pan = QStringLiteral("AAAPA0001A");
const QByteArray Ok = R"("messages":[{"code":"EF00000","desc":"Success"}])";
const QByteArray Pins = R"({"otpRequired":true,"reqId":"q7",)" + Ok + "}";

// The portal's answer to the contact details and, when it asked for PINs, to the PINs.
struct ContactAnswer {
  int status;
  QByteArray body, pinBody;
  bool accepted;
  QString reason;  // ErrData of a refusal, a regular expression
};

struct ProfileAnswer {
  int status;
  QByteArray body;
  QString outcome;  // what the register shows: "" when the profile is read
};

struct Refusal {
  int status;
  QByteArray body;
};

struct Echo {
  QString password;
  QByteArray refusal;  // the portal's text refusing the password
  QString logged;
};

}  // namespace

Q_DECLARE_METATYPE(ContactAnswer)
Q_DECLARE_METATYPE(ProfileAnswer)
Q_DECLARE_METATYPE(Echo)
Q_DECLARE_METATYPE(Refusal)

class TstPortalAnswers : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  // The run's side of the component: these answers never need progress or a cancel.
  struct NoProgress final : RunProgress {
    void showProgress(const QString&) override {}
    bool cancelRequested() const override { return false; }
  } progress_;

  std::shared_ptr<PortalLogin> logIn(ScriptedPortal& portal, const QString& password = "pw-1234") {
    PortalLoginOptions o;
    o.baseUrl = QUrl(portal.url());
    o.loginPauseMs = 0;
    o.pinProvider = [](const PinRequest&, const std::function<bool()>&) {
      return PinReply{"123456", "654321"};
    };
    auto login = makePortalLogin(o);
    login->InitMe(dir_.filePath("VelLog.log"), dir_.path() + '/', &progress_, 1, 1, 1);
    login->setShowError(false);
    login->LoginWHR_CL(Pan, password);
    return login;
  }
  QString log() {
    QFile file(dir_.filePath("VelLog.log"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }

 private slots:
  // New details are written back on the portal's word alone: only an explicit confirmation of
  // each step counts; every other shape is a refusal with a reason in ErrData and the log.
  void contactUpdateNeedsConfirmation_data() {
    QTest::addColumn<ContactAnswer>("a");
    QTest::newRow("confirmed") << ContactAnswer{200, "{" + Ok + "}", {}, true, {}};
    QTest::newRow("confirmed after the PINs") << ContactAnswer{200, Pins, "{" + Ok + "}", true, {}};
    QTest::newRow("empty object") << ContactAnswer{200, "{}", {}, false, "did not confirm"};
    QTest::newRow("no messages") << ContactAnswer{200, R"({"messages":[]})", {}, false, "did not confirm"};
    QTest::newRow("refusal only in errors") << ContactAnswer{
        200, R"({"errors":[{"desc":"Invalid mobile."}],)" + Ok + "}", {}, false, "^Invalid mobile"};
    QTest::newRow("HTTP 400 carrying EF00000") << ContactAnswer{400, "{" + Ok + "}", {}, false, "HTTP 400"};
    QTest::newRow("otpRequired as text")
        << ContactAnswer{200, R"({"otpRequired":"true",)" + Ok + "}", {}, false, "otpRequired: \"true\""};
    QTest::newRow("otpRequired as a number")
        << ContactAnswer{200, R"({"otpRequired":1,)" + Ok + "}", {}, false, "otpRequired: 1\\)"};
    QTest::newRow("PINs: empty object") << ContactAnswer{200, Pins, "{}", false, "did not confirm"};
    QTest::newRow("PINs: refusal only in errors")
        << ContactAnswer{200, Pins, R"({"errors":["PIN expired."],)" + Ok + "}", false, "^PIN expired"};
  }
  void contactUpdateNeedsConfirmation() {
    QFETCH(ContactAnswer, a);
    ScriptedPortal portal;
    portal.answer = [&](const QByteArray&, const QByteArray& service) -> ScriptedReply {
      if (service == "contactdetailsservice")
        return {a.status, a.body, {}};
      return service == "contactotpservice" ? ScriptedReply{200, a.pinBody, {}} : loginStep(service);
    };
    auto login = logIn(portal);
    QCOMPARE(login->VerifyContactDet("91", "9123456780", "1", "new@x.in", "1", "", "", "", ""), a.accepted);
    if (!a.accepted) {
      QVERIFY2(QRegularExpression(a.reason).match(login->ErrData()).hasMatch(), qPrintable(login->ErrData()));
      QVERIFY(
          log().contains("\t0\t" + Pan + ": " + login->ErrData() + "\tprjPortAct.clsMain\tVerifyContactDet"));
    }
  }

  // A request carrying the PAN, the password or the session goes to no other address; a
  // redirect within the portal is followed.
  void redirects_data() {
    QTest::addColumn<QByteArray>("service");  // the request that is redirected
    QTest::addColumn<bool>("elsewhere");      // to another port, or within the portal
    QTest::newRow("PAN step to another port") << QByteArray("wloginservice") << true;
    QTest::newRow("password step to another port") << QByteArray("loginservice") << true;
    QTest::newRow("profile to another port") << QByteArray("userprofileservice") << true;
    QTest::newRow("password step within the portal") << QByteArray("loginservice") << false;
  }
  void redirects() {
    QFETCH(QByteArray, service);
    QFETCH(bool, elsewhere);
    ScriptedPortal other, portal;
    other.answer = [](const QByteArray&, const QByteArray& s) { return loginStep(s); };
    portal.answer = [&](const QByteArray& path, const QByteArray& s) -> ScriptedReply {
      if (s == service && path != "/moved")
        return {307, {}, "Location: " + (elsewhere ? other.url().toUtf8() : QByteArray()) + "/moved\r\n"};
      return s == "userprofileservice" ? ScriptedReply{200, R"({"firstName":"Asha"})", {}} : loginStep(s);
    };
    auto login = logIn(portal);
    const bool loggedIn = login->ErrData().isEmpty();
    QCOMPARE(loggedIn && !login->GeteUserProfile().isEmpty(), !elsewhere);
    QCOMPARE(other.connections, 0);
    if (elsewhere)
      QVERIFY2(login->ErrData().startsWith("The e-filing portal sent the request on to " + other.url() +
                                           "/moved (HTTP 307); it was not followed"),
               qPrintable(login->ErrData()));
  }

  // The profile page goes to the reader as it came, stray commas, cuts and all.
  void profileAsReceived_data() {
    QTest::addColumn<ProfileAnswer>("p");
    QTest::newRow("stray comma") << ProfileAnswer{
        200, R"({"firstName":"Asha","priMobileNum":"9876500001",})", {}};
    QTest::newRow("cut off") << ProfileAnswer{200, "{\"secEmailId\":\"a@b.in\",\"priMobileNum\":\"98", {}};
    QTest::newRow("HTML page") << ProfileAnswer{200, "<html>myProfile</html>", outcome::UnknownResponse};
    QTest::newRow("empty page") << ProfileAnswer{200, "", outcome::ProfileFailed};
    QTest::newRow("HTTP 503") << ProfileAnswer{503, "<html>Service Unavailable</html>",
                                               outcome::ProfileFailed};
    QTest::newRow("refused by the portal") << ProfileAnswer{
        200, R"({"messages":[{"code":"EF00005","desc":"Expired"}]})", outcome::ProfileFailed};
  }
  void profileAsReceived() {
    QFETCH(ProfileAnswer, p);
    ScriptedPortal portal;
    portal.answer = [&](const QByteArray&, const QByteArray& service) {
      return service == "userprofileservice" ? ScriptedReply{p.status, p.body, {}} : loginStep(service);
    };
    const QString profile = logIn(portal)->GeteUserProfile();
    QCOMPARE(profile, p.outcome == outcome::ProfileFailed ? QString() : QString::fromUtf8(p.body));
    QCOMPARE(ReadProfile(profile, Pan).failure, p.outcome);
  }

  // Once the portal refuses automated access, at any step and in any words, nothing more is
  // sent: no retry, no logout.
  void accessRefused_data() {
    QTest::addColumn<Refusal>("r");
    QTest::newRow("EF00403, HTTP 403")
        << Refusal{403, R"({"messages":[{"code":"EF00403","desc":"Permission Denied"}]})"};
    QTest::newRow("EF00403, HTTP 200")
        << Refusal{200, R"({"messages":[{"code":"EF00403","desc":"Forbidden"}]})"};
    QTest::newRow("HTTP 403 page") << Refusal{403, "<html>Access Denied</html>"};
    QTest::newRow("said in errors") << Refusal{200,
                                               R"({"errors":["Permission denied to automated browsers"]})"};
  }
  void accessRefused() {
    QFETCH(Refusal, r);
    ScriptedPortal portal;
    int requests = 0;
    portal.answer = [&](const QByteArray&, const QByteArray& service) {
      ++requests;
      return service == "userprofileservice" ? ScriptedReply{r.status, r.body, {}} : loginStep(service);
    };
    auto login = logIn(portal);
    QCOMPARE(login->GeteUserProfile(), QString());
    QCOMPARE(login->ErrData(), "Permission Denied: the e-filing portal refuses automated access");
    QCOMPARE(login->refusal(), PortalRefusal::AccessRefused);
    login->CheckForLogInCL(Pan, true);
    QCOMPARE(requests, 3);
  }

  // The password is scrubbed where it stands for the password, never from the PAN naming the client.
  void passwordScrub_data() {
    QTest::addColumn<Echo>("e");
    QTest::newRow("password equals the PAN") << Echo{Pan, "Invalid Password.", Pan + ": Invalid Password."};
    QTest::newRow("portal echoes the password")
        << Echo{"S3cret'Pw%x", "Password S3cret'Pw%x is wrong", Pan + ": Password *** is wrong"};
    QTest::newRow("portal echoes its base64")
        << Echo{"S3cret'Pw%x", "Bad UzNjcmV0J1B3JXg=", Pan + ": Bad ***"};
  }
  void passwordScrub() {
    QFETCH(Echo, e);
    ScriptedPortal portal;
    portal.answer = [&](const QByteArray&, const QByteArray& service) -> ScriptedReply {
      if (service == "loginservice")
        return {200, "{\"messages\":[{\"code\":\"EF00027\",\"desc\":\"" + e.refusal + "\"}]}", {}};
      return loginStep(service);
    };
    QVERIFY(logIn(portal, e.password)->ErrData() == QString::fromUtf8(e.refusal));
    const QString text = log();
    QVERIFY2(text.contains(e.logged) && text.contains(Pan + " loginService: HTTP 200, EF00027"),
             qPrintable(text));
    QVERIFY(e.password == Pan || !text.contains(e.password));
  }
};

QTEST_MAIN(TstPortalAnswers)
#include "tst_portal_answers.moc"
