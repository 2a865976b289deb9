#!/usr/bin/env bash
# Fails when a tracked or new C++ file is not formatted as .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files --cached --others --exclude-standard '*.cpp' '*.h' 2>/dev/null || true)
[ -z "$files" ] && exit 0
bad=0
for f in $files; do
  [ -f "$f" ] || continue
  if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
    echo "sin formato: $f (make format lo arregla)"
    bad=1
  fi
done
exit $bad
