#!/usr/bin/env bash
# Screenshots of the shell's windows into docs/img/: the main window with the start-up splash,
# the About box and the progress dialog, drawn on a virtual X display (Xvfb). When a window
# manager (openbox) is installed the windows get their title bars; without one they are drawn
# bare.
#   scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
OUT=docs/img
mkdir -p "$OUT"
cmake --build "$BUILD" --target arbelio-capturas >/dev/null
PROGRAMA="$BUILD/arbelio-capturas"

xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash -c '
  set -e
  if command -v openbox >/dev/null; then
    openbox >/dev/null 2>&1 &
    gestor=$!
    sleep 1
  fi
  QT_QPA_PLATFORM=xcb "$1" "$2"
  estado=$?
  if [ -n "${gestor:-}" ]; then kill "$gestor" 2>/dev/null || true; fi
  exit $estado
' capturas "$PROGRAMA" "$OUT"
echo "capturas en $OUT:"
ls -1 "$OUT"/*.png
