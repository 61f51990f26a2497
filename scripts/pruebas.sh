#!/usr/bin/env bash
# The whole test run, as CI does it: install what is missing, then build every preset once
# and run its tests (x64, x64-asan, i686 under qemu-i386), cross-build Orvex.dll, check
# what the shipped libraries export, and install and remove the Debian package. Ends with
# the line "N passed, N failed" and exits non-zero when anything failed.
#
# Usage: bash scripts/pruebas.sh [--limpio] [PRESET...]
#   --limpio   remove the presets' build folders first (a from-scratch build)
#   PRESET     run only these of x64 x64-asan i686 mingw-i686 (default: all of them, then
#              the suites of scripts/pruebas-windows.sh and scripts/fuzz-humo.sh if present)
# Environment: ORVEX_JOBS (parallel jobs, default 2), ORVEX_MUESTRAS (sample stores, default
# ../shared/muestras beside the repository; their tests skip when it is absent).
set -uo pipefail

raiz=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$raiz" || exit 1
trabajos=${ORVEX_JOBS:-2}
registros=$raiz/build/registros

limpio=0
presets=()
for a in "$@"; do
  case "$a" in
    --limpio) limpio=1 ;;
    x64 | x64-asan | i686 | mingw-i686) presets+=("$a") ;;
    *) echo "usage: $0 [--limpio] [x64|x64-asan|i686|mingw-i686]..." >&2; exit 2 ;;
  esac
done
completo=0
if (( ${#presets[@]} == 0 )); then
  presets=(x64 x64-asan i686 mingw-i686)
  completo=1
fi
quiere() { local p; for p in "${presets[@]}"; do [[ "$p" == "$1" ]] && return 0; done; return 1; }

if (( limpio )); then
  for p in "${presets[@]}"; do rm -rf "build/$p"; done
fi
mkdir -p "$registros"

inicio=$SECONDS
tabla=()          # one summary line per step
pasos_fallidos=0
pruebas_pasadas=0
pruebas_fallidas=0
pruebas_omitidas=0

anota() {  # anota NAME STATUS SECONDS [DETAIL]
  tabla+=("$(printf '%-22s %-7s %5ss  %s' "$1" "$2" "$3" "${4:-}")")
}

# paso NAME COMMAND...: runs a step into its log; shows the log's end when it fails.
paso() {
  local nombre=$1; shift
  local log=$registros/$nombre.log t0=$SECONDS
  echo "==> $nombre"
  if "$@" >"$log" 2>&1; then
    anota "$nombre" ok $((SECONDS - t0))
    return 0
  fi
  echo "--- $nombre FAILED (log: $log):"
  if (( $(wc -l <"$log") > 70 )); then
    grep -m 40 -E 'error|Error|FAILED|FAIL:' "$log"
    echo "[...]"
    tail -n 30 "$log"
  else
    cat "$log"
  fi
  anota "$nombre" FAILED $((SECONDS - t0)) "log: build/registros/$nombre.log"
  pasos_fallidos=$((pasos_fallidos + 1))
  return 1
}

# pruebas PRESET: runs the preset's tests live and adds up CTest's own counts.
pruebas() {
  local p=$1 log=$registros/$1-test.log t0=$SECONDS rc
  echo "==> $p: test"
  # Backstop against a hung emulator; CTest's per-test timeouts normally fire first.
  timeout -k 30 3600 ctest --preset "$p" 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  local total=0 fallidas=0 omitidas
  if [[ $(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1) =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    fallidas=${BASH_REMATCH[1]}
    total=${BASH_REMATCH[2]}
  fi
  omitidas=$(grep -cE '^[[:space:]]+[0-9]+ - .* \((Skipped|Disabled)\)$' "$log")
  local pasadas=$((total - fallidas - omitidas))
  pruebas_pasadas=$((pruebas_pasadas + pasadas))
  pruebas_fallidas=$((pruebas_fallidas + fallidas))
  pruebas_omitidas=$((pruebas_omitidas + omitidas))
  local detalle="$pasadas passed, $fallidas failed, $omitidas skipped"
  if (( rc != 0 && fallidas == 0 )); then
    # CTest failed without a failing test (no summary, timeout): count the step itself.
    anota "$p: test" FAILED $((SECONDS - t0)) "ctest exit $rc; $detalle"
    pasos_fallidos=$((pasos_fallidos + 1))
  elif (( fallidas > 0 )); then
    anota "$p: test" FAILED $((SECONDS - t0)) "$detalle"
  else
    anota "$p: test" ok $((SECONDS - t0)) "$detalle"
  fi
}

echo "Orvex tests: presets ${presets[*]}, $trabajos jobs, $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC')"
muestras=${ORVEX_MUESTRAS:-$raiz/../shared/muestras}
if [[ -d "$muestras" ]]; then
  echo "sample stores: $(cd "$muestras" && pwd)"
else
  echo "sample stores: none at $muestras (their tests skip)"
fi

paso dependencias bash scripts/instalar-dependencias.sh
paso capas bash scripts/capas.sh

for p in x64 x64-asan i686; do
  quiere "$p" || continue
  if paso "$p-configure" cmake --preset "$p"; then
    # -k 0: build everything that compiles, so one broken unit costs only its own tests
    # (CTest reports a program that was not built as a failed test).
    paso "$p-build" cmake --build --preset "$p" -j "$trabajos" -- -k 0
    pruebas "$p"
  fi
done

if quiere i686; then
  paso verificar-so-i686 bash scripts/verificar-so.sh build/i686
fi
if quiere x64; then
  paso verificar-so-x64 bash scripts/verificar-so.sh build/x64
  # cmake --install, hosts of the installed library, the Debian package installed and removed.
  paso paquete bash scripts/verificar-paquete.sh build/x64
fi

if quiere mingw-i686; then
  if paso mingw-i686-configure cmake --preset mingw-i686; then
    paso mingw-i686-build cmake --build --preset mingw-i686 -j "$trabajos" &&
      paso verificar-dll bash scripts/verificar-dll.sh
  fi
fi

# ---- Hooks: suites that live in their own scripts, run when the script is there. Their
# ---- output shows as they run. A last line "N passed, N failed" adds to the totals;
# ---- otherwise a non-zero exit counts as one failed step.
#   scripts/pruebas-windows.sh  the test suite and a Windows host under Wine (mingw-x64)
#   scripts/fuzz-humo.sh        fuzz smoke runs: the libFuzzer targets, briefly each
gancho() {
  local nombre=$1 guion=$2 log=$registros/$1.log t0=$SECONDS rc
  echo "==> $nombre ($guion)"
  bash "$guion" 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  if [[ $(tail -n 1 "$log") =~ ^([0-9]+)\ passed,\ ([0-9]+)\ failed$ ]]; then
    local pasadas=${BASH_REMATCH[1]} fallidas=${BASH_REMATCH[2]}
    pruebas_pasadas=$((pruebas_pasadas + pasadas))
    pruebas_fallidas=$((pruebas_fallidas + fallidas))
    if (( rc == 0 )); then
      anota "$nombre" ok $((SECONDS - t0)) "$pasadas passed, $fallidas failed"
      return
    fi
    anota "$nombre" FAILED $((SECONDS - t0)) "$pasadas passed, $fallidas failed; exit $rc"
    (( fallidas > 0 )) || pasos_fallidos=$((pasos_fallidos + 1))
  elif (( rc == 0 )); then
    anota "$nombre" ok $((SECONDS - t0)) "$(tail -n 1 "$log")"
  else
    anota "$nombre" FAILED $((SECONDS - t0)) "exit $rc; log: build/registros/$nombre.log"
    pasos_fallidos=$((pasos_fallidos + 1))
  fi
}
if [[ -f scripts/pruebas-windows.sh ]] && (( completo )); then
  gancho windows scripts/pruebas-windows.sh
fi
if [[ -f scripts/fuzz-humo.sh ]] && (( completo )); then
  gancho fuzz-humo scripts/fuzz-humo.sh
fi
if [[ -f scripts/bench-humo.sh ]] && (( completo )); then
  gancho bench-humo scripts/bench-humo.sh
fi

total=$((SECONDS - inicio))
echo
echo "==================== Orvex test summary ===================="
printf '%s\n' "${tabla[@]}"
echo "------------------------------------------------------------"
echo "tests: $pruebas_pasadas passed, $pruebas_fallidas failed, $pruebas_omitidas skipped"
echo "other steps failed: $pasos_fallidos (each counts as one failure below)"
printf 'total time: %dm%02ds\n' $((total / 60)) $((total % 60))
fallidos=$((pruebas_fallidas + pasos_fallidos))
echo "$pruebas_pasadas passed, $fallidos failed"
(( fallidos == 0 ))
