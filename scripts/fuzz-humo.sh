#!/usr/bin/env bash
# Fuzz smoke run, as CI does it: builds the libFuzzer targets with clang (preset "fuzz",
# build/fuzz), writes the seed corpora (adding the real sample stores when they are there),
# replays the inputs kept under pruebas/regresion/, then runs each target for a bounded time
# with a fixed seed. Any crash, hang or memory finding fails the run; its input is printed in
# base64 so that it can be kept as a regression input once fixed. The last line is
# "N passed, N failed", one count per target.
#
# Usage: bash scripts/fuzz-humo.sh [-t SECONDS] [TARGET...]
#   -t SECONDS  fuzzing time per target (default 30)
#   TARGET      only these targets (default: all, as fuzz/CMakeLists.txt lists them)
# Environment: ORVEX_JOBS (parallel build jobs, default 2), ORVEX_MUESTRAS (sample stores,
# default ../shared/muestras beside the repository), TMPDIR (work folder, default /dev/shm).
set -uo pipefail

raiz=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$raiz" || exit 1
segundos=30
if [[ "${1:-}" == "-t" ]]; then
  segundos=$2
  shift 2
fi
todos=(codecs analizador mensaje registro rutas dbx_carpetas dbx_mensajes dbx_guardado
       oe4_carpetas oe4_mensajes oe4_sublist oe4_grupo imn_mensajes recuperacion
       dbx_reescritura oe4_reescritura oe4_grupo_reescritura imn_reescritura)
# The hive source is built only where hivex is (64-bit Linux with libhivex-dev).
[[ -e /usr/include/hivex.h ]] && todos+=(colmena)
objetivos=("$@")
(( ${#objetivos[@]} )) || objetivos=("${todos[@]}")

declare -A diccionario=(
  [codecs]=codecs.dict [analizador]=mime.dict [mensaje]=mime.dict [registro]=registro.dict
  [dbx_carpetas]=dbx.dict [dbx_mensajes]=dbx.dict [dbx_guardado]=mime.dict
  [oe4_carpetas]=almacenes_antiguos.dict [oe4_mensajes]=almacenes_antiguos.dict
  [oe4_sublist]=almacenes_antiguos.dict [oe4_grupo]=almacenes_antiguos.dict
  [imn_mensajes]=almacenes_antiguos.dict [recuperacion]=dbx.dict [dbx_reescritura]=dbx.dict
  [oe4_reescritura]=almacenes_antiguos.dict [oe4_grupo_reescritura]=almacenes_antiguos.dict
  [imn_reescritura]=almacenes_antiguos.dict)

if ! command -v clang++ >/dev/null; then
  echo "fuzz-humo: clang++ is not installed (apt-get install clang libclang-rt-14-dev)" >&2
  exit 1
fi

echo "==> configure and build build/fuzz"
cmake --preset fuzz >/dev/null || exit 1
cmake --build build/fuzz --target fuzz -j "${ORVEX_JOBS:-2}" || exit 1
bin=$raiz/build/fuzz/fuzz

base=${TMPDIR:-/dev/shm}
[[ -d "$base" && -w "$base" ]] || base=/tmp
trabajo=$(mktemp -d "$base/orvex-fuzz-humo.XXXXXX") || exit 1
trap 'rm -rf "$trabajo"' EXIT
export TMPDIR=$trabajo

"$bin/fuzz_semillas" "$trabajo/semillas" "${objetivos[@]}" || exit 1
# Real sample stores join the seeds at run time; the repository never holds copies.
muestras=${ORVEX_MUESTRAS:-$raiz/../shared/muestras}
if [[ -d "$muestras" ]]; then
  while IFS= read -r -d '' f; do
    n=$(basename "$f")
    # The recovery scanners take every sample mail file as it is.
    case "${n,,}" in
      *.dbx|*.mbx) [[ -d "$trabajo/semillas/recuperacion" ]] &&
                   cp "$f" "$trabajo/semillas/recuperacion/muestra_$(basename "$(dirname "$f")")_$n" ;;
    esac
    case "${n,,}" in
      folders.dbx) destino=dbx_carpetas ;;
      *.dbx) destino=dbx_mensajes ;;
      *) continue ;;
    esac
    [[ -d "$trabajo/semillas/$destino" ]] && cp "$f" "$trabajo/semillas/$destino/muestra_$(basename "$(dirname "$f")")_$n"
    # The rewrite target takes a message file behind its 6-byte request: first message, every
    # part renamed.
    if [[ $destino == dbx_mensajes && -d "$trabajo/semillas/dbx_reescritura" ]]; then
      { printf '\0\125\125\125\125\0'; cat "$f"; } >"$trabajo/semillas/dbx_reescritura/muestra_$(basename "$(dirname "$f")")_$n"
    fi
  done < <(find "$muestras" -type f -print0)
fi

pasados=0
fallos=0
informe=()
for t in "${objetivos[@]}"; do
  programa=$bin/fuzz_$t
  if [[ ! -x "$programa" ]]; then
    echo "fuzz-humo: no program for target $t" >&2
    fallos=$((fallos + 1))
    continue
  fi
  log=$trabajo/$t.log
  mkdir -p "$trabajo/corpus/$t" "$trabajo/hallazgos/$t"
  # Kept inputs first: each must run clean.
  guardadas=()
  if [[ -d pruebas/regresion/$t ]]; then
    while IFS= read -r -d '' f; do guardadas+=("$f"); done < <(find "pruebas/regresion/$t" -type f -print0 | sort -z)
  fi
  if (( ${#guardadas[@]} )) && ! "$programa" -rss_limit_mb=2048 -timeout=10 "${guardadas[@]}" >"$log" 2>&1; then
    echo "--- $t: a kept regression input fails:"
    tail -n 40 "$log"
    informe+=("$(printf '%-22s FAILED  kept input' "$t")")
    fallos=$((fallos + 1))
    continue
  fi
  opciones=(-seed=1 -max_total_time="$segundos" -rss_limit_mb=2048 -timeout=10
            -artifact_prefix="$trabajo/hallazgos/$t/" -print_final_stats=1)
  [[ -n "${diccionario[$t]:-}" ]] && opciones+=(-dict="$raiz/fuzz/${diccionario[$t]}")
  echo "==> $t: ${segundos}s"
  if "$programa" "${opciones[@]}" "$trabajo/corpus/$t" "$trabajo/semillas/$t" >"$log" 2>&1; then
    ejecuciones=$(grep -m1 -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$')
    cobertura=$(grep -E '^#[0-9]+' "$log" | tail -n 1 | grep -oE 'cov: [0-9]+' | grep -oE '[0-9]+')
    informe+=("$(printf '%-22s ok      %s runs, %s edges' "$t" "${ejecuciones:-?}" "${cobertura:-?}")")
    pasados=$((pasados + 1))
  else
    echo "--- $t FAILED:"
    # The write-back targets say in one line what they found before they abort.
    grep -E 'ERROR|SUMMARY|outside its fence|listed other messages|#[0-9]+ 0x[0-9a-f]+ in ' "$log" | head -n 30
    for h in "$trabajo/hallazgos/$t"/*; do
      [[ -f "$h" ]] || continue
      echo "input $(basename "$h") (base64):"
      # Whole, so that it replays: libFuzzer keeps its inputs well under this.
      base64 -w 0 "$h" | head -c 262144
      echo
    done
    informe+=("$(printf '%-22s FAILED  see the log above' "$t")")
    fallos=$((fallos + 1))
  fi
done

echo
echo "==================== fuzz smoke summary ===================="
printf '%s\n' "${informe[@]}"
# The last line is what scripts/pruebas.sh adds to its totals: one count per target.
echo "$pasados passed, $fallos failed"
(( fallos == 0 ))
