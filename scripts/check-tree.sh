#!/usr/bin/env bash
# House rules on the source tree: formatting, SDL/ImGui/xmp/ENet only inside platform/, and every
# dependency pointing down the layers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
status=0
leaks=$(git ls-files '*.h' '*.cpp' | grep -v '^platform/' | xargs -r grep -nE '#include *[<"](SDL|imgui|backends/imgui|xmp|enet/)' || true)
if [ -n "$leaks" ]; then
  echo "SDL, ImGui, xmp or ENet headers outside platform/:" >&2
  echo "$leaks" >&2
  status=1
fi
# The layers, top to bottom: a folder includes only its own headers and those of the folders
# listed after it. The records (game/records.h) are what everything shares: gfx/ and audio/,
# below the rules, read them too.
allowed() {
  case $1 in
    app) echo "net replay settings game gfx audio resources platform" ;;
    net) echo "replay game gfx audio resources platform" ;;
    replay) echo "game gfx audio resources platform" ;;
    settings) echo "game gfx audio resources platform" ;;
    game) echo "gfx audio resources platform" ;;
    gfx | audio) echo "resources platform game/records.h" ;;
    resources) echo "platform" ;;
    platform) echo "" ;;
  esac
}
for folder in app net replay settings game gfx audio resources platform; do
  ok=" $(allowed $folder) "
  while IFS=: read -r file line include; do
    [ -n "$file" ] || continue
    target=${include#*\"}
    target=${target%%\"*}
    top=${target%%/*}
    [ -d "$top" ] || continue # a system or library header
    case "$top" in "$folder") continue ;; esac
    case "$ok" in *" $top "* | *" $target "*) continue ;; esac
    echo "$file:$line: $folder/ must not include $target (a layer above it, or beside it)" >&2
    status=1
  done < <(git ls-files "$folder/*.h" "$folder/*.cpp" | xargs -r grep -nE '^#include *"' || true)
done
files=$(git ls-files '*.h' '*.cpp')
if [ -n "$files" ] && ! clang-format --dry-run --Werror $files >/dev/null 2>&1; then
  echo "clang-format finds differences; run: clang-format -i \$(git ls-files '*.h' '*.cpp')" >&2
  clang-format --dry-run $files 2>&1 | head -20 >&2
  status=1
fi
exit $status
