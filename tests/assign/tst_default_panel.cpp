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
QStringList items(const QComboBox* box) {
  QStringList list;
  for (int i = 0; i < box->count(); ++i) list << box->itemText(i);
  return list;
}

int logLineCount(const BaseComponent& base) {
  QFile file(base.ExePath() + "/VelLog.log");
  return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : 0;
}
}  // namespace

class TestDefaultPanel : public QObject {
  Q_OBJECT

  std::shared_ptr<FakeBase> base_;
  std::unique_ptr<grid::FlexGrid> grid_;
  std::unique_ptr<DefaultPanel> panel_;

  // The remembered entries of one list; a null value is a NULL in the table.
  void listing(const QString& table, const QString& field, const QStringList& values) {
    FakeTable t{{field}, {}};
    for (const QString& v : values) t.rows.push_back({v.isNull() ? QVariant() : QVariant(v)});
    base_->results.insert("SELECT DISTINCT " + field + " FROM " + table + " Order by " + field, t);
  }

 private slots:
  void init() {
    base_ = std::make_shared<FakeBase>();
    auto base = base_;
    ObjectRegistry::instance().registerFactory("VelBase.ClsMain", [base] { return base; });
    ModuleStart();
    listing("TblITR_PriMail", "s_eMail", {"a@b.in", "  ", "o'neil@b.in"});
    listing("TblITR_PriMob", "s_Mobile", {"9876543210", QString(), "9123456789"});
    listing("TblITR_SecMob", "s_Mobile", {"9000000001"});
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
    QCOMPARE(grid_->model()->ColComboList(42), "|kept@x.in|");
  }

  void failingReadEndsRefill() {
    base_->fails = [](const QString& sql) { return sql.contains("TblITR_PriMob"); };
    panel_->ReadDefaultDetails();
    QCOMPARE(panel_->cmbp_email->count(), 2);
    QCOMPARE(panel_->CmbSecMob->count(), 0);
    QCOMPARE(logLineCount(*base_), 1);
  }

  void settings_data() {
    QTest::addColumn<QStringList>("stored");  // key=value
    // ChkCustMobile|ChkFetchAlias|TxtMaxEMail|TxtMaxMobile|cmbp_mob index|cmbp_email index|log lines
    QTest::addColumn<QString>("expected");
    QTest::newRow("stored") << QStringList{"ISCUSTMOB=1", "P_MOBILE=9123456789", "P_EMAIL=a@b.in",
                                           "MAXEMAIL=3", "MAXEMOB=5"}
                            << "1|0|3|5|1|0|0";
    QTest::newRow("junk check value is logged, rest read")
        << QStringList{"ISCUSTMOB=yes", "P_EMAIL=o'neil@b.in", "ISFROMSETUP=1", "MAXEMOB=x"}
        << "0|1|10|x|-1|1|1";
  }
  void settings() {
    QFETCH(QStringList, stored);
    QFETCH(QString, expected);
    for (const QString& kv : stored)
      base_->settings.insert(DefaultPanel::SettingsFile() + "|ITRDEFSETUP|" + kv.section('=', 0, 0),
                             kv.section('=', 1));
    panel_->ReadDefaultDetails();
    panel_->ReadITRDefSetting();
    const auto n = [](int v) { return QString::number(v); };
    QCOMPARE(QStringList({n(panel_->ChkCustMobile->isChecked()), n(panel_->ChkFetchAlias->isChecked()),
                          panel_->TxtMaxEMail->text(), panel_->TxtMaxMobile->text(),
                          n(ListIndex(panel_->cmbp_mob)), n(ListIndex(panel_->cmbp_email)),
                          n(logLineCount(*base_))})
                 .join(u'|'),
             expected);
    QCOMPARE(panel_->cmbp_mob->isEnabled(), !panel_->ChkCustMobile->isChecked());
    QCOMPARE(panel_->cmbp_email->isEnabled(), !panel_->ChkFetchAlias->isChecked());
  }

  void typingCompletesAndFilters() {
    panel_->ReadDefaultDetails();
    // Letters never reach a mobile field; "91" completes the second entry.
    QTest::keyClicks(panel_->cmbp_mob, "a91");
    QCOMPARE(panel_->cmbp_mob->lineEdit()->selectedText(), "23456789");
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
