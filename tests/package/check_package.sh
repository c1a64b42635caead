#!/usr/bin/env bash
# Builds the Debian package from a finished build and checks it as Debian
# would: lintian, AppStream on the files it installs, the desktop entry, and
# the changelog's version against the package's. Errors fail; warnings are
# printed and pass.
#
#   check_package.sh BUILD_DIR WORK_DIR
set -uo pipefail
build=$(realpath "$1")
work=$2
rm -rf "$work"
mkdir -p "$work"
work=$(realpath "$work")
failed=0
fail() { echo "FAIL: $*"; failed=1; }

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
shopt -s nullglob
debs=("$work"/vorn_*.deb)
[ ${#debs[@]} -eq 1 ] || { echo "FAIL: expected one package, found ${#debs[@]}"; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb")"

# lintian exits non-zero on errors only (its --fail-on default).
lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v 'running with root privileges' || true
lintian --tag-display-limit 0 "$deb" >/dev/null 2>&1 || fail "lintian reported errors"

tree="$work/tree"
dpkg-deb -x "$deb" "$tree"
for needed in usr/bin/vorn usr/share/man/man1/vorn.1.gz usr/share/doc/vorn/copyright \
              usr/share/doc/vorn/changelog.Debian.gz; do
  [ -f "$tree/$needed" ] || fail "the package lacks $needed"
done

# The packaged program finds its window module where the package puts it.
"$tree/usr/bin/vorn" render --text a -o "$work/drawn.png" >"$work/render.log" 2>&1 \
  || { cat "$work/render.log"; fail "the packaged vorn cannot load its window module"; }

# appstreamcli exits non-zero on warnings too: only its errors fail here.
metainfo=("$tree"/usr/share/metainfo/*.metainfo.xml)
[ ${#metainfo[@]} -eq 1 ] || fail "expected one metainfo file, found ${#metainfo[@]}"
for checked in "${metainfo[@]}"; do
  report=$(appstreamcli validate --no-net "$checked" 2>&1)
  echo "$report"
  grep -q '^E:' <<<"$report" && fail "appstreamcli found errors in $(basename "$checked")"
  id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$checked")
  [ -f "$tree/usr/share/applications/$id.desktop" ] || fail "no desktop entry $id.desktop beside the metainfo"
done
report=$(appstreamcli validate-tree --no-net "$tree" 2>&1)
echo "$report"
grep -q '^E:' <<<"$report" && fail "appstreamcli validate-tree found errors"

for entry in "$tree"/usr/share/applications/*.desktop; do
  desktop-file-validate "$entry" || fail "desktop-file-validate: $(basename "$entry")"
done

version=$(dpkg-deb -f "$deb" Version)
zcat "$tree/usr/share/doc/vorn/changelog.Debian.gz" >"$work/changelog"
logged=$(dpkg-parsechangelog -l "$work/changelog" -S Version)
[ "$version" = "$logged" ] || fail "the package is $version but its changelog names $logged"

[ "$failed" -eq 0 ] && echo "ok: $(basename "$deb")"
exit "$failed"
