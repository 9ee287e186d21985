#!/usr/bin/env bash
# Installs the Debian packages Kestrel needs that are not installed yet.
#   scripts/deps.sh run    what building and running the program needs
#   scripts/deps.sh test   that, plus what the tests, fuzzing and benchmarks need
set -euo pipefail

run_pkgs=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite
          libqt6sql6-mysql libgl-dev sqlite3 fonts-lohit-deva fonts-lohit-taml libcurl4-openssl-dev
          libgmime-3.0-dev libxlsxwriter-dev fonts-wine dovecot-core dovecot-pop3d openssl)
test_pkgs=(mariadb-server mariadb-client clang libclang-rt-14-dev nlohmann-json3-dev rapidjson-dev
           clang-format xvfb xauth python3-openpyxl poppler-utils
           libreoffice-calc-nogui dpkg-dev lintian desktop-file-utils librsvg2-bin file groff-base xdotool)

want=("${run_pkgs[@]}")
[ "${1:-run}" = test ] && want+=("${test_pkgs[@]}")

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # The MariaDB and Dovecot packages must not start system services: the tests run their own.
  if [ ! -e /usr/sbin/policy-rc.d ]; then
    printf '#!/bin/sh\nexit 101\n' > /usr/sbin/policy-rc.d && chmod +x /usr/sbin/policy-rc.d
    trap 'rm -f /usr/sbin/policy-rc.d' EXIT
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
