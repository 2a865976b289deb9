#!/usr/bin/env bash
# The main job on the bundled sample: select province 47 as the window does (building its plot
# summary and species tables), generate the working database, calculate every result table with
# the four volume variables and save them (dBASE and CSV), then show the summary.
set -euo pipefail
BUILD=${1:-build}
BATCH="$BUILD/arbelio-batch"
MUESTRA="$BUILD/samples/47"
SALIDA="$BUILD/run-out"
HOME_RUN="$BUILD/run-home"

if [ ! -f "$MUESTRA/Piesma47.dbf" ]; then
  "$BATCH" sample --out "$MUESTRA" --province 47 --plots 150 --seed 47
fi

echo "== Provincia de muestra 47 (Valladolid, datos sintéticos) en $MUESTRA"
echo
rm -rf "$SALIDA" "$HOME_RUN"
mkdir -p "$HOME_RUN"
"$BATCH" run --db "$MUESTRA/Piesma47.dbf" --home "$HOME_RUN" --out "$SALIDA" --code MU \
  --comment "Muestra sintética de la provincia 47" --csv
echo
echo "== Primeras parcelas (ParcelMU: pies/ha, m²/ha, m³/ha, índices)"
"$BATCH" sql "$SALIDA" "SELECT PROVINCIA, PARCELA, N, AB, Dg, Ho, VCC, HART, REINEKE FROM ParcelMU WHERE PARCELA<=8 ORDER BY PARCELA"
echo
echo "Tablas de resultados (dBASE y CSV) en $SALIDA; base de datos de trabajo en $HOME_RUN/BDTemp"
