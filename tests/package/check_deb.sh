#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root (no container, no dpkg database),
# checks what it holds, runs the unpacked program on a fresh home until its notice shows and its
# main window says it runs on demo data, and has lintian look at the package (errors fail).
#   tests/package/check_deb.sh <build folder>
set -euo pipefail
build=$(cd "$1" && pwd)

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

cmake --build "$build" --target deb >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
deb="$build/package/kestrel_${version}_${arch}.deb"
[ -f "$deb" ] || { echo "FAIL: no $deb" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root="$scratch/root"
dpkg-deb -x "$deb" "$root"

# The control fields: the project's version, the libraries found by dpkg-shlibdeps and what Qt
# loads at run time.
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version $(dpkg-deb -f "$deb" Version), not $version"
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libqt6core6 libqt6widgets6 libqt6network6 libqt6sql6 libcurl4 libgmime-3.0-0 libxlsxwriter4 \
  libqt6sql6-sqlite libqt6sql6-mysql fonts-wine; do
  grep -qE "(^|, )$dep( |,|\$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no Maintainer"

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
libdir="usr/lib/$multiarch/kestrel"
expected=(
  usr/bin/kestrel usr/bin/kestrel-seed usr/bin/kestrel-demo usr/bin/kestrel-demo-portal
  usr/bin/kestrel-demo-hosting usr/libexec/kestrel/kestrel-portal-sim usr/libexec/kestrel/kestrel-hosting-sim
  "$libdir/libkestrel.so.$version" "$libdir/libvelbase.so" "$libdir/libkestrel_grid.so"
  "$libdir/libkestrel_portal_login.so" "$libdir/libkestrel_web_session.so"
  "$libdir/libkestrel_mailbox_reader.so" "$libdir/libkestrel_spreadsheet.so"
  usr/share/applications/kestrel.desktop usr/share/icons/hicolor/scalable/apps/kestrel.svg
  usr/share/icons/hicolor/48x48/apps/kestrel.png usr/share/icons/hicolor/256x256/apps/kestrel.png
  usr/share/man/man1/kestrel.1.gz usr/share/man/man1/kestrel-seed.1.gz usr/share/man/man1/kestrel-demo.1.gz
  usr/share/doc/kestrel/copyright usr/share/doc/kestrel/changelog.gz
)
[ -f "$build/HTMLHelp/ITR_Help.pdf" ] && expected+=(usr/share/kestrel/HTMLHelp/ITR_Help.pdf)
for f in "${expected[@]}"; do
  [ -e "$root/$f" ] || fail "the package lacks /$f"
done
# Nothing of the build: no headers, no development links, no test programs.
unwanted=$(cd "$root" && find . \( -name '*.h' -o -name 'tst_*' -o -name '*.a' -o -type l -name 'lib*.so' \) -print)
[ -z "$unwanted" ] || fail "the package holds files of the build: $unwanted"

# Installed binaries find their libraries relative to themselves, never in the build folder.
while IFS= read -r -d '' elf; do
  file -b "$elf" | grep -q '^ELF' || continue
  path=$(readelf -d "$elf" | sed -n 's/.*(\(RPATH\|RUNPATH\)).*\[\(.*\)\]/\2/p')
  case "$path" in
    '$ORIGIN' | '$ORIGIN/'*) ;;
    *) fail "${elf#"$root"} searches libraries in '$path'" ;;
  esac
done < <(find "$root/usr/bin" "$root/usr/libexec" "$root/$libdir" -type f -print0)

desktop-file-validate "$root/usr/share/applications/kestrel.desktop" || fail "the desktop entry does not validate"
[ "$(file -b --mime-type "$root/usr/share/icons/hicolor/48x48/apps/kestrel.png")" = image/png ] ||
  fail "the 48x48 icon is no PNG"
man_warnings=$(zcat "$root/usr/share/man/man1/kestrel.1.gz" | LC_ALL=C.UTF-8 MANWIDTH=80 groff -man -Tutf8 -ww -z 2>&1)
[ -z "$man_warnings" ] || fail "kestrel(1): $man_warnings"

# The unpacked program, on the system's Qt, with a home of its own.
kestrel="$root/usr/bin/kestrel"
"$kestrel" --version | grep -qx "Kestrel $version" || fail "kestrel --version: $("$kestrel" --version 2>&1)"
home="$scratch/home"
mkdir -p "$home"
out="$scratch/kestrel.out"
# A display of its own: the notice is found by its caption, Enter continues to the main window.
env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u KESTREL_SUITE_HOME -u KESTREL_STORE HOME="$home" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s '-screen 0 1280x800x24' bash -c '
    "$1" >"$2" 2>&1 &
    pid=$!
    trap "kill $pid 2>/dev/null; wait $pid 2>/dev/null" EXIT
    notice=$(timeout 60 xdotool search --sync --name "Bulk Contact Detail Verification" | head -n 1)
    [ -n "$notice" ] || { echo "the notice did not show" >>"$2"; exit 1; }
    xdotool windowfocus --sync "$notice" key Return
    timeout 60 xdotool search --sync --name "Updation.*\\(demo data\\)" >/dev/null ||
      { echo "no main window marked demo data" >>"$2"; exit 1; }' _ "$kestrel" "$out" ||
  fail "the unpacked kestrel on a fresh home: $(cat "$out")"
grep -q "(demo data)" "$out" || fail "kestrel did not say it runs on demo data: $(cat "$out")"
db="$home/.local/share/Velmar/Data/Velmar.db"
[ "$(sqlite3 "$db" 'SELECT COUNT(*) FROM OnlineRegInfo WHERE AsYr=0' 2>/dev/null)" -gt 0 ] 2>/dev/null ||
  fail "no demo clients in $db"
if [ -f "$build/HTMLHelp/ITR_Help.pdf" ]; then
  [ "$(readlink -f "$home/.local/share/Velmar/HTMLHelp")" = "$root/usr/share/kestrel/HTMLHelp" ] ||
    fail "the suite home's HTMLHelp does not lead to the unpacked manual"
fi

# lintian: errors fail, warnings are shown.
lintian_out=$(lintian --no-cfg --display-info "$deb" 2>&1) || true
echo "$lintian_out"
if grep -q '^E: ' <<<"$lintian_out"; then fail "lintian reports errors"; fi

[ "$failures" -eq 0 ] || exit 1
echo "kestrel_${version}_${arch}.deb: $(dpkg-deb -c "$deb" | wc -l) entries, all checks passed"
