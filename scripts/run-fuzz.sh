#!/usr/bin/env bash
# Runs each libFuzzer target for a while with a seed corpus; crashes land in fuzz/findings/.
set -euo pipefail
BUILD=${1:-build-fuzz}
SECONDS_EACH=${2:-120}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$ROOT/fuzz/findings" "$ROOT/fuzz/corpus-sql" "$ROOT/fuzz/corpus-dbf"
# Seeds: the statements the program issues, and a few small tables.
i=0
while IFS= read -r line; do
  [ -n "$line" ] && printf '%s' "$line" > "$ROOT/fuzz/corpus-sql/seed$((i++))"
done < "$ROOT/fuzz/seeds-sql.txt"
/usr/bin/python3 - "$ROOT/fuzz/corpus-dbf" <<'PY'
import sys, dbf, datetime, os
out = sys.argv[1]
tablas = [('a', 'nombre C(10); num N(6,2); fecha D; vivo L', 'db3'),
         ('b', 'nombre C(10); nota M', 'db3'),
         ('c', 'x N(4,0); y F(8,3); m M', 'fp')]
for name, campos, kind in tablas:
    p = os.path.join(out, name + '.dbf')
    t = dbf.Table(p, campos, dbf_type=kind)
    t.open(dbf.READ_WRITE)
    for i in range(3):
        t.append()
    t.close()
PY
cd "$ROOT/fuzz/findings"
"$ROOT/$BUILD/fuzz_dbf" -max_total_time="$SECONDS_EACH" -max_len=4096 -rss_limit_mb=2048 \
  "$ROOT/fuzz/corpus-dbf" 2>&1 | tail -5
"$ROOT/$BUILD/fuzz_sql" -max_total_time="$SECONDS_EACH" -max_len=512 -rss_limit_mb=2048 \
  "$ROOT/fuzz/corpus-sql" 2>&1 | tail -5
