#!/usr/bin/env bash
# The layers of src/ include only downwards:
#   - src/store includes only store headers (and the standard library, the system, SQLite);
#   - src/inventory includes only store and inventory headers;
#   - src/shell includes none of the subsystems (import, cut, calc, equations, results) nor the
#     application state of src/state that puts their parts together;
#   - nothing outside src/batch and src/app includes batch/ or app/ headers.
set -euo pipefail
cd "$(dirname "$0")/.."
bad=0

# Prints the quoted includes of the files under a folder whose path does not match `permitido`.
incluye() {
  local carpeta=$1 permitido=$2 motivo=$3 salida
  salida=$(grep -rnE '^\s*#\s*include\s*"' "$carpeta" --include='*.h' --include='*.cpp' |
    grep -vE "#\s*include\s*\"($permitido)" || true)
  if [ -n "$salida" ]; then
    echo "$salida"
    echo "capas: $motivo"
    bad=1
  fi
}

incluye src/store 'store/' "src/store solo incluye cabeceras de store"
incluye src/inventory '(store|inventory)/' "src/inventory solo incluye store e inventory"
incluye src/shell '(store|inventory|shell)/' \
  "src/shell no incluye los subsistemas (import, cut, calc, equations, results) ni state"

salida=$(grep -rnE '^\s*#\s*include\s*"(batch|app)/' src --include='*.h' --include='*.cpp' |
  grep -vE '^src/(batch|app)/' || true)
if [ -n "$salida" ]; then
  echo "$salida"
  echo "capas: solo src/batch y src/app incluyen cabeceras de batch/ o app/"
  bad=1
fi
exit $bad
