#!/usr/bin/env bash
# Prepares the tests' private wine prefix, once per build folder and wine set-up: no display, no
# downloads. A prefix made before 32-bit wine came or went is made anew: wine cannot use it.
set -euo pipefail
export WINEPREFIX=${1:?the wine prefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
setup="$(wine --version) 32-bit:$(dpkg-query -W -f='${Version}' wine32:i386 2>/dev/null || true)"
marker=$WINEPREFIX/.kv27-prepared
[ -f "$marker" ] && [ "$(cat "$marker")" = "$setup" ] && exit 0
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
wineboot -i
# Wine's null display driver lets the host create its hidden window with no X server.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
wineserver -w
echo "$setup" >"$marker"
