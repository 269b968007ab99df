#!/usr/bin/env bash
# Builds the Debian package with CPack, unpacks it into a scratch folder and checks what it
# installs and what its control file says.
set -euo pipefail

cpack=$1 config=$2 package=$3 version=$4 app_id=$5

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail()
{
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if ! "$cpack" --config "$config" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log" >&2
    exit 1
fi
debs=("$scratch"/out/*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "FAIL: cpack made ${#debs[@]} packages" >&2; exit 1; }
deb=${debs[0]}
echo "Built $(basename "$deb")"

root=$scratch/root
dpkg-deb -x "$deb" "$root"

expected="./usr/bin/$package
./usr/share/applications/$app_id.desktop
./usr/share/icons/hicolor/scalable/apps/$app_id.svg
./usr/share/metainfo/$app_id.metainfo.xml"
actual=$(cd "$root" && find . ! -type d | sort)
[ "$actual" = "$expected" ] || fail "the package holds"$'\n'"$actual"$'\n'"instead of"$'\n'"$expected"

program=$root/usr/bin/$package
[ -x "$program" ] || fail "$package is not executable"
if readelf -S "$program" | grep -q '\.debug_info'; then
    fail "$package still carries its debugging information"
fi

desktop=$root/usr/share/applications/$app_id.desktop
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ -x "$root/usr/bin/${exec_line%% *}" ] || fail "the launcher runs '$exec_line', which the package lacks"
[ "$(sed -n 's/^Icon=//p' "$desktop")" = "$app_id" ] || fail "the launcher's icon is not $app_id"
appstreamcli validate-tree --no-net "$root" >"$scratch/tree.log" 2>&1 ||
    fail "the installed metadata does not validate:"$'\n'"$(cat "$scratch/tree.log")"

field()
{
    dpkg-deb --field "$deb" "$1"
}
[ "$(field Package)" = "$package" ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)'"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] ||
    fail "Architecture is '$(field Architecture)'"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
grep -q '<.*@.*>' <<<"$(field Maintainer)" || fail "Maintainer '$(field Maintainer)' has no address"
[ -n "$(field Description)" ] || fail "Description is empty"

# Depends names exactly the packages that hold the libraries the program links, each at least
# at the version whose symbols it uses: what dpkg-shlibdeps works out, not a list kept by hand.
# Beside them, the Qt it was built with, exactly: the program uses Qt's private interface, which
# changes with every version.
depends=$(field Depends)
qt_abi="qt6-base-abi (= $(dpkg-query -W -f='${Version}' libqt6gui6 | sed 's/[+-].*//'))"
grep -Fq "$qt_abi" <<<"$depends" || fail "Depends does not name $qt_abi"
depends=$(tr ',' '\n' <<<"$depends" | sed 's/^ *//' | grep -Fvx "$qt_abi" | paste -sd,)
echo "Depends: $depends"
needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
[ -n "$needed" ] || fail "$package links no shared libraries"
# Only the host architecture's copy: a machine may carry 32-bit copies of the same libraries too.
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
owners=$(for soname in $needed; do
    dpkg-query -S "*/$multiarch/$soname" | head -n 1 | cut -d: -f1
done | sort -u)
named=$(tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//' | sort -u)
[ "$named" = "$owners" ] || fail "Depends names"$'\n'"$named"$'\n'"but the program links libraries of"$'\n'"$owners"
while IFS= read -r dependency; do
    grep -Eq '^[a-z0-9.+-]+ \(>= [^)]+\)$' <<<"$dependency" || fail "'$dependency' has no least version"
done < <(tr ',' '\n' <<<"$depends" | sed 's/^ *//')

[ "$failures" -eq 0 ] || exit 1
echo "The package is sound"
