#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

namespace kestrel {
class SqlStore;
}

namespace kestrel::demo {

// A row of Owner1 (an individual client). A null QString is stored as NULL.
struct OwnerRow {
  QString Code, Title, f_Nm, m_Nm, l_nm, FatherNm, Gender, Dob, Pan, Mobile, Email, Address1, City, State,
      Pin, ResStatus;
  static const QStringList& columns();
  QVariantList values() const;
  bool operator==(const OwnerRow&) const = default;
};

// A row of Main_Info1 (a firm, company, trust, HUF or other client).
struct OtherRow {
  QString Code_No, nm, Status, DOI, Pan, Phone4, Email, Address1, City, State, Pin, ContactPerson;
  static const QStringList& columns();
  QVariantList values() const;
  bool operator==(const OtherRow&) const = default;
};

// A row of OnlineRegInfo: the e-filing registration of a client for one assessment year
// (year 0 is the one the module works on).
struct RegRow {
  QString Code_No;
  int AsYr = 0;
  QString EmailID, EmailId1, MobNo, MobNo1, TelNo, LoginPwd, RegStatus;
  static const QStringList& columns();
  QVariantList values() const;
  bool operator==(const RegRow&) const = default;
};

// One demo client: an individual (owner), another client (other), or both under one code,
// with its registration rows (none of year 0 for some).
struct DemoClient {
  std::optional<OwnerRow> owner;
  std::optional<OtherRow> other;
  std::vector<RegRow> registrations;
  bool operator==(const DemoClient&) const = default;
};

// The code of the firm-wide registration row that markers in client rows refer to.
inline constexpr const char* CommonCode = "#?#COMMON#?#";

// Makes demo clients one after another, the same sequence for the same seed. Every shape
// of data the client loader meets occurs early: each choice runs through all its variants
// in its first uses before it is drawn at random with realistic weights, so a hundred
// clients show all of them.
class DemoGenerator {
 public:
  explicit DemoGenerator(quint64 seed);
  ~DemoGenerator();
  DemoGenerator(const DemoGenerator&) = delete;
  DemoGenerator& operator=(const DemoGenerator&) = delete;

  // The firm-wide registration row (Code_No "#?#COMMON#?#", year 0).
  static RegRow commonRow();
  // Client number 1, 2, ... in turn.
  DemoClient next();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

struct SeedSummary {
  int clients = 0;
  int individuals = 0;    // Owner1 rows
  int others = 0;         // Main_Info1 rows
  int inBothTables = 0;   // codes in Owner1 and Main_Info1
  int registrations = 0;  // OnlineRegInfo rows, the common row included
  int withoutYear0 = 0;   // clients with registration rows of other years only
  double seconds = 0;
};

// Creates the suite's tables when missing and fills them with `clients` demo clients and
// the common row, in one transaction. With reset the suite's tables are emptied first;
// without it a store that holds clients already is refused (RuntimeError).
SeedSummary SeedDemoStore(SqlStore& store, int clients, quint64 seed, bool reset);

// The firm's mail domain on the hosting panel simulator, so that the demo's mail window opens on
// it: a WebMailDomain row (the table created with the module's statement when missing), unless
// the table holds a domain already. hostingAddress is the simulator's host and port as the
// user would type it. Returns whether the row was added.
bool SeedDemoMailDomain(SqlStore& store, const QString& hostingAddress, const QString& domain);

// The demo firm's mail domain.
inline constexpr const char* DemoMailDomain = "demo-firm.example.in";

// The hosting panel simulator's address as kestrel-demo and scripts/run.sh start it:
// 127.0.0.1:$KESTREL_HOSTING_PORT, default port 18444.
QString DemoHostingAddress();

// "kestrel-seed: 100000 clients (…) into sqlite:/… in 2.31 s (43290 clients/s)".
QString SummaryLine(const SeedSummary& summary, const QString& where);

}  // namespace kestrel::demo
