#!/usr/bin/env bash
# Benchmark smoke run, as CI does it: builds the benchmark programs (preset x64, build/x64
# unless a build folder is given) and runs each once on small inputs, so they keep compiling
# and running. Nothing is timed or compared; a step fails only when a program fails.
# Ends with the line "N passed, N failed".
#
# Usage: bash scripts/bench-humo.sh [BUILD_DIR]
# Environment: ORVEX_JOBS (parallel build jobs, default 2).
set -uo pipefail

raiz=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$raiz" || exit 1
build=${1:-build/x64}
pasadas=0
fallidas=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

paso() {  # paso NAME COMMAND...
  local nombre=$1; shift
  echo "==> $nombre"
  if "$@"; then
    pasadas=$((pasadas + 1))
  else
    echo "--- $nombre FAILED"
    fallidas=$((fallidas + 1))
  fi
}

if [[ ! -f $build/CMakeCache.txt ]]; then
  cmake --preset x64 -B "$build" >/dev/null || { echo "0 passed, 1 failed"; exit 1; }
fi
# Without Google Benchmark the build folder has no benchmark targets: nothing to run.
# (the list is taken whole first: grep -q closing the pipe early would fail it under pipefail)
objetivos=$(cmake --build "$build" --target help 2>/dev/null)
if ! grep -q 'orvex_benchmarks' <<<"$objetivos"; then
  echo "bench-humo: no benchmark targets in $build (Google Benchmark, libbenchmark-dev, missing)"
  echo "0 passed, 0 failed"
  exit 0
fi
if ! cmake --build "$build" --target orvex_benchmarks -j "${ORVEX_JOBS:-2}" >/dev/null; then
  echo "--- build of the benchmarks FAILED"
  echo "0 passed, 1 failed"
  exit 1
fi

# A benchmark that reports an error still exits 0: look for its mark as well.
rapido() {
  "$@" 2>&1 | tee "$tmp/rapido.log"
  (( PIPESTATUS[0] == 0 )) && ! grep -q 'ERROR OCCURRED' "$tmp/rapido.log"
}

bin=$build/bench
paso "orvex_bench --rapido" rapido "$bin/orvex_bench" --rapido
paso "orvex_bench_generar mensaje" "$bin/orvex_bench_generar" mensaje "$tmp/m.eml" 0.2
paso "orvex_bench_partes" "$bin/orvex_bench_partes" "$tmp/m.eml"
mkdir -p "$tmp/store"
paso "orvex_bench_generar almacen" "$bin/orvex_bench_generar" almacen "$tmp/store" 50
paso "bench/escaneo" "$raiz/bench/escaneo" --mensajes 20 --build "$build"
echo "$pasadas passed, $fallidas failed"
(( fallidas == 0 ))
