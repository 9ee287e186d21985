#include "assign/auto_find.h"
#include "assign/default_panel.h"
#include "assign_test_grid.h"
#include "controls/zen_button.h"
#include "entry/mod_it_main.h"
#include "fake_base.h"
#include "scripted_interaction.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace kestrel;
using namespace kestrel::testing;

namespace {
const QString kPriMail = "SELECT DISTINCT s_eMail FROM TblITR_PriMail Order by s_eMail";
const QString kPriMob = "SELECT DISTINCT s_Mobile FROM TblITR_PriMob Order by s_Mobile";
const QString kSecMail = "SELECT DISTINCT s_eMail FROM TblITR_SecMail Order by s_eMail";
const QString kSecMob = "SELECT DISTINCT s_Mobile FROM TblITR_SecMob Order by s_Mobile";

FakeTable column(const QString& name, const QStringList& values) {
  FakeTable t{{name}, {}};
  for (const QString& v : values) t.rows.push_back({v.isNull() ? QVariant() : QVariant(v)});
  return t;
}

QStringList items(const QComboBox* box) {
  QStringList list;
  for (int i = 0; i < box->count(); ++i) list << box->itemText(i);
  return list;
}

int logLineCount(const BaseComponent& base) {
  QFile file(base.ExePath() + "/VelLog.log");
  if (!file.open(QIODevice::ReadOnly))
    return 0;
  return int(file.readAll().count('\n'));
}
}  // namespace

class TestDefaultPanel : public QObject {
  Q_OBJECT

  std::shared_ptr<FakeBase> base_;
  std::unique_ptr<grid::FlexGrid> grid_;
  std::unique_ptr<DefaultPanel> panel_;

  QString key(const char* name) const {
    return DefaultPanel::SettingsFile() + "|ITRDEFSETUP|" + QString::fromLatin1(name);
  }
  void setting(const char* name, const QString& value) { base_->settings.insert(key(name), value); }

 private slots:
  void init() {
    base_ = std::make_shared<FakeBase>();
    auto base = base_;
    ObjectRegistry::instance().registerFactory("VelBase.ClsMain", [base] { return base; });
    ModuleStart();
    base_->results.insert(kPriMail, column("s_eMail", {"a@b.in", "  ", "o'neil@b.in"}));
    base_->results.insert(kPriMob, column("s_Mobile", {"9876543210", QString(), "9123456789"}));
    base_->results.insert(kSecMob, column("s_Mobile", {"9000000001"}));
    grid_ = makeRegister({"C1|One|T", "C2|Two|U"});
    panel_ = std::make_unique<DefaultPanel>(grid_.get());
    panel_->FillBelongsToLists();
  }
  void cleanup() {
    panel_.reset();
    grid_.reset();
    ModuleShutdown();
    ObjectRegistry::instance().unregister("VelBase.ClsMain");
    base_.reset();
  }

  void readDefaultDetails() {
    grid_->model()->setColComboList(42, "|kept@x.in|");
    panel_->ReadDefaultDetails();
    QCOMPARE(items(panel_->cmbp_email), QStringList({"a@b.in", "o'neil@b.in"}));
    QCOMPARE(items(panel_->cmbp_mob), QStringList({"9876543210", "9123456789"}));
    // The grid's columns list the same; an empty table leaves the column's list as it was.
    QCOMPARE(grid_->model()->ColComboList(36), "|9876543210|9123456789|");
    QCOMPARE(grid_->model()->ColComboList(40), "|9000000001|");
    QCOMPARE(grid_->model()->ColComboList(42), "|kept@x.in|");
    QCOMPARE(panel_->Cmbsecemail->count(), 0);
  }

  void failingReadEndsRefill() {
    base_->fails = [](const QString& sql) { return sql.contains("TblITR_PriMob"); };
    panel_->ReadDefaultDetails();
    QCOMPARE(panel_->cmbp_email->count(), 2);
    QCOMPARE(panel_->CmbSecMob->count(), 0);
    QCOMPARE(base_->statements.filter("SELECT").size(), 2);
    QCOMPARE(logLineCount(*base_), 1);
  }

  void settings_data() {
    QTest::addColumn<QStringList>("stored");  // key=value
    // ChkCustMobile|ChkFetchAlias|TxtMaxEMail|TxtMaxMobile|cmbp_mob index|cmbp_email index|log lines
    QTest::addColumn<QString>("expected");
    QTest::newRow("no settings") << QStringList{} << "0|0|10|10|-1|-1|0";
    QTest::newRow("stored") << QStringList{"ISCUSTMOB=1", "P_MOBILE=9123456789", "P_EMAIL=a@b.in",
                                           "MAXEMAIL=3", "MAXEMOB=5"}
                            << "1|0|3|5|1|0|0";
    QTest::newRow("blank limits, e-mail differs in case")
        << QStringList{"MAXEMAIL=  ", "MAXEMOB=", "P_EMAIL=A@B.IN"} << "0|0|10|10|-1|-1|0";
    QTest::newRow("junk check value is logged, rest read")
        << QStringList{"ISCUSTMOB=yes", "P_EMAIL=o'neil@b.in", "ISFROMSETUP=1", "MAXEMOB=x"}
        << "0|1|10|x|-1|1|1";
  }
  void settings() {
    QFETCH(QStringList, stored);
    QFETCH(QString, expected);
    for (const QString& kv : stored)
      setting(kv.section('=', 0, 0).toLatin1().constData(), kv.section('=', 1));
    panel_->ReadDefaultDetails();
    panel_->ReadITRDefSetting();
    const bool custMobile = panel_->ChkCustMobile->isChecked(),
               fetchAlias = panel_->ChkFetchAlias->isChecked();
    QCOMPARE(QString("%1|%2|%3|%4|%5|%6|%7")
                 .arg(custMobile)
                 .arg(fetchAlias)
                 .arg(panel_->TxtMaxEMail->text(), panel_->TxtMaxMobile->text())
                 .arg(ListIndex(panel_->cmbp_mob))
                 .arg(ListIndex(panel_->cmbp_email))
                 .arg(logLineCount(*base_)),
             expected);
    QCOMPARE(panel_->cmbp_mob->isEnabled(), !custMobile);
    QCOMPARE(panel_->cmbp_email->isEnabled(), !fetchAlias);
  }

  void settingsRoundTrip() {
    panel_->ReadDefaultDetails();
    panel_->ChkFetchAlias->setChecked(true);
    panel_->cmbp_mob->setEditText(" 98765 ");
    panel_->TxtMaxMobile->setText("4");
    panel_->CmbSecMob->setCurrentIndex(0);
    panel_->SaveITRDefSetting();
    QCOMPARE(base_->settings.value(key("P_MOBILE")), " 98765 ");
    QCOMPARE(base_->settings.value(key("ISFROMSETUP")), "1");
    QCOMPARE(base_->settings.size(), 8);

    DefaultPanel fresh(grid_.get());
    fresh.ReadDefaultDetails();
    fresh.ReadITRDefSetting();
    QCOMPARE(fresh.ChkFetchAlias->checkState(), Qt::Checked);
    QCOMPARE(fresh.TxtMaxMobile->text(), "4");
    QCOMPARE(fresh.CmbSecMob->currentText(), "9000000001");
    QCOMPARE(fresh.cmbp_mob->currentText(), "");  // no such entry: the text is not put back
  }

  void typingCompletesAndFilters() {
    panel_->ReadDefaultDetails();
    auto* finder = panel_->cmbp_mob->findChild<ComboAutoFind*>();
    QVERIFY(finder);
    QVERIFY(!finder->typeKey('a'));  // not a mobile character
    QVERIFY(!finder->typeKey('9'));
    QVERIFY(!finder->typeKey('1'));  // "91" completes the second entry
    QCOMPARE(panel_->cmbp_mob->lineEdit()->selectedText(), "23456789");
    // Real key events reach the completion through the combo box.
    panel_->cmbp_email->setEditText("");
    QTest::keyClicks(panel_->cmbp_email, "O");
    QCOMPARE(panel_->cmbp_email->currentText(), "o'neil@b.in");
    QTest::keyClicks(panel_->TxtMaxMobile, "1a.5");
    QCOMPARE(panel_->TxtMaxMobile->text(), "1.5");
  }

  void leaveChecks_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("messages");
    QTest::newRow("mobile empty") << "cmbp_mob" << true << "" << 0;
    QTest::newRow("secondary mobile") << "CmbSecMob" << true << "9876543210" << 0;
    QTest::newRow("mobile leading zero") << "cmbp_mob" << false << "0987654321" << 1;
    QTest::newRow("e-mail bad, silent") << "Cmbsecemail" << false << "a@" << 0;
    QTest::newRow("limit pasted junk") << "TxtMaxMobile" << false << "1a" << 0;
  }
  void leaveChecks() {
    QFETCH(QString, field);
    QFETCH(bool, accepted);
    QFETCH(QString, text);
    QFETCH(int, messages);
    ScopedInteraction ui;
    QWidget* w = panel_->findChild<QWidget*>(field);
    if (auto* combo = qobject_cast<QComboBox*>(w))
      combo->setEditText(text);
    else
      static_cast<QLineEdit*>(w)->setText(text);
    QCOMPARE(panel_->LeaveCheck(w), accepted);
    QCOMPARE(int(ui->messages.size()), messages);
  }

  void leavingRefusedFieldKeepsFocusAndVoidsClick() {
    ScopedInteraction ui;
    QWidget window;
    panel_->setParent(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    panel_->cmbp_mob->setFocus();
    QTRY_VERIFY(panel_->cmbp_mob->hasFocus());
    panel_->cmbp_mob->setEditText("12345");
    QSignalSpy closed(panel_.get(), &DefaultPanel::closeRequested);
    // The click's focus change is refused, so the click does not assign.
    QTest::mouseClick(panel_->CmdSecDefault, Qt::LeftButton);
    QCOMPARE(ui->messages.size(), size_t(1));
    QCOMPARE(ui->messages[0].text, "Please provide a valid 10 digit mobile number");
    QVERIFY(panel_->cmbp_mob->hasFocus());
    QCOMPARE(grid_->model()->TextMatrix(2, 36), "");
    // Cancel leaves without the check.
    QTest::mouseClick(panel_->CmdCancelDefault, Qt::LeftButton);
    QCOMPARE(closed.size(), 1);
    QCOMPARE(ui->messages.size(), size_t(1));
    panel_->setParent(nullptr);
  }

  void assignRemembersTypedValues() {
    ScopedInteraction ui;
    panel_->ReadDefaultDetails();
    SetComboValue(panel_->cmbp_mob, "9876543210");  // picked: not remembered again
    panel_->cmbp_email->setEditText(" it's@b.in ");
    panel_->CmbSecMob->setEditText("9000000002");
    panel_->cboContBelongsTo[0]->setCurrentIndex(1);
    QSignalSpy closed(panel_.get(), &DefaultPanel::closeRequested);
    base_->statements.clear();
    panel_->CmdSecDefault_Click();
    QVERIFY(ui->messages.empty());
    QCOMPARE(base_->statements.mid(0, 4),
             QStringList({"INSERT INTO TblITR_PriMail (s_eMail) VALUES('it''s@b.in')", "Flush Tables",
                          "INSERT INTO TblITR_SecMob (s_Mobile) VALUES('9000000002')", "Flush Tables"}));
    QCOMPARE(base_->statements.mid(4), QStringList({kPriMail, kPriMob, kSecMail, kSecMob}));
    QCOMPARE(closed.size(), 1);
    QCOMPARE(grid_->model()->TextMatrix(2, 38), "it's@b.in");
    QCOMPARE(grid_->model()->TextMatrix(3, 38), "");  // unticked
    QCOMPARE(base_->settings.value(key("S_MOBILE")), "9000000002");
  }

  void assignRefusalStopsEverything() {
    ScopedInteraction ui;
    panel_->cmbp_mob->setEditText("9876543210");
    panel_->cmbp_email->setEditText("a@b.in");
    panel_->Cmbsecemail->setEditText("a@b.in");
    QSignalSpy closed(panel_.get(), &DefaultPanel::closeRequested);
    panel_->CmdSecDefault_Click();
    QCOMPARE(ui->messages.size(), size_t(1));
    QCOMPARE(ui->messages[0].text, "Secondary E-Mail can not be same as Primary E-Mail");
    QVERIFY(base_->statements.isEmpty() && base_->settings.isEmpty());
    QCOMPARE(closed.size(), 0);
    QCOMPARE(grid_->model()->TextMatrix(2, 36), "");
  }
};

QTEST_MAIN(TestDefaultPanel)
#include "tst_default_panel.moc"
