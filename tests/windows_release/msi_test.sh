#!/usr/bin/env bash
# Installs the Windows installer under wine64 as a user would, silently, into a fresh wine prefix of
# its own, so that the other wine tests' prefix stays as it was: a copy of one made once per build
# folder, since making one takes minutes where 32-bit wine is set up too. It must install the
# zip's files for the user, a Start-menu shortcut that starts the program, and one entry in the
# list of installed programs with name, version, publisher and icon; a build of it with a higher
# version must replace it in place, an older one must be refused, and uninstalling must leave
# nothing behind.
#   msi_test.sh <wine64> <msi> <zip> <window probe> <scratch folder> <cmake> <installer recipe>
#               <wine prefix maker>
set -euo pipefail
wine64=$1 msi=$2 zip=$3 probe=$4 scratch=$5 cmake=$6 recipe=$7 prepare=$8
"$prepare" "$scratch-prefix" >&2
# Wine would copy the shortcut into the desktop's own menu, outside the prefix.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# On the Windows platform, as a user runs it; wine's null display driver stands in for a screen.
unset QT_QPA_PLATFORM
fail() {
    echo "$*" >&2
    exit 1
}
# Every wine program as a 64-bit one; wine's output ends its lines with carriage returns.
wine() { "$wine64" "$@" | tr -d '\r'; }

rm -rf "$scratch"
mkdir -p "$scratch"
cp -a "$scratch-prefix" "$scratch/prefix"
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null || true' EXIT
(cd "$scratch" && "$cmake" -E tar xf "$zip")
files=$scratch/$(basename "$zip" .zip)
msiextract -C "$scratch/msi" "$msi" >/dev/null
diff -r "$files" "$scratch/msi/Programs/KV27 Exerciser" >&2 ||
    fail "The installer's files are not the zip's"

users=$WINEPREFIX/drive_c/users
profile() { (cd "$users" && find . ! -path '*/AppData/Roaming/Microsoft/Installer*' | sort); }
before=$(profile)

uninstallKey='Software\Microsoft\Windows\CurrentVersion\Uninstall'
# The entries in the list of installed programs, one product code a line.
entries() { wine uninstaller --list | cut -d'|' -f1; }
# One value of the product's entry, wherever wine keeps it.
entry() {
    for root in HKCU HKLM; do
        wine reg query "$root\\$uninstallKey\\$1" /v "$2" 2>/dev/null | sed -n "s/^ *$2 *REG_SZ *//p" |
            grep . && return
    done
}
version() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductVersion\t//p'; }

# Installs the package and checks the one entry and the files it leaves; prints the product code.
installed() {
    wine msiexec /i "$(wine winepath -w "$1")" /qn || fail "Installing $1 failed"
    local code
    code=$(entries)
    [ "$(wc -l <<<"$code")" -eq 1 ] || fail "Not one installed program but: $code"
    for expected in "DisplayName=KV27 Exerciser" "DisplayVersion=$(version "$1")" \
        "Publisher=KV27 Exerciser developers"; do
        [ "$(entry "$code" "${expected%%=*}")" = "${expected#*=}" ] ||
            fail "The entry's ${expected%%=*} is not \"${expected#*=}\""
    done
    # Registered for this user, with the program's icon.
    icon=$(wine reg query 'HKCU\Software\Microsoft\Installer\Products' /s |
        sed -n 's/^ *ProductIcon *REG_SZ *//p')
    cmp -s "$(wine winepath -u "$icon")" "$(dirname "$recipe")/../data/kv27-exerciser.ico" ||
        fail "The entry has not the program's icon: $icon"
    diff -r "$files" "$users"/*/AppData/Local/Programs/KV27\ Exerciser >&2 ||
        fail "The installed files are not the zip's"
    echo "$code"
}

first=$(installed "$msi")
shortcut=$(echo "$users"/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/KV27\ Exerciser.lnk)
[ -f "$shortcut" ] || fail "No shortcut in the Start menu"
details=$(strings "$shortcut" && strings -e l "$shortcut")
grep -q 'AppData\\Local\\Programs\\KV27 Exerciser\\kv27-exerciser.exe$' <<<"$details" ||
    fail "The shortcut does not start the installed program"
grep -q '\\kv27_exerciser.ico$' <<<"$details" || fail "The shortcut has not the program's icon"

# Started from the Start menu, the installed program shows its window.
"$wine64" start /unix "$shortcut" >/dev/null 2>&1
wine "$probe" "KV27 Exerciser" || fail "The installed program showed no window"
wineserver -k 2>/dev/null || true
wineserver -w

# A newer build replaces it, in place: one entry, of the new version.
current=$(version "$msi")
next=${current%.*}.$((${current##*.} + 1))
"$cmake" -D KV27_STAGE="$scratch/msi/Programs/KV27 Exerciser" -D KV27_MSI="$scratch/upgrade.msi" \
    -D KV27_MSI_VERSION="$next" -P "$recipe"
second=$(installed "$scratch/upgrade.msi")
[ "$second" != "$first" ] || fail "The newer build has the older one's product code"
[ -f "$shortcut" ] || fail "The newer build left no shortcut"
# The older one does not replace the newer.
! wine msiexec /i "$(wine winepath -w "$msi")" /qn || fail "The older build replaced the newer one"
[ "$(entries)" = "$second" ] || fail "The older build changed what is installed"

wine msiexec /x "$(wine winepath -w "$scratch/upgrade.msi")" /qn || fail "Uninstalling failed"
[ -z "$(entries)" ] || fail "Still listed after uninstalling: $(entries)"
! wine reg query 'HKCU\Software\KV27 Exerciser' >/dev/null 2>&1 ||
    fail "The user's registry keeps the installer's value"
wineserver -w
diff -u --label "before installing" --label "after uninstalling" <(echo "$before") <(profile) >&2 ||
    fail "Uninstalling left files or folders behind"
