#!/usr/bin/env bash
# README command 1: installs what is missing, builds, and runs Kestrel on the embedded default
# store (a SQLite file in the suite home, created with demo clients on first run).
# Unless KESTREL_PORTAL_URL already names a portal, the e-filing portal simulator runs in the
# background on the same store (port KESTREL_PORTAL_PORT, default 18443) while Kestrel runs; the
# PINs it sends for contact updates are printed here. The hosting control panel simulator runs
# beside it (port KESTREL_HOSTING_PORT, default 18444): type its address as the host address in
# the mail window. A private Dovecot POP3 server (KESTREL_POP3_PORT, default 18110, and POP3S on
# KESTREL_POP3S_PORT, default 18995) serves the mailboxes made there, and the portal simulator
# delivers each contact update's PIN mail to the mailbox behind the new e-mail's alias: set up an
# account for that mailbox in the mail window (host 127.0.0.1, port 18110) and read it in the inbox.
# The simulator keeps no pace, so Kestrel's own pauses (10 s before each password, the back-off
# after "Request is not authenticated") run a hundred times faster against it
# (KESTREL_PORTAL_TIME_SCALE, default 0.01 here).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" run
"$root/scripts/build.sh" "$root/build" -DKESTREL_BUILD_TESTS=OFF -DKESTREL_BUILD_BENCH=OFF
bin="$root/build/bin"

# The store the host will use: --store, else KESTREL_STORE, else the suite home's demo store.
store=${KESTREL_STORE:-}
home=${KESTREL_SUITE_HOME:-}
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
  case "${args[i]}" in
    --store=*) store=${args[i]#--store=} ;;
    --store) store=${args[i + 1]:-} ;;
    --suite-home=*) home=${args[i]#--suite-home=} ;;
    --suite-home) home=${args[i + 1]:-} ;;
  esac
done

sim_pid=
hosting_pid=
mail_dir=${TMPDIR:-/tmp}/kestrel-demo-mail
stop_sim() {
  "$root/scripts/dovecot.sh" stop "$mail_dir" >/dev/null 2>&1 || true
  for pid in $sim_pid $hosting_pid; do
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
}
trap stop_sim EXIT

pop3_port=${KESTREL_POP3_PORT:-18110}
pop3s_port=${KESTREL_POP3S_PORT:-18995}
# Without the mail server (ports taken, not root) Kestrel still runs; the inbox has nothing to read.
portal_mail=()
hosting_mail=()
if "$root/scripts/dovecot.sh" start "$mail_dir" "$pop3_port" "$pop3s_port" >/dev/null; then
  portal_mail=(--mail-root "$mail_dir/panel/mail")
  hosting_mail=(--dovecot-passwd "$mail_dir/panel/passwd" --maildir "$mail_dir/panel/mail")
else
  echo "run.sh: the demo mail server did not start (set KESTREL_POP3_PORT and KESTREL_POP3S_PORT" \
    "to free ports); Kestrel runs without it" >&2
fi

if [ -z "${KESTREL_PORTAL_URL:-}" ]; then
  if [ -z "$store" ]; then
    home=${home:-${XDG_DATA_HOME:-$HOME/.local/share}/Velmar}
    db="$home/Data/Velmar.db"
    store="sqlite:$db"
    if [ ! -s "$db" ]; then
      # The same demo clients the host would create on its first run.
      mkdir -p "$home/Data"
      "$bin/kestrel-seed" --store "$store" --clients 250 --seed 1
    fi
  fi
  port=${KESTREL_PORTAL_PORT:-18443}
  "$bin/kestrel-portal-sim" --store "$store" --port "$port" "${portal_mail[@]}" &
  sim_pid=$!
  for _ in $(seq 1 100); do
    if ! kill -0 "$sim_pid" 2>/dev/null; then
      echo "run.sh: the portal simulator did not start (is port $port taken? set KESTREL_PORTAL_PORT)" >&2
      exit 1
    fi
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then break; fi
    sleep 0.1
  done
  export KESTREL_PORTAL_URL="http://127.0.0.1:$port"
  export KESTREL_PORTAL_TIME_SCALE=${KESTREL_PORTAL_TIME_SCALE:-0.01}
fi

hosting_port=${KESTREL_HOSTING_PORT:-18444}
"$bin/kestrel-hosting-sim" --port "$hosting_port" "${hosting_mail[@]}" &
hosting_pid=$!
for _ in $(seq 1 100); do
  if ! kill -0 "$hosting_pid" 2>/dev/null; then
    echo "run.sh: the hosting panel simulator did not start (is port $hosting_port taken? set KESTREL_HOSTING_PORT)" >&2
    exit 1
  fi
  if (exec 3<>"/dev/tcp/127.0.0.1/$hosting_port") 2>/dev/null; then break; fi
  sleep 0.1
done

status=0
"$bin/kestrel" "$@" || status=$?
exit $status
