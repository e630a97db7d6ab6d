#!/bin/sh
# Peak memory and time of opening native databases, run by hand:
#   bench/open_memory.sh BENCH_DIR WORK_DIR [GAMES]
# BENCH_DIR holds make_pgn and import_pgn (build/release/bench); WORK_DIR
# gets the generated files (about 1.1 KB of PGN and 0.6 KB of database per
# game) and is left for the caller to remove. Prints the peak resident set
# of refusing a 60 MB junk ".gai" beside a 1.8 MB ".gad", then the open
# time and peak of a database of GAMES games (default 1000000), three times.
set -eu
bench=$1
work=$2
games=${3:-1000000}
mkdir -p "$work"
peak() { /usr/bin/time -f "peak %M KB, %e s" "$@" 2>&1 | grep -E "^open|^peak|damaged" || true; }

"$bench/make_pgn" "$work/small.pgn" 3400 7 >/dev/null
"$bench/import_pgn" --db "$work/small.qcx" "$work/small.pgn" >/dev/null
head -c 62914560 /dev/urandom >"$work/small.gai"
echo "junk .gai of 60 MB beside a .gad of $(stat -c %s "$work/small.gad") bytes:"
peak "$bench/import_pgn" --open "$work/small.qcx"

"$bench/make_pgn" "$work/big.pgn" "$games" 7 --players 200000 >/dev/null
"$bench/import_pgn" --db "$work/big.qcx" "$work/big.pgn" >/dev/null
rm -f "$work/big.pgn"
echo "$games games:"
for i in 1 2 3; do peak "$bench/import_pgn" --open "$work/big.qcx"; done
