#!/usr/bin/env bash
# Builds the Debian package from BUILD, unpacks it into a scratch root and
# checks what a user gets: the programs run, the man page and the desktop
# entry are clean, the dependencies are declared.
# usage: check.sh BUILD SOURCE VERSION
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
version=$3

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tesmora-install.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# The package and cpack's staging stay in the scratch folder.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log" >&2; exit 1; }
debs=("$scratch"/pkg/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: no single .deb: ${debs[*]}" >&2; exit 1; }
deb=${debs[0]}
root=$scratch/root
dpkg -x "$deb" "$root"

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tesmora ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
[[ "$(field Maintainer)" == *"<"*"@"*">" ]] || fail "Maintainer is '$(field Maintainer)'"
[ -n "$(field Description)" ] || fail "no Description"
depends=$(field Depends)
for dep in fonts-ipafont-gothic qt6-translations-l10n libqt6widgets6 libqt6svg6 libstdc++6; do
    [[ ", $depends," == *", $dep"[\ ,]* ]] || fail "Depends lacks $dep: $depends"
done

# The files, and where they go.
for f in usr/bin/tesmora usr/bin/tesmora-cli usr/share/applications/tesmora.desktop \
    usr/share/icons/hicolor/scalable/apps/tesmora.svg usr/share/man/man1/tesmora-cli.1.gz; do
    [ -f "$root/$f" ] || fail "$f not in the package"
done
manual=$root/usr/share/tesmora/Manual.pdf
if [ -f "$build/src/app/Manual.pdf" ]; then
    cmp -s "$build/src/app/Manual.pdf" "$manual" || fail "Manual.pdf not packaged"
else
    [ ! -e "$manual" ] || fail "Manual.pdf packaged though the build has none"
fi
for exe in tesmora tesmora-cli; do
    missing=$(ldd "$root/usr/bin/$exe" | grep 'not found' || true)
    [ -z "$missing" ] || fail "$exe lacks libraries: $missing"
done

# The installed batch front end.
cli=$root/usr/bin/tesmora-cli
help=$("$cli" --help)
[[ "$help" == "usage: tesmora-cli COMMAND "* ]] || fail "--help starts: ${help%%$'\n'*}"
[[ "$help" == *$'\n  stats '* ]] || fail "--help lists no stats command"
[ "$("$cli" --version)" = "tesmora-cli $version" ] || fail "--version says '$("$cli" --version)'"
expected="records: 300
most_fields: 7
fewest_fields: 7
longest_line: 185
shortest_line: 99
longest_field: 94
shortest_field: 8"
stats=$("$cli" stats "$src/res/sample/members.csv") || fail "stats exited $?"
[ "$stats" = "$expected" ] || fail "stats printed: $stats"

# The man page: no groff warnings, and every command listed by --help has
# its own section with an example.
page=$scratch/tesmora-cli.1
gzip -dc "$root/usr/share/man/man1/tesmora-cli.1.gz" >"$page"
warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -z -ww "$page" 2>&1)
[ -z "$warnings" ] || fail "groff warnings: $warnings"
commands=$(printf '%s\n' "$help" | sed -n '/^commands:/,/^$/s/^  \([a-z0-9-]*\) .*/\1/p')
[ -n "$commands" ] || fail "no commands in --help"
for c in $commands; do
    roff=${c//-/\\-}
    section=$(awk -v head=".SS $roff " 'index($0, head) == 1 {on = 1; next} /^\.S[SH] / {on = 0} on' \
        "$page")
    [ -n "$section" ] || { fail "man page has no section for $c"; continue; }
    grep -qF "tesmora\\-cli $roff " <<<"$section" || fail "man page has no example of $c"
done

# The desktop entry: valid, and files opened from a file manager reach the
# command line.
entry=$root/usr/share/applications/tesmora.desktop
# Hints are advice only (it lists the program under both Office and Utility).
report=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $report"
report=$(grep -v ': hint: ' <<<"$report" || true)
[ -z "$report" ] || fail "desktop-file-validate: $report"
grep -qx 'Exec=tesmora %F' "$entry" || fail "Exec line: $(grep '^Exec=' "$entry")"
grep -qx 'Name\[ja\]=テスモラ' "$entry" || fail "no Name[ja]"

# Nothing of the package lands in the source or build tree.
stray=$(find "$src" "$build" -maxdepth 2 \( -name '*.deb' -o -name _CPack_Packages \) -print)
[ -z "$stray" ] || fail "package files left behind: $stray"

[ "$failures" -eq 0 ] || exit 1
echo "package $(basename "$deb"): all checks passed"
