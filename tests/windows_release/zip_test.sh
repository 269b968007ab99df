#!/usr/bin/env bash
# Unpacks the Windows zip into a scratch folder, checks that its executables carry their version
# details and which host asks for data execution prevention, and starts its program under wine64 with the test
# control beside the 64-bit host, whose manifest lets it create the control without registration.
# The window must show, the program must still run seconds later and end cleanly when its window
# is closed. Wine's record of the DLLs loaded stays in the scratch folder for the next test.
#   zip_test.sh <wine64> <wine prefix> <zip> <test control folder> <window probe> <scratch folder>
set -euo pipefail
wine64=$1 zip=$3 control=$4 probe=$5 scratch=$6
export WINEPREFIX=$2 WINEDLLOVERRIDES="mscoree,mshtml="
# On the Windows platform, as a user runs it; wine's null display driver stands in for a screen.
unset QT_QPA_PLATFORM

rm -rf "$scratch"
mkdir -p "$scratch"
(cd "$scratch" && cmake -E tar xf "$zip")
folder=$(basename "$zip" .zip)
# Windows shows each executable's product and version in its properties.
version=${folder#*exerciser-}
version=${version%%-*}
for program in kv27-exerciser kv27-control-host64 kv27-control-host32; do
    details=$(strings -e l "$scratch/$folder/$program.exe")
    for expected in "KV27 Exerciser" "$version" "$program.exe"; do
        grep -qxF "$expected" <<<"$details" ||
            { echo "$program.exe carries no version detail \"$expected\"" >&2; exit 1; }
    done
done
# Only the 64-bit host asks for data execution prevention: older 32-bit controls may not survive it.
characteristics() {
    objdump -p "$scratch/$folder/$1" | sed -n '/^DllCharacteristics/,/^SizeOfStackReserve/p'
}
grep -qw NX_COMPAT <<<"$(characteristics kv27-control-host64.exe)" ||
    { echo "kv27-control-host64.exe is not marked NX-compatible" >&2; exit 1; }
! grep -qw NX_COMPAT <<<"$(characteristics kv27-control-host32.exe)" ||
    { echo "kv27-control-host32.exe is marked NX-compatible" >&2; exit 1; }

cp "$control/kv27_test_control.dll" "$control/kv27-control-host64.exe.manifest" "$scratch/$folder"

WINEDEBUG=+loaddll "$wine64" "$scratch/$folder/kv27-exerciser.exe" 2>"$scratch/loaded.log" &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT
WINEDEBUG=-all "$wine64" "$probe" "KV27 Exerciser"
sleep 5
kill -0 $program
WINEDEBUG=-all "$wine64" "$probe" "KV27 Exerciser" close
wait $program
