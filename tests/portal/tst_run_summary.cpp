#include "platform/grid/flexgrid_model.h"
#include "portal/run_summary.h"
#include "register/register_layout.h"

#include <QTest>

using namespace kestrel;

namespace {

// A register after a run: each client's code, name and "Import Logs" ("" when the run did not
// reach it), what the run knew, and the summary line.
struct Client {
  const char *code, *name, *outcome;
};
struct SummaryCase {
  RunMode mode;
  qint64 elapsedMs;
  QList<Client> clients;
  int selected;
  QStringList unsavedCodes;
  const char* text;
};

const char* const Confirmed = "Validate Contact Success";

}  // namespace

Q_DECLARE_METATYPE(SummaryCase)

class TestRunSummary : public QObject {
  Q_OBJECT

 private slots:
  void summary_data() {
    QTest::addColumn<SummaryCase>("c");
    QTest::newRow("update with a confirmed client the store did not take") << SummaryCase{
        RunMode::Update,
        192'000,
        {{"A", "Asha Rao", Confirmed},
         {"B", "Bimal O'Neil", Confirmed},
         {"C", "Chitra", "Invalid Password, Please retry"},
         {"X", "Unticked", ""},
         {"D", "Dev", "Failed to Open 'Verify Contact Detail' Page"},
         {"E", "Esha", Confirmed}},
        5,
        // C waits from an earlier run; this run did not confirm it.
        {"B", "C"},
        "Update on the portal finished in 3 min 12 s: 5 clients \u2014 3 \u00d7 Validate Contact "
        "Success, 1 \u00d7 Invalid Password, Please retry, 1 \u00d7 Failed to Open 'Verify Contact "
        "Detail' Page.\nConfirmed by the portal but not saved in the software: Bimal O'Neil. \"Save "
        "Confirmed Details\" saves them."};
    QTest::newRow("fetch cancelled half way") << SummaryCase{
        RunMode::Fetch,
        44'600,
        {{"A", "Asha", "Login Success"},
         {"B", "Bimal", "NON Verified Details"},
         {"C", "Chitra", "Login Success"},
         {"D", "Dev", ""}},
        6,
        {},
        "Fetch from the portal stopped after 45 s: 3 of 6 clients processed \u2014 2 \u00d7 Login "
        "Success, 1 \u00d7 NON Verified Details, 3 \u00d7 not processed."};
    QTest::newRow("a confirmation in a fetch run that was saved") << SummaryCase{
        RunMode::Fetch,
        3'900'000,
        {{"A", "Asha", Confirmed}},
        1,
        {"B"},
        "Fetch from the portal finished in 1 h 05 min: 1 client \u2014 1 \u00d7 Validate Contact "
        "Success."};
    QTest::newRow("nothing selected") << SummaryCase{
        RunMode::Update, 3, {{"A", "Asha", ""}}, 0, {}, "Update on the portal finished in 0 s: 0 clients."};
  }
  void summary() {
    QFETCH(SummaryCase, c);
    grid::FlexGridModel clients;
    clients.setCols(col::Count);
    clients.setRows(HeaderRows);
    clients.setFixedRows(HeaderRows);
    for (const Client& client : c.clients) {
      const int r = clients.Rows();
      clients.setRows(r + 1);
      clients.setTextMatrix(r, col::PartyCode, client.code);
      clients.setTextMatrix(r, col::PartyName, client.name);
      clients.setTextMatrix(r, col::ImportLogs, client.outcome);
    }
    RunSummaryInput input{c.mode, c.elapsedMs, c.selected,
                          QSet<QString>(c.unsavedCodes.begin(), c.unsavedCodes.end())};
    QCOMPARE(SummariseRun(clients, input).text, QString(c.text));
  }
};

QTEST_MAIN(TestRunSummary)
#include "tst_run_summary.moc"
