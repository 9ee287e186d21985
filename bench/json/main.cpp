// Throughput of ParseJson against nlohmann::json and RapidJSON on the same documents, in one
// run: e-filing profile answers of about 1, 3 and 5 KB and one document of about 1 MB.
//
// Every parser builds its full tree from the same text. Megabytes are counted on the UTF-8
// size of the documents for all parsers. ParseJson works on UTF-16 text, so it is timed twice:
// on a QString prepared beforehand, and including QString::fromUtf8 of the UTF-8 bytes, which
// is what the others start from.

#include "support/json.h"

#include <rapidjson/document.h>
#include <nlohmann/json.hpp>

#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 30;
constexpr double kRoundSeconds = 0.04;

// A generator of profile-like answers: personal details, addresses, contacts, bank accounts,
// filing history and portal messages, with escapes in some texts (slashes in dates and links,
// quotes, line breaks, \u escapes), numbers, Booleans and nulls.
class ProfileGenerator {
 public:
  explicit ProfileGenerator(unsigned seed) : rng_(seed) {}

  std::string profile(size_t target) {
    std::string out;
    add(out, {R"({"pan":")", pan(), R"(","name":{"first":")", pick(kFirst), R"(","middle":")", pick(kMiddle),
              R"(","last":")", pick(kLast), R"("},"dob":"1980-0)", digit(1, 9), "-1", digit(0, 9),
              R"(","status":"Individual","aadhaarLinked":)", boolean(), R"(,"residentialStatus":"RES",)"});
    add(out,
        {R"("address":{"flatNo":")", number(1, 999), R"(","premises":"Shanti Niwas","road":"M.G. Road",)",
         R"("area":")", pick(kArea), R"(","city":")", pick(kCity), R"(","stateCode":)", number(1, 37),
         R"(,"pinCode":)", number(110001, 855999), R"(,"countryCode":91},)"});
    add(out, {R"("contacts":{"primaryMobile":")", mobile(), R"(","primaryMobileBelongsTo":"S",)",
              R"("secondaryMobile":)", coin() ? quoted(mobile()) : "null", R"(,"primaryEmail":")", email(),
              R"(","secondaryEmail":null,"verified":)", boolean(), "},"});
    out += R"("bankAccounts":[)";
    for (int i = 0, n = num(1, 3); i < n; ++i) {
      add(out, {i ? "," : "", R"({"ifsc":"SBIN000)", number(1000, 9999), R"(","accountNo":")",
                number(10000000, 99999999), number(1000, 9999),
                R"(","bank":"State Bank of India","type":"SB","validated":)", boolean(), R"(,"refundOpted":)",
                boolean(), R"(,"balance":)", amount(), "}"});
    }
    out += R"(],"filings":[)";
    for (bool first = true; out.size() + 200 < target; first = false) {
      add(out, {first ? "" : ",",
                R"({"ay":"20)",
                number(10, 25),
                "-",
                number(11, 26),
                R"(","form":"ITR-)",
                digit(1, 4),
                R"(","filedOn":"1)",
                digit(0, 9),
                R"(\/07\/2023","ackNo":)",
                number(100000000, 999999999),
                number(100000, 999999),
                R"(,"income":)",
                amount(),
                R"(,"taxPaid":)",
                amount(),
                R"(,"refund":)",
                coin() ? amount() : "null",
                R"(,"verified":)",
                boolean(),
                R"(,"remark":")",
                remark(),
                R"("})"});
    }
    out +=
        R"(],"portalMessage":"Dear taxpayer,\nyour profile was updated on 12\/03\/2024.\nSee \"My Profile\" )"
        R"(\u2192 Contact Details.","lastLogin":"2024-03-12T10:15:00+05:30"})";
    return out;
  }

 private:
  static constexpr const char* kFirst[] = {"Asha", "Ravi", "Meera", "Suresh", "Anil", "Kavita", "Farhan"};
  static constexpr const char* kMiddle[] = {"K", "", "Prakash", "M", "Lal"};
  static constexpr const char* kLast[] = {"Rao", "Sharma", "Iyer", "Patel", "Khan", "D'Souza"};
  static constexpr const char* kArea[] = {"Andheri (E)", "Koramangala", "Salt Lake", "Banjara Hills"};
  static constexpr const char* kCity[] = {"Mumbai", "Bengaluru", "Kolkata", "Hyderabad", "Pune"};

  static void add(std::string& out, std::initializer_list<std::string_view> parts) {
    for (std::string_view part : parts) out.append(part);
  }
  static std::string quoted(const std::string& s) {
    std::string q = "\"";
    q.append(s);
    q.append("\"");
    return q;
  }

  int num(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  std::string number(int lo, int hi) { return std::to_string(num(lo, hi)); }
  bool coin() { return num(0, 1) == 1; }
  std::string digit(int lo, int hi) { return std::to_string(num(lo, hi)); }
  const char* boolean() { return coin() ? "true" : "false"; }
  template <size_t N>
  const char* pick(const char* const (&list)[N]) {
    return list[size_t(num(0, int(N) - 1))];
  }
  std::string pan() {
    std::string p;
    for (int i = 0; i < 5; ++i) p += char('A' + num(0, 25));
    p.append(number(1000, 9999));
    p += char('A' + num(0, 25));
    return p;
  }
  std::string mobile() {
    std::string m = number(6, 9);
    m.append(number(100000000, 999999999));
    return m;
  }
  std::string email() {
    std::string e = "client";
    e.append(number(1, 99999)).append("@example.in");
    return e;
  }
  std::string amount() {
    std::string a = number(0, 2500000);
    a.append(".").append(number(10, 99));
    return a;
  }
  const char* remark() {
    static constexpr const char* kRemarks[] = {"Processed",
                                               "Refund issued",
                                               R"(Demand u\/s 143(1)(a) raised)",
                                               R"(Defective \"return\" notice)",
                                               "Processed with adjustment",
                                               R"(Rectification u\/s 154)"};
    return pick(kRemarks);
  }

  std::mt19937 rng_;
};

struct Corpus {
  std::vector<std::string> utf8;
  std::vector<QString> utf16;
  size_t bytes = 0;
};

Corpus makeCorpus(size_t target, int count) {
  Corpus c;
  for (int i = 0; i < count; ++i) {
    ProfileGenerator gen(unsigned(target * 131 + size_t(i)));
    c.utf8.push_back(gen.profile(target));
  }
  for (const std::string& s : c.utf8) {
    c.utf16.push_back(QString::fromUtf8(s.data(), qsizetype(s.size())));
    c.bytes += s.size();
  }
  return c;
}

Corpus makeLargeCorpus(size_t target) {
  Corpus c;
  std::string doc = R"({"profiles":[)";
  for (unsigned i = 0; doc.size() < target; ++i) {
    if (i)
      doc += ',';
    doc += ProfileGenerator(i).profile(1000 + 4000 * (i % 3) / 2);
  }
  doc += "]}";
  c.bytes = doc.size();
  c.utf16.push_back(QString::fromUtf8(doc.data(), qsizetype(doc.size())));
  c.utf8.push_back(std::move(doc));
  return c;
}

// Parses the whole corpus repeatedly for about kRoundSeconds; megabytes per second.
double timedRound(const Corpus& c, const std::function<size_t(size_t)>& parseOne, size_t& sink) {
  size_t passes = 0;
  const auto start = Clock::now();
  double seconds = 0;
  do {
    for (size_t i = 0; i < c.utf8.size(); ++i) sink += parseOne(i);
    ++passes;
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
  } while (seconds < kRoundSeconds);
  return double(c.bytes * passes) / seconds / 1e6;
}

void checkSameShape(const Corpus& c) {
  for (size_t i = 0; i < c.utf8.size(); ++i) {
    const kestrel::JsonValue ours = kestrel::ParseJson(c.utf16[i]);
    const nlohmann::json theirs = nlohmann::json::parse(c.utf8[i]);
    if (!kestrel::JsonParseErrors().isEmpty() || size_t(ours.size()) != theirs.size()) {
      std::fprintf(stderr, "document %zu reads differently: %s\n", i, qPrintable(kestrel::JsonParseErrors()));
      std::exit(1);
    }
  }
}

}  // namespace

int main() {
  struct Row {
    const char* name;
    Corpus corpus;
  };
  std::vector<Row> rows;
  rows.push_back({"1 KB", makeCorpus(1024, 16)});
  rows.push_back({"3 KB", makeCorpus(3 * 1024, 16)});
  rows.push_back({"5 KB", makeCorpus(5 * 1024, 16)});
  rows.push_back({"1 MB", makeLargeCorpus(1024 * 1024)});

  std::printf("MB/s on the UTF-8 size; best of %d rounds of %.2f s each, parsers taking turns\n\n", kRounds,
              kRoundSeconds);
  std::printf("%-6s %9s | %12s %14s | %9s %10s | %12s %15s\n", "size", "avg bytes", "ParseJson",
              "ParseJson+conv", "nlohmann", "RapidJSON", "ours/nlohm.", "ours/RapidJSON");
  for (const Row& row : rows) {
    const Corpus& c = row.corpus;
    checkSameShape(c);
    const std::function<size_t(size_t)> parsers[] = {
        [&](size_t i) { return size_t(kestrel::ParseJson(c.utf16[i]).size()); },
        [&](size_t i) {
          const std::string& s = c.utf8[i];
          return size_t(kestrel::ParseJson(QString::fromUtf8(s.data(), qsizetype(s.size()))).size());
        },
        [&](size_t i) { return nlohmann::json::parse(c.utf8[i]).size(); },
        [&](size_t i) {
          rapidjson::Document d;
          d.Parse(c.utf8[i].data(), c.utf8[i].size());
          return size_t(d.MemberCount());
        },
    };
    // The parsers take turns, so a slow spell of the machine hits all of them alike; the best
    // round of each counts.
    double best[4] = {0, 0, 0, 0};
    size_t sink = 0;
    for (int round = 0; round < kRounds; ++round)
      for (int p = 0; p < 4; ++p) best[p] = std::max(best[p], timedRound(c, parsers[p], sink));
    if (sink == 42)
      std::puts("");  // keeps the results alive
    const double ours = best[0], oursConv = best[1], nlohmannRate = best[2], rapid = best[3];
    std::printf("%-6s %9zu | %12.1f %14.1f | %9.1f %10.1f | %5.2f (%4.2f) %8.2f (%4.2f)\n", row.name,
                c.bytes / c.utf8.size(), ours, oursConv, nlohmannRate, rapid, ours / nlohmannRate,
                oursConv / nlohmannRate, ours / rapid, oursConv / rapid);
  }
  std::printf("\nRatios: from a prepared QString, in brackets including the UTF-8 to UTF-16 conversion.\n");
  return 0;
}
