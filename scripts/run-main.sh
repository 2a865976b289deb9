#!/usr/bin/env bash
# The main job on the bundled sample: until the import and calculation commands land, generate
# the sample province (if the build has not) and describe it with arbelio-batch.
set -euo pipefail
BUILD=${1:-build}
BATCH="$BUILD/arbelio-batch"
MUESTRA="$BUILD/samples/47"

if [ ! -f "$MUESTRA/Piesma47.dbf" ]; then
  "$BATCH" sample --out "$MUESTRA" --province 47 --plots 150 --seed 47
fi

echo "== Provincia de muestra 47 (Valladolid, datos sintéticos) en $MUESTRA"
echo
"$BATCH" info "$MUESTRA/Datest47.dbf" --rows 0 | sed -n "1,4p"
echo
echo "== Parcelas, pies mayores, pies menores, árboles tipo y matorral"
for t in Datest47 Piesma47 Piesme47 Tiposx47 Matorr47; do
  printf '%-10s ' "$t"
  "$BATCH" sql "$MUESTRA" "SELECT Count(ESTADILLO) AS N FROM $t" --csv | tail -1
done
echo
echo "== Pies mayores por especie"
"$BATCH" sql "$MUESTRA" "SELECT ESPECIE, Count(NUMORDEN) AS Pies, Avg(DIAMETRO1) AS D1_medio_mm, Avg(ALTURA) AS H_media_m FROM Piesma47 GROUP BY ESPECIE ORDER BY ESPECIE"
echo
echo "== Primeras parcelas"
"$BATCH" sql "$MUESTRA" "SELECT PROVINCIA, ESTADILLO, HOJA, COORDEX, COORDEY, MUNICI FROM Datest47 WHERE ESTADILLO<=8 ORDER BY ESTADILLO"
