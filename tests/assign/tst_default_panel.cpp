#include "assign/auto_find_box.h"
#include "assign/default_panel.h"
#include "assign/default_store.h"
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

// Settings file keys and their stored values.
using Stored = QList<std::pair<QString, QString>>;

// What the panel shows after loading its settings; -1 for a value list with nothing chosen.
struct PanelSettings {
  bool useClientMobile = false;
  bool fetchAlias = false;
  QString maxEMail{};
  QString maxMobile{};
  int primaryMobile = -1;
  int primaryEMail = -1;
};

// The entries of a belongs-to list: text and relation code.
using Entries = QList<std::pair<QString, int>>;

int logLineCount(const BaseComponent& base) {
  QFile file(base.ExePath() + "/VelLog.log");
  return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : 0;
}
}  // namespace

Q_DECLARE_METATYPE(Entries)

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
    grid_ = makeRegister({{"C1", "One"}, {"C2", "Two", Tick::Unticked}});
    panel_ = std::make_unique<DefaultPanel>(grid_.get());
    panel_->fillRelationLists();
  }
  void cleanup() {
    panel_.reset();
    grid_.reset();
    ModuleShutdown();
    ObjectRegistry::instance().unregister("VelBase.ClsMain");
    base_.reset();
  }

  // The four belongs-to lists and the code each entry assigns to every selected client; the
  // representatives only for the secondary contacts.
  void relationLists_data() {
    QTest::addColumn<QList<int>>("boxes");
    QTest::addColumn<Entries>("entries");
    const Entries head{{"(Select)", 0}, {"Self", 1}},
        representatives{
            {"Authorised Representative", 10}, {"e-Return Intermediary", 11}, {"Tax Return Preparer", 12}};
    const Entries family{{"Parent", 2}, {"Brother", 3},  {"Sister", 4},
                         {"Spouse", 5}, {"Relative", 6}, {"Friend", 7}};
    QTest::newRow("primary mobile and e-mail") << QList<int>{0, 1} << head + family;
    QTest::newRow("secondary mobile and e-mail") << QList<int>{2, 3} << head + representatives + family;
  }
  void relationLists() {
    QFETCH(QList<int>, boxes);
    QFETCH(Entries, entries);
    for (int box : boxes) {
      QComboBox* list = panel_->relationBoxes[size_t(box)];
      QCOMPARE(list->count(), entries.size());
      for (int i = 0; i < entries.size(); ++i) {
        list->setCurrentIndex(i);
        QCOMPARE(list->currentText(), entries[i].first);
        // "(Select)" leaves the relation column as it is.
        QCOMPARE(panel_->choices().relation[size_t(box)], i ? QString::number(entries[i].second) : "");
      }
    }
  }

  void loadUsedValues() {
    grid_->model()->setColComboList(col::NewEMail2, "|kept@x.in|");
    panel_->loadUsedValues();
    QCOMPARE(items(panel_->primaryEMailBox), QStringList({"a@b.in", "o'neil@b.in"}));
    QCOMPARE(items(panel_->primaryMobileBox), QStringList({"9876543210", "9123456789"}));
    // The grid's columns list the same; an empty table leaves the column's list as it was.
    QCOMPARE(grid_->model()->ColComboList(col::NewMobile1), "|9876543210|9123456789|");
    QCOMPARE(grid_->model()->ColComboList(col::NewEMail2), "|kept@x.in|");
  }

  void failingReadEndsRefill() {
    base_->fails = [](const QString& sql) { return sql.contains("TblITR_PriMob"); };
    panel_->loadUsedValues();
    QCOMPARE(panel_->primaryEMailBox->count(), 2);
    QCOMPARE(panel_->secondaryMobileBox->count(), 0);
    QCOMPARE(logLineCount(*base_), 1);
  }

  void settings_data() {
    QTest::addColumn<Stored>("stored");
    QTest::addColumn<PanelSettings>("expected");
    QTest::addColumn<int>("logLines");
    QTest::newRow("stored") << Stored{{"ISCUSTMOB", "1"},
                                      {"P_MOBILE", "9123456789"},
                                      {"P_EMAIL", "a@b.in"},
                                      {"MAXEMAIL", "3"},
                                      {"MAXEMOB", "5"}}
                            << PanelSettings{.useClientMobile = true,
                                             .maxEMail = "3",
                                             .maxMobile = "5",
                                             .primaryMobile = 1,
                                             .primaryEMail = 0}
                            << 0;
    QTest::newRow("nothing stored") << Stored{} << PanelSettings{.maxEMail = "10", .maxMobile = "10"} << 0;
    QTest::newRow("junk check value is logged, rest read")
        << Stored{{"ISCUSTMOB", "yes"},
                  {"P_EMAIL", "o'neil@b.in"},
                  {"ISFROMSETUP", "1"},
                  {"MAXEMAIL", "  "},
                  {"MAXEMOB", "x"}}
        << PanelSettings{.fetchAlias = true, .maxEMail = "10", .maxMobile = "x", .primaryEMail = 1} << 1;
  }
  void settings() {
    QFETCH(Stored, stored);
    QFETCH(PanelSettings, expected);
    QFETCH(int, logLines);
    for (const auto& [key, value] : stored)
      base_->settings.insert(DefaultSettingsFile() + "|ITRDEFSETUP|" + key, value);
    panel_->loadUsedValues();
    panel_->loadSettings();
    QCOMPARE(panel_->useClientMobileBox->isChecked(), expected.useClientMobile);
    QCOMPARE(panel_->fetchAliasBox->isChecked(), expected.fetchAlias);
    QCOMPARE(panel_->eMailLimitBox->text(), expected.maxEMail);
    QCOMPARE(panel_->mobileLimitBox->text(), expected.maxMobile);
    QCOMPARE(ListIndex(panel_->primaryMobileBox), expected.primaryMobile);
    QCOMPARE(ListIndex(panel_->primaryEMailBox), expected.primaryEMail);
    QCOMPARE(logLineCount(*base_), logLines);
    QCOMPARE(panel_->primaryMobileBox->isEnabled(), !expected.useClientMobile);
    QCOMPARE(panel_->primaryEMailBox->isEnabled(), !expected.fetchAlias);
  }

  void typingCompletesAndFilters() {
    panel_->loadUsedValues();
    // Letters never reach a mobile field; "91" completes the second entry.
    QTest::keyClicks(panel_->primaryMobileBox, "a91");
    QCOMPARE(panel_->primaryMobileBox->lineEdit()->selectedText(), "23456789");
    panel_->primaryEMailBox->setEditText("");
    QTest::keyClicks(panel_->primaryEMailBox, "O");
    QCOMPARE(panel_->primaryEMailBox->currentText(), "o'neil@b.in");
    QTest::keyClicks(panel_->mobileLimitBox, "1a.5");
    QCOMPARE(panel_->mobileLimitBox->text(), "1.5");
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
    QCOMPARE(panel_->checkLeavingField(w), accepted);
    QCOMPARE(int(ui->messages.size()), messages);
  }

  void leavingRefusedFieldKeepsFocusAndVoidsClick() {
    ScopedInteraction ui;
    QWidget window;
    panel_->setParent(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    panel_->primaryMobileBox->setFocus();
    QTRY_VERIFY(panel_->primaryMobileBox->hasFocus());
    panel_->primaryMobileBox->setEditText("12345");
    QSignalSpy closed(panel_.get(), &DefaultPanel::closeRequested);
    // The click's focus change is refused, so the click does not assign.
    QTest::mouseClick(panel_->assignButton, Qt::LeftButton);
    QCOMPARE(ui->messages.size(), size_t(1));
    QCOMPARE(ui->messages[0].text, "Please provide a valid 10 digit mobile number");
    QVERIFY(panel_->primaryMobileBox->hasFocus());
    QCOMPARE(grid_->model()->TextMatrix(FirstDataRow, col::NewMobile1), "");
    // Cancel leaves without the check.
    QTest::mouseClick(panel_->cancelButton, Qt::LeftButton);
    QCOMPARE(closed.size(), 1);
    QCOMPARE(ui->messages.size(), size_t(1));
    panel_->setParent(nullptr);
  }

  void assignRefusalStopsEverything() {
    ScopedInteraction ui;
    panel_->primaryMobileBox->setEditText("9876543210");
    panel_->primaryEMailBox->setEditText("a@b.in");
    panel_->secondaryEMailBox->setEditText("a@b.in");
    QSignalSpy closed(panel_.get(), &DefaultPanel::closeRequested);
    panel_->assignToSelectedClients();
    QCOMPARE(ui->messages.size(), size_t(1));
    QCOMPARE(ui->messages[0].text, "Secondary E-Mail can not be same as Primary E-Mail");
    QVERIFY(base_->statements.isEmpty() && base_->settings.isEmpty());
    QCOMPARE(closed.size(), 0);
    QCOMPARE(grid_->model()->TextMatrix(FirstDataRow, col::NewMobile1), "");
  }
};

QTEST_MAIN(TestDefaultPanel)
#include "tst_default_panel.moc"
