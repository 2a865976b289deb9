#!/usr/bin/env bash
# Runs libFuzzer targets one after the other (never at once: the machine is shared), each for
# SECONDS with a seed corpus, and prints the executions, coverage and findings of each.
#   run-fuzz.sh BUILD SECONDS TARGET...
# Seeds: the statements the program issues and other statements of its SQL dialect, the
# sample's tables and the templates (dBASE), the inventory model formulas (equations), and each
# table of a small sample province behind the byte that picks it (whole selections). Crashes,
# hangs and leaks land in fuzz/findings/.
set -euo pipefail
BUILD=${1:-build-fuzz}
SECONDS_EACH=${2:-120}
shift 2 || true
TARGETS=${*:-fuzz_dbf fuzz_sql fuzz_ecuacion fuzz_seleccion}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
B="$ROOT/$BUILD"
mkdir -p "$ROOT/fuzz/findings"
for t in sql dbf ecuacion seleccion; do mkdir -p "$ROOT/fuzz/corpus-$t"; done

i=0
while IFS= read -r line; do
  [ -n "$line" ] && printf '%s' "$line" > "$ROOT/fuzz/corpus-sql/seed$((i++))"
done < "$ROOT/fuzz/seeds-sql.txt"

SEMILLAS=$(mktemp -d)
trap 'rm -rf "$SEMILLAS"' EXIT
"$B/arbelio-batch" sample --out "$SEMILLAS/prov" --province 47 --plots 4 --seed 1 > /dev/null
"$B/arbelio-batch" generar-plantillas "$SEMILLAS/plantillas" > /dev/null
cp "$SEMILLAS"/prov/*.dbf "$SEMILLAS"/plantillas/*.dbf "$ROOT/fuzz/corpus-dbf/"
n=0
for tabla in Datest47 Piesma47 Piesme47 Tiposx47 Matorr47; do
  { printf "\\x$(printf %02x $n)"; cat "$SEMILLAS/prov/$tabla.dbf"; } \
    > "$ROOT/fuzz/corpus-seleccion/$tabla"
  n=$((n + 1))
done
tail -n +4 "$ROOT/data/Modelos.csv" | cut -d, -f2- | while IFS= read -r f; do
  printf '%s' "$f" > "$ROOT/fuzz/corpus-ecuacion/$(printf '%s' "$f" | md5sum | cut -c1-12)"
done
for f in 'a*DN^2' 'a+b*DN^2*HT' 'a*DN^b*HT^c' 'Exp(a+b*Log(DN))' '(DN<30)*a+(DN>30)*b' \
         'Sqr(Abs(a-DN))/Cosec(HT)' 'a\b' '-2^2' 'EGS(1,2,3,4)'; do
  printf '%s' "$f" > "$ROOT/fuzz/corpus-ecuacion/$(printf '%s' "$f" | md5sum | cut -c1-12)"
done

# The harnesses write their tables under TMPDIR: memory, where there is some, so that the
# disk's syncs do not slow every execution down.
FUZZ_TMP=$(mktemp -d -p "$( [ -w /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")")
trap 'rm -rf "$SEMILLAS" "$FUZZ_TMP"' EXIT
export TMPDIR="$FUZZ_TMP"
cd "$ROOT/fuzz/findings"
for t in $TARGETS; do
  corpus="$ROOT/fuzz/corpus-${t#fuzz_}"
  echo "== $t ($SECONDS_EACH s)"
  nice -n 10 "$B/$t" -max_total_time="$SECONDS_EACH" -max_len=65536 -rss_limit_mb=2048 \
    -timeout=20 -print_final_stats=1 -artifact_prefix="$ROOT/fuzz/findings/$t-" "$corpus" \
    > "$ROOT/fuzz/findings/$t.log" 2>&1 || true
  grep -E "^#[0-9]+ +(DONE|INITED)" "$ROOT/fuzz/findings/$t.log" | tail -2 || true
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$ROOT/fuzz/findings/$t.log" || true
  ls "$ROOT/fuzz/findings" | grep -E "^$t-(crash|timeout|leak|oom|slow)" || echo "sin hallazgos"
done
