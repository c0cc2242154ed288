#!/bin/sh
# The Windows installer under Wine: made by cpack -G NSIS as a release makes
# it, installed silently, the installed terminal front end started where
# there is no data tree (it upgrades a simulated interface with the texts of
# the user's data folder, seeded from the install), then uninstalled: the
# install folder, the Start-menu entry and the uninstall entry go.
#
#   installer_test.sh WINE_RUN WINE_PREFIX BUILD_DIR SOURCE_DIR
set -u
run=$1 prefix=$2 build=$3 source=$4
passed=0 failed=0
check() {  # check WHAT COMMAND...
  what=$1
  shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what"; fi
}
finish() {
  echo "installer: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit $?
}

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
folder='C:\QuorrelInstallTest'
installed=$prefix/drive_c/QuorrelInstallTest
rm -rf "$installed"

(cd "$build" && cpack -G NSIS -B "$work/package") >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
set -- "$work"/package/quorrel-upgrade-*-win64.exe
check "the installer is named quorrel-upgrade-<version>-win64.exe" test -f "$1"
installer=$1
echo "installer: $(basename "$installer"), $(wc -c <"$installer") bytes"

"$run" "$installer" /S "/D=$folder"
check "the installer ends with status 0" test $? -eq 0
for file in quorrel-upgrade.exe quorrel-upgrade-wizard.exe quorrel-sim.exe PATCH.TXT Lang/1033.txt Lang/1042.txt \
            Lang/1031.txt README.txt Uninstall.exe; do
  check "installed $file" test -f "$installed/$file"
done
check "installed the image folders" test -d "$installed/Image/Apex" -a -d "$installed/Image/Tern"
links() { find "$prefix/drive_c" -name 'Quorrel Upgrade Wizard.lnk' 2>/dev/null; }
check "a Start-menu entry for the window" test -n "$(links)"

# Started where there is no data tree: the user's data folder serves.
(cd "$work" && "$run" "$folder\\quorrel-upgrade.exe" --port sim:model=Apex,serial=QRA1234567 \
  --image "Z:$(echo "$source/data/Image/Apex/QRA0203.mbl" | tr / '\\')" --lang 1033) >"$work/run.log" 2>&1
status=$?
check "the installed quorrel-upgrade upgrades the simulated interface (status $status)" test $status -eq 0
[ $status -eq 0 ] || cat "$work/run.log"
check "the user's data folder was seeded from the install" \
  test -n "$(find "$prefix/drive_c/users" -path '*Quorrel Upgrade/Lang/1033.txt' 2>/dev/null)"

"$run" "$installed/Uninstall.exe" /S
# The uninstaller runs on from a copy of itself, and ends after its caller.
tries=0
while [ -e "$installed" ] && [ $tries -lt 120 ]; do sleep 0.5; tries=$((tries + 1)); done
check "the uninstaller takes the install folder away" test ! -e "$installed"
check "the uninstaller takes the Start-menu entry away" test -z "$(links)"
"$run" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorrel Upgrade' >/dev/null 2>&1
check "the uninstaller takes its uninstall entry away" test $? -ne 0
finish
