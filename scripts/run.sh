#!/usr/bin/env bash
# README command 1: installs what is missing, builds, and runs Kestrel on the embedded default
# store (a SQLite file in the suite home, created with demo clients on first run).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" run
"$root/scripts/build.sh" "$root/build"
exec "$root/build/bin/kestrel" "$@"
