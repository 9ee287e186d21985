#!/usr/bin/env bash
# README command 2: installs what is missing, checks the formatting and the include graph,
# builds with warnings as errors, starts a private MariaDB server on 127.0.0.1, runs every test
# on SQLite and on MariaDB, fuzzes the JSON reader, and stops the server again, also when
# something fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-test"
port=${KESTREL_TEST_MYSQL_PORT:-33306}

"$root/scripts/deps.sh" test

# Fail fast: formatting of every source file, and no include pointing up the layers.
find "$root" \( -path "$root/build*" -o -path "$root/.git" \) -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0 |
  xargs -0 clang-format --dry-run -Werror
"$root/scripts/include_graph.sh" >/dev/null

db_dir="$build/mariadb"
mkdir -p "$build"
stop_services() { "$root/scripts/mariadb.sh" stop "$db_dir" || true; }
trap stop_services EXIT
conn=$("$root/scripts/mariadb.sh" start "$db_dir" "$port" | tail -n 1)
echo "MariaDB test server: ${conn%%:*}://…@127.0.0.1:$port"

"$root/scripts/build.sh" "$build" -DKESTREL_WERROR=ON -DKESTREL_TEST_MYSQL="$conn"

status=0
(cd "$build" && ctest --output-on-failure --timeout 600) || status=1
"$root/scripts/fuzz.sh" "${KESTREL_FUZZ_SECONDS:-60}" || status=1
exit $status
