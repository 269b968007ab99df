#!/usr/bin/env bash
# Prepares a wine prefix and starts the session that the tests in it share: its server, kept
# running until the tests' cleanup ends it with "wineserver -k", and the system's own programs
# (the desktop, the services), started here by the given program, with nowhere to write. Started
# by a test instead, they would hold that test's output open, and the test unfinished in ctest's
# eyes, for as long as the session lasts.
#   start_wine_session.sh <wine prefix> <a Windows program that makes a window and uses COM>
set -euo pipefail
"$(dirname "$0")/prepare_wine_prefix.sh" "$1"
export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec </dev/null >/dev/null 2>&1
wineserver -k || true
wineserver -p
wine "$2" || true
