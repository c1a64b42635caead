#!/usr/bin/env bash
# Builds the Debian package from the source tree (./dev.sh deb) and checks it
# as Debian would: lintian --pedantic on the upload, where warnings fail too;
# the hardening of each ELF file and no RUNPATH; the Qt ABI it is pinned to;
# AppStream and the desktop entry on the files it installs; and the packaged
# program drawing with its window module where the package puts it.
#
#   check_package.sh SOURCE_DIR WORK_DIR
#
# The build's own tests are left out (nocheck): the test command has just run
# them on the same sources.
set -uo pipefail
source_dir=$(realpath "$1")
work=$(realpath -m "$2")
rm -rf "$work"
mkdir -p "$work"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

DEB_BUILD_OPTIONS="nocheck parallel=$(nproc)" "$source_dir/dev.sh" deb "$work" >"$work/build.log" 2>&1 \
  || { tail -n 60 "$work/build.log"; echo "FAIL: the package did not build"; exit 1; }
shopt -s nullglob
changes=("$work"/vorn_*.changes)
debs=("$work"/vorn_*.deb)
[ ${#changes[@]} -eq 1 ] && [ ${#debs[@]} -eq 1 ] \
  || { echo "FAIL: expected one .changes and one vorn .deb, found ${#changes[@]} and ${#debs[@]}"; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb") $(basename "$work"/vorn-dbgsym_*.deb)"

# Every tag is shown; errors and warnings fail, the rest is listed for review.
lintian --pedantic --info --display-experimental --tag-display-limit 0 --fail-on error,warning "${changes[0]}" \
  >"$work/lintian.log" 2>&1
status=$?
grep -v 'running with root privileges' "$work/lintian.log"
[ "$status" -eq 0 ] || fail "lintian --pedantic found errors or warnings"

tree="$work/tree"
dpkg-deb -x "$deb" "$tree"
triplet=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for needed in usr/bin/vorn "usr/lib/$triplet/vorn/vorn-gui.so" usr/share/man/man1/vorn.1.gz \
              usr/share/doc/vorn/copyright usr/share/doc/vorn/changelog.gz; do
  [ -f "$tree/$needed" ] || fail "the package lacks $needed"
done

# Hardening as dpkg-buildflags gives it, read from hardening-check's report
# (its options differ between releases); control-flow integrity and stack
# clash protection are shown but not required: on Debian 12 even a trivial
# program built with -fcf-protection reads "no" (the start files lack the note).
while IFS= read -r elf; do
  report=$(hardening-check "$elf")
  echo "$report"
  for feature in "Stack protected" "Fortify Source functions" "Read-only relocations" "Immediate binding"; do
    grep -q "^ $feature: yes" <<<"$report" || fail "${elf#"$tree"} lacks $feature"
  done
  grep -qE '^ Position Independent Executable: (yes|no, regular shared library)' <<<"$report" \
    || fail "${elf#"$tree"} is not position independent"
  if readelf -d "$elf" | grep -qE '\((RUNPATH|RPATH)\)'; then
    fail "${elf#"$tree"} carries a RUNPATH: $(readelf -d "$elf" | grep -E 'RUNPATH|RPATH')"
  fi
done < <(find "$tree" -type f -exec sh -c 'file -b "$1" | grep -q "^ELF"' _ {} \; -print)

# The window module includes a private Qt header: the package is bound to the
# Qt it was built against, whatever its soname.
abi=$(dpkg-query -W -f '${Provides}\n' 'libqt6core6*' | grep -oE 'qt6-base-(private-)?abi \(= [^)]*\)' | sort -r | head -n 1)
[ -n "$abi" ] || fail "Qt provides no qt6-base-abi to pin"

dpkg-deb -f "$deb" Depends | grep -qF "$abi" || fail "Depends lacks $abi: $(dpkg-deb -f "$deb" Depends)"

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
logged=$(zcat "$tree/usr/share/doc/vorn/changelog.gz" | dpkg-parsechangelog -l - -S Version)
[ "$version" = "$logged" ] || fail "the package is $version but its changelog names $logged"

[ "$failed" -eq 0 ] && echo "ok: $(basename "$deb")"
exit "$failed"
