#pragma once

#include <QTest>

namespace kestrel::testing {

// One row of a data-driven table, written on one line: row("tag", a, b, c).
template <class... T>
void row(const char* tag, const T&... values) {
  (QTest::newRow(tag) << ... << values);
}

}  // namespace kestrel::testing
