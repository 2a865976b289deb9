#!/usr/bin/env bash
# The core (everything under src/ but the windows, the *Qt glue and src/app) must not include Qt.
set -euo pipefail
cd "$(dirname "$0")/.."
bad=0
while IFS= read -r f; do
  base=$(basename "$f")
  stem=${base%.*}
  case "$stem" in
    Form* | MDIPrincipal* | *Qt) continue ;;
  esac
  case "$f" in
    src/app/*) continue ;;
  esac
  if grep -nE '^\s*#\s*include\s*[<"](Q[A-Za-z]+|Qt[A-Za-z]*/)' "$f"; then
    echo "el núcleo incluye Qt: $f"
    bad=1
  fi
done < <(find src -name '*.cpp' -o -name '*.h')
exit $bad
