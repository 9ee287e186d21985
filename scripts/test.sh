#!/usr/bin/env bash
# README command 2: installs what is missing, checks the formatting and the include graph,
# builds with warnings as errors, starts a private MariaDB server and a private Dovecot POP3
# server on 127.0.0.1, runs every test (on SQLite and on MariaDB), fuzzes the JSON reader, and
# stops both servers again, also when something fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-test"
port=${KESTREL_TEST_MYSQL_PORT:-33306}
pop3_port=${KESTREL_TEST_POP3_PORT:-33110}
pop3s_port=${KESTREL_TEST_POP3S_PORT:-33995}

"$root/scripts/deps.sh" test

# Fail fast: formatting of every source file, and no include pointing up the layers.
find "$root" \( -path "$root/build*" -o -path "$root/.git" \) -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0 |
  xargs -0 clang-format --dry-run -Werror
"$root/scripts/include_graph.sh" >/dev/null

db_dir="$build/mariadb"
# Dovecot's mail and login processes do not run as root: its folder lies where they can reach it.
tmp_root=${TMPDIR:-/tmp}
if [ $((8#$(stat -c %a "$tmp_root") & 1)) -eq 0 ]; then tmp_root=/var/tmp; fi
mail_dir="$tmp_root/kestrel-test-dovecot-$pop3_port"
mkdir -p "$build"
stop_services() {
  "$root/scripts/mariadb.sh" stop "$db_dir" || true
  "$root/scripts/dovecot.sh" stop "$mail_dir" || true
}
trap stop_services EXIT
conn=$("$root/scripts/mariadb.sh" start "$db_dir" "$port" | tail -n 1)
echo "MariaDB test server: ${conn%%:*}://…@127.0.0.1:$port"
"$root/scripts/dovecot.sh" start "$mail_dir" "$pop3_port" "$pop3s_port" >/dev/null
echo "Dovecot test server: POP3 127.0.0.1:$pop3_port, POP3S 127.0.0.1:$pop3s_port, in $mail_dir"

"$root/scripts/build.sh" "$build" -DKESTREL_WERROR=ON -DKESTREL_TEST_MYSQL="$conn" \
  -DKESTREL_TEST_DOVECOT="$mail_dir" -DKESTREL_TEST_POP3_PORT="$pop3_port" -DKESTREL_TEST_POP3S_PORT="$pop3s_port"

status=0
(cd "$build" && ctest --output-on-failure --timeout 600) || status=1
"$root/scripts/fuzz.sh" "${KESTREL_FUZZ_SECONDS:-60}" || status=1
exit $status
