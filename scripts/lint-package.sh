#!/usr/bin/env bash
# Builds the Debian package and checks it the way Debian and software centres will:
# lintian on the .deb, appstreamcli on the AppStream metadata, desktop-file-validate on the
# menu entry and man on the manual page. Fails on any error or warning (lintian's and
# appstreamcli's informational notes pass), and when the package, its changelog, the manual
# page and the metadata disagree on the version.
set -euo pipefail
cd "$(dirname "$0")/.."
ZENTREL_EXTRA_PACKAGES="dpkg-dev file lintian appstream desktop-file-utils man-db" scripts/setup.sh program
scripts/package.sh

metainfo=assets/io.github.zentrel.Timer.metainfo.xml
desktop=assets/zentrel-timer.desktop
manpage=docs/zentrel-timer.1
failed=()

deb=$(ls -t build/zentrel-timer_*.deb | head -n 1) # the one just built
version=$(dpkg-deb -f "$deb" Version)

echo "== lintian $deb"
out=$(lintian --info "$deb" 2>&1 | grep -v '^running with root privileges' || true)
echo "$out"
grep -qE '^[EW]: ' <<< "$out" && failed+=(lintian)

echo "== appstreamcli validate --no-net $metainfo"
if ! out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || grep -qE '^[EW]: ' <<< "$out"; then
    failed+=(appstreamcli)
fi
echo "$out"

echo "== desktop-file-validate $desktop"
out=$(desktop-file-validate "$desktop" 2>&1) || failed+=(desktop-file-validate)
echo "${out:-(clean)}"
[[ -z "$out" ]] || failed+=(desktop-file-validate)

echo "== man --warnings -l $manpage"
out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$manpage" 2>&1 >/dev/null) || failed+=(man)
echo "${out:-(clean)}"
[[ -z "$out" ]] || failed+=(man)

echo "== version $version in the changelog, the manual page and the metadata"
changelog=$(dpkg-parsechangelog -l packaging/changelog -S Version)
page=$(sed -n 's/^\.TH .*"zentrel\\-timer \([^"]*\)".*/\1/p' "$manpage")
release=$(grep -o -m1 '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)
echo "changelog $changelog, manual page $page, metadata $release"
for v in "$changelog" "$page" "$release"; do
    [[ "$v" == "$version" ]] || { failed+=(version); break; }
done

if [[ ${#failed[@]} -gt 0 ]]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "All clean."
