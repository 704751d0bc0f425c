#!/usr/bin/env bash
# The package as a player gets it: builds it (scripts/package.sh), checks it with lintian and the
# desktop's validators, installs it with apt-get, plays the installed game under Xvfb from an
# empty folder with a fresh home (tests/e2e/installed.sh), checks that nothing installed changed,
# and removes it again. Needs root for apt-get (uses sudo when not root).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TARVEL_BUILD_DIR:-$root/build}
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
appid=io.github.tarvel4.Tarvel4

if dpkg-query -W -f='${Status}' tarvel4 2>/dev/null | grep -q 'install ok installed'; then
  echo "test-package.sh: tarvel4 is installed already; remove it first (apt-get remove tarvel4)" >&2
  exit 1
fi
deb=$("$root/scripts/package.sh" | tail -1)
echo "== $deb"

echo "== lintian"
lintian --display-info "$deb"

# The close-button helper of the end-to-end runs.
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target xclose >/dev/null

echo "== apt-get install"
installed=
remove() {
  if [ -n "$installed" ]; then
    installed=
    $sudo apt-get remove --purge -y -qq tarvel4 >/dev/null
  fi
}
trap remove EXIT
installed=1
$sudo apt-get install -y -qq "$deb" >/dev/null

echo "== validators"
desktop-file-validate /usr/share/applications/$appid.desktop
appstreamcli validate --no-net /usr/share/metainfo/$appid.metainfo.xml

echo "== the installed game"
bash "$root/tests/e2e/installed.sh" /usr/games/tarvel4 "$build/tests/e2e/xclose" "$build/e2e-installed" \
  "$root/tests/e2e"

echo "== dpkg -V"
changed=$(dpkg -V tarvel4)
[ -z "$changed" ] || { echo "installed files changed:" >&2; echo "$changed" >&2; exit 1; }

echo "== apt-get remove"
remove
if dpkg-query -W -f='${Status}' tarvel4 2>/dev/null | grep -q 'install ok installed'; then
  echo "tarvel4 is still installed" >&2
  exit 1
fi
[ ! -e /usr/games/tarvel4 ] && [ ! -e /usr/share/games/tarvel4 ] || { echo "files left after removal" >&2; exit 1; }
echo "package: built, installed, played and removed cleanly"
