#!/usr/bin/env bash
# Prepares the tests' private wine prefix, once per build folder: no display, no downloads.
set -euo pipefail
export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$WINEPREFIX/.kv27-prepared" ] && exit 0
wineboot -i
# Wine's null display driver lets the host create its hidden window with no X server.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
wineserver -w
touch "$WINEPREFIX/.kv27-prepared"
