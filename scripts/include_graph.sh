#!/usr/bin/env bash
# Summarises which folder of src/ includes which, and fails on an include against the layers.
#   scripts/include_graph.sh
# One line per arrow: "from -> to  (number of #include lines)". Folders are the module's
# subsystems (entry, store, register, ...) and each outside component (platform/base, ...).
# Allowed below the module:
#   support         includes nothing outside itself
#   store           includes support
#   platform/<x>    includes support and the module's interface it implements (the headers
#                   listed in `interfaces` below)
# and the module's folders include no outside component but the grid control, which their
# windows use as a widget (the others are reached through their interfaces).
set -euo pipefail
cd "$(dirname "$0")/../src"
# The module's interfaces of the outside components, one per component.
interfaces="store/base_component.h portal/portal_login.h mail/web_session.h mail/mailbox_reader.h
reports/spreadsheet_writer.h"

grep -rn --include='*.cpp' --include='*.h' '^#include "' . |
  awk -F'"' -v interfaces="$interfaces" '
    BEGIN { n = split(interfaces, list, /[ \n]+/); for (i = 1; i <= n; i++) implemented[list[i]] = 1 }
    function folder(path,   p) {
      split(path, p, "/")
      return p[1] == "platform" ? p[1] "/" p[2] : p[1]
    }
    {
      split($1, loc, ":")
      from = folder(substr(loc[1], 3))
      header = $2
      if (header !~ /\//) next  # a header of the same folder
      to = folder(header)
      if (to == from) next
      count[from " -> " to]++
      ok = 1
      if (from == "support") ok = 0
      else if (from == "store") ok = (to == "support")
      else if (from ~ /^platform\//)
        ok = (to == "support" || header in implemented)
      else if (to ~ /^platform\//) ok = (to == "platform/grid")
      if (!ok) bad[++nbad] = loc[1] ":" loc[2] ": " from " includes " header
    }
    END {
      for (arrow in count) printf "%-28s (%d)\n", arrow, count[arrow]
      for (i = 1; i <= nbad; i++) print "include against the layers: " bad[i] > "/dev/stderr"
      exit (nbad > 0)
    }' |
  sort
