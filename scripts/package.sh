#!/usr/bin/env bash
# Builds the Debian package tarvel4_VERSION_ARCH.deb. A copy of the tree (the files git knows,
# as they are now) goes to build-deb/; its debian/changelog is written from the version and the
# release date in CMakeLists.txt, and dpkg-buildpackage builds there, so the tree itself stays
# clean. The last line printed is the .deb's path.
#   scripts/package.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${TARVEL_DEB_DIR:-$root/build-deb}
"$root/scripts/install-deps.sh"

version=$(sed -n 's/^project(Tarvel4 VERSION \([0-9][0-9.]*\) .*/\1/p' "$root/CMakeLists.txt")
released=$(sed -n 's/^set(TARVEL_RELEASE_DATE \([0-9-]*\))$/\1/p' "$root/CMakeLists.txt")
if [ -z "$version" ] || [ -z "$released" ]; then
  echo "package.sh: no version or release date in CMakeLists.txt" >&2
  exit 1
fi

src=$out/tarvel4-$version
rm -rf "$out"
mkdir -p "$src"
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  (cd "$root" && git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
    tar --null -T - -cf -) | tar -xf - -C "$src"
else
  (cd "$root" && tar --exclude='./build*' -cf - .) | tar -xf - -C "$src"
fi

maintainer=$(sed -n 's/^Maintainer: //p' "$root/debian/control")
cat >"$src/debian/changelog" <<EOF
tarvel4 ($version) unstable; urgency=medium

  * Tarvel 4 $version.

 -- $maintainer  $(LC_ALL=C date -u -R -d "$released")
EOF

echo "Building tarvel4 $version in $src (log: $out/build.log)"
export DEB_BUILD_OPTIONS="parallel=${TARVEL_JOBS:-$(nproc)} nocheck noddebs ${DEB_BUILD_OPTIONS:-}"
if ! (cd "$src" && dpkg-buildpackage -b -us -uc) >"$out/build.log" 2>&1; then
  tail -60 "$out/build.log" >&2
  echo "package.sh: dpkg-buildpackage failed; the whole log is $out/build.log" >&2
  exit 1
fi
deb=$(ls "$out"/tarvel4_"$version"_*.deb)
echo "$deb"
