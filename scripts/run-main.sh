#!/usr/bin/env bash
# The main job on the bundled sample: select province 47 as the window does (building its plot
# summary and species tables), generate the working database and show what it holds.
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
mkdir -p "$HOME_RUN"
"$BATCH" run --db "$MUESTRA/Piesma47.dbf" --home "$HOME_RUN" --out "$SALIDA" 2>/dev/null
echo
echo "== Primeras parcelas del resumen DatDef00 (pies mayores, menores, tipo, matorral, huso)"
"$BATCH" sql "$SALIDA" "SELECT PROVINCIA, ESTADILLO, HOJA, COORDEX, NUMPMA, NumPme, NumTip, NumMat, Huso FROM DatDef00 WHERE ESTADILLO<=8 ORDER BY ESTADILLO"
echo
echo "== Especies de las primeras parcelas (Especi00: pies/ha, m²/ha y porcentajes)"
"$BATCH" sql "$SALIDA" "SELECT ESTADILLO, ESPECIE, NUMPM, AREABASI, PORCENPM, PORCENAB FROM Especi00 WHERE ESTADILLO<=4 ORDER BY ESTADILLO, ESPECIE"
echo
echo "== Pies mayores por especie en la base de datos de trabajo"
"$BATCH" sql "$SALIDA" "SELECT ESPECIE, Count(NUMORDEN) AS Pies, Avg(DIAMETRO1) AS D1_medio_mm, Avg(ALTURA) AS H_media_m FROM Piesma00 GROUP BY ESPECIE ORDER BY ESPECIE"
