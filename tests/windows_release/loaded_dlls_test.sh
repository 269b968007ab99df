#!/usr/bin/env bash
# The zip holds exactly the DLLs its program loaded: every DLL loaded that is not wine's own came
# from the program's folder, and every DLL in that folder was loaded. The test control, put there
# by the test, is not the zip's.
#   loaded_dlls_test.sh <scratch folder of zip_test.sh>
set -euo pipefail
scratch=$1
folder=$(cd "$scratch"/kv27-exerciser-*-windows-x64 && pwd)

loaded=$(sed -nE 's/.*Loaded L"(.*)" at [0-9A-Fa-f]+: native$/\1/p' "$scratch/loaded.log" |
    sed 's/\\\\/\//g; s/^Z://' | grep -i '\.dll$' | grep -v -i kv27_test_control.dll | sort -uf)
if outside=$(grep -v -i -F "$folder/" <<<"$loaded"); then
    echo "DLLs loaded from outside the program's folder:"$'\n'"$outside"
    exit 1
fi
diff -u --label "in the zip" --label loaded \
    <(cd "$folder" && find . -iname '*.dll' ! -iname kv27_test_control.dll | cut -c3- |
        tr A-Z a-z | sort) \
    <(cut -c$((${#folder} + 2))- <<<"$loaded" | tr A-Z a-z | sort)
