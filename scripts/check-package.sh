#!/usr/bin/env bash
# Checks of what `make package` and `make install` ship, cheap enough for every test run.
# Usage: scripts/check-package.sh <build folder> <check>
#   contents  the .deb holds the program, udev rule, desktop entry, icon, metainfo, docs
#   udev      the rule's syntax (udevadm verify where it exists, a strict pattern otherwise)
#   desktop   Exec names the installed program; desktop-file-validate, appstreamcli validate
# Exit 77: the tool a check needs is not installed (ctest reports it as skipped).
set -euo pipefail
build=$(cd "$1" && pwd)
check=$2
src=$(cd "$(dirname "$0")/.." && pwd)
app_id=io.github.stormedge.DspPanel
rule=$src/packaging/70-stormedge-dv80max.rules
skip() { echo "skipped: $*"; exit 77; }

case $check in
contents)
  command -v dpkg-deb >/dev/null && command -v cpack >/dev/null || skip "dpkg-deb or cpack missing"
  out=$(mktemp -d)
  trap 'rm -rf "$out"' EXIT
  (cd "$build" && cpack -G DEB -B "$out" >/dev/null)
  deb=$(ls "$out"/*.deb)
  listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
  status=0
  for f in ./usr/bin/stormedge-dsp ./usr/lib/udev/rules.d/70-stormedge-dv80max.rules \
           ./usr/share/applications/$app_id.desktop \
           ./usr/share/icons/hicolor/scalable/apps/$app_id.svg \
           ./usr/share/metainfo/$app_id.metainfo.xml ./usr/share/man/man1/stormedge-dsp.1.gz \
           ./usr/share/doc/stormedge-dsp/copyright ./usr/share/doc/stormedge-dsp/changelog.gz; do
    grep -qxF "$f" <<<"$listing" || { echo "missing from the package: $f"; status=1; }
  done
  # The demo, tests and build leftovers stay out.
  if grep -E 'demo|_tests|\.a$|/include/' <<<"$listing"; then echo "unexpected files"; status=1; fi
  depends=$(dpkg-deb -f "$deb" Depends)
  for d in libhidapi-hidraw0 libudev1 fonts-wqy-microhei; do
    grep -q "$d" <<<"$depends" || { echo "Depends lacks $d: $depends"; status=1; }
  done
  echo "$(basename "$deb"): $(wc -l <<<"$listing") entries, Depends: $depends"
  exit $status
  ;;
udev)
  if command -v udevadm >/dev/null && udevadm verify --help >/dev/null 2>&1; then
    udevadm verify "$rule"
    exit
  fi
  # No udevadm verify (systemd < 253): every rule line is KEY[{attr}]OP"value" pairs joined
  # by ", ", with known keys and operators; the unit's ids and uaccess are there.
  status=0
  key='(SUBSYSTEMS?|KERNEL|ACTION|DRIVERS?|ATTRS?\{[A-Za-z_]+\}|ENV\{[A-Za-z_]+\}|TAG|MODE|GROUP|OWNER)'
  pair="$key(==|!=|=|\\+=|-=|:=)\"[^\"]*\""
  while IFS= read -r line; do
    [[ -z $line || $line == \#* ]] && continue
    grep -qE "^$pair(, $pair)*\$" <<<"$line" || { echo "bad rule line: $line"; status=1; }
  done <"$rule"
  for need in 'SUBSYSTEM=="hidraw"' 'ATTRS{idVendor}=="0483"' 'ATTRS{idProduct}=="5750"' \
              'TAG+="uaccess"'; do
    grep -qF "$need" "$rule" || { echo "rule lacks $need"; status=1; }
  done
  echo "udevadm verify not available: pattern check $([ $status = 0 ] && echo passed)"
  exit $status
  ;;
desktop)
  desktop=$src/packaging/$app_id.desktop
  exec_line=$(grep -m1 '^Exec=' "$desktop" | cut -d= -f2-)
  program=${exec_line%% *}
  [ "$program" = stormedge-dsp ] || { echo "Exec runs '$program', not stormedge-dsp"; exit 1; }
  grep -q 'install(TARGETS stormedge-dsp RUNTIME DESTINATION bin)' "$src/cmake/QtTargets.cmake" ||
    { echo "stormedge-dsp is not installed to bin"; exit 1; }
  ran=0
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop"
    ran=1
  fi
  if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net --pedantic "$src/packaging/$app_id.metainfo.xml"
    ran=1
  fi
  [ $ran = 1 ] || skip "Exec checked; desktop-file-validate and appstreamcli not installed"
  ;;
*)
  echo "unknown check $check" >&2
  exit 2
  ;;
esac
