#!/usr/bin/env bash
# House rules on the source tree: formatting, and SDL/ImGui/xmp only inside platform/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
status=0
leaks=$(git ls-files '*.h' '*.cpp' | grep -v '^platform/' | xargs -r grep -nE '#include *[<"](SDL|imgui|backends/imgui|xmp)' || true)
if [ -n "$leaks" ]; then
  echo "SDL, ImGui or xmp headers outside platform/:" >&2
  echo "$leaks" >&2
  status=1
fi
files=$(git ls-files '*.h' '*.cpp')
if [ -n "$files" ] && ! clang-format --dry-run --Werror $files >/dev/null 2>&1; then
  echo "clang-format finds differences; run: clang-format -i \$(git ls-files '*.h' '*.cpp')" >&2
  clang-format --dry-run $files 2>&1 | head -20 >&2
  status=1
fi
exit $status
