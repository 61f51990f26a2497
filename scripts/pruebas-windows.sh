#!/usr/bin/env bash
# The Windows run: the test suite and a Windows host as Windows programs under Wine.
#   1. installs what is missing (mingw-w64 x86-64 and i686, 64-bit Wine);
#   2. creates a fresh Wine prefix under build/mingw-x64 (headless: no X server);
#   3. cross-builds the mingw-x64 preset (x86-64, the Win32 backend) and runs its CTest suite
#      under wine64: the registry of each test is imported with Wine's own regedit;
#   4. runs host_windows.exe, which loads Orvex.dll and resolves the fourteen decorated names
#      (the full store walk is the test HostWindowsTest in step 3), then drives orvex.exe on the
#      demo store (scripts/orvex-exe-wine.sh);
#   5. builds the shipped i686 Orvex.dll, its host and orvex.exe, checks the DLL's exports and imports,
#      and runs the i686 host under 32-bit Wine where the machine can start it, reporting it
#      as skipped (never passed) where it cannot.
# Ends with "N passed, N failed" and exits non-zero when anything failed.
# Usage: bash scripts/pruebas-windows.sh [--conservar-prefijo]
#   --conservar-prefijo   reuse an existing prefix instead of creating a fresh one
# Environment: ORVEX_JOBS (parallel build jobs, default 2).
set -uo pipefail

raiz=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$raiz" || exit 1
trabajos=${ORVEX_JOBS:-2}
registros=$raiz/build/registros
mkdir -p "$registros"

conservar=0
for a in "$@"; do
  case "$a" in
    --conservar-prefijo) conservar=1 ;;
    *) echo "usage: $0 [--conservar-prefijo]" >&2; exit 2 ;;
  esac
done

inicio=$SECONDS
tabla=()
fallidos=0
pasadas=0
anota() { tabla+=("$(printf '%-26s %-8s %5ss  %s' "$1" "$2" "$3" "${4:-}")"); }

# paso NAME COMMAND...: runs a step into its log; shows the log's end when it fails.
paso() {
  local nombre=$1; shift
  local log=$registros/windows-$nombre.log t0=$SECONDS
  echo "==> $nombre"
  if "$@" >"$log" 2>&1; then
    anota "$nombre" ok $((SECONDS - t0))
    return 0
  fi
  echo "--- $nombre FAILED (log: $log):"
  tail -n 40 "$log"
  anota "$nombre" FAILED $((SECONDS - t0)) "log: build/registros/windows-$nombre.log"
  fallidos=$((fallidos + 1))
  return 1
}

# ------------------------------------------------------------------------------ 1. install
instalar() {
  local paquetes=(cmake ninja-build libgtest-dev wine wine64
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686)
  local faltan=() p
  for p in "${paquetes[@]}"; do
    [[ $(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null) == installed ]] || faltan+=("$p")
  done
  if (( ${#faltan[@]} == 0 )); then
    echo "all ${#paquetes[@]} packages already installed"
    return 0
  fi
  if (( EUID != 0 )); then
    echo "missing ${faltan[*]}; run as root" >&2
    return 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  # A mirror in the middle of a sync makes update fail while the cached index still works.
  apt-get update -o DPkg::Lock::Timeout=300 || true
  apt-get install -y --no-install-recommends -o DPkg::Lock::Timeout=300 "${faltan[@]}"
}
paso instalar instalar || { echo "cannot go on without the tools"; exit 1; }

wine64=/usr/lib/wine/wine64
[[ -x $wine64 ]] || wine64=$(command -v wine64 || command -v wine)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=$raiz/build/mingw-x64/wineprefix
export WINELOADER=$wine64

# ------------------------------------------------------------------------------- 2. prefix
prefijo() {
  if (( conservar )) && [[ -f $WINEPREFIX/system.reg ]]; then
    echo "reusing $WINEPREFIX"
  else
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "$wine64" wineboot -i
    # The new prefix's registry reaches the disk when its server ends.
    timeout -k 5 120 wineserver -w
  fi
  # One server and its services for the whole run, started here so that no test process
  # starts them with its own output handles.
  wineserver -p 60
  "$wine64" cmd /c exit 0
  [[ -f $WINEPREFIX/system.reg ]]
}
paso prefijo-wine prefijo

# -------------------------------------------------------------------- 3. the x86-64 suite
objetivos=(orvex host_windows api_test soporte_test mime_test mensaje_test oe5_test oe4_test imn_test registro_archivo_test
  win32_test host_windows_test)
pruebas_x64() {
  local log=$registros/windows-x64-test.log t0=$SECONDS rc total=0 falladas=0
  echo "==> mingw-x64: test"
  # One registry per prefix, shared by every test process: the tests run one at a time.
  # A test that fails is run once more (Wine on a loaded machine has failed one once and never
  # again in many reruns); both runs' output stays in the log, and a second failure counts.
  timeout -k 30 1800 ctest --preset mingw-x64 -j 1 --repeat until-pass:2 --output-on-failure >"$log" 2>&1
  rc=$?
  grep -E '^[[:space:]]*[0-9]+/[0-9]+ Test .*(Failed|Timeout|Not Run)' "$log"
  grep -E '^[[:space:]]+Test +#[0-9]+: .*(Failed|Timeout)' "$log" | sed 's/^/first attempt: /'
  sed -n '/tests passed/,$p' "$log"
  if [[ $(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1) =~ ([0-9]+)\ tests?\ failed\ out\ of\ ([0-9]+) ]]; then
    falladas=${BASH_REMATCH[1]}
    total=${BASH_REMATCH[2]}
  fi
  local omitidas
  omitidas=$(grep -cE '^[[:space:]]+[0-9]+ - .* \((Skipped|Disabled)\)$' "$log")
  local detalle="$((total - falladas - omitidas)) passed, $falladas failed, $omitidas skipped"
  pasadas=$((pasadas + total - falladas - omitidas))
  if (( rc != 0 || total == 0 )); then
    anota "mingw-x64: test" FAILED $((SECONDS - t0)) "$detalle"
    fallidos=$((fallidos + (falladas > 0 ? falladas : 1)))
  else
    anota "mingw-x64: test" ok $((SECONDS - t0)) "$detalle"
  fi
}
if paso mingw-x64-configure cmake --preset mingw-x64 -DORVEX_WINEPREFIX="$WINEPREFIX"; then
  # -k 0: build everything that compiles, so one broken unit costs only its own tests.
  paso mingw-x64-build cmake --build build/mingw-x64 --target "${objetivos[@]}" -j "$trabajos" -- -k 0
  pruebas_x64
  # --------------------------------------------------------------------- 4. the x64 host
  host_x64() {
    # Into a file, not a pipe: Wine's background processes would hold a pipe open.
    local archivo=$registros/windows-host-x64.txt
    "$wine64" build/mingw-x64/pruebas/host/host_windows.exe build/mingw-x64/api/Orvex.dll >"$archivo" 2>&1 || return 1
    cat "$archivo"
    [[ $(grep -c '^export _OE_' "$archivo") == 14 ]]
  }
  paso host-windows-x64 host_x64 && pasadas=$((pasadas + 1))
  # ------------------------------------------------------------- orvex.exe on the demo store
  orvex_exe() {
    cmake --build build/mingw-x64 --target orvex_cli orvex_demo -j "$trabajos" || return 1
    bash scripts/orvex-exe-wine.sh build/mingw-x64 "$wine64"
  }
  paso orvex-exe-x64 orvex_exe && pasadas=$((pasadas + 1))
fi

# ------------------------------------------------------------------------------ 5. i686
i686() {
  local host=build/mingw-i686/pruebas/host/host_windows.exe salida rc razon
  cmake --preset mingw-i686 >/dev/null || return 1
  cmake --build build/mingw-i686 --target orvex host_windows orvex_cli -j "$trabajos" || return 1
  bash scripts/verificar-dll.sh build/mingw-i686/api/Orvex.dll || return 1
  # 32-bit Windows code needs 32-bit Wine (wine32); without it Wine cannot start the program
  # and says why only on its error channel (and may still exit 0): keep Wine's errors here.
  env -u WINEDEBUG timeout -k 5 60 wine "$host" build/mingw-i686/api/Orvex.dll >"$registros/windows-host-i686.txt" 2>&1
  rc=$?
  salida=$(cat "$registros/windows-host-i686.txt")
  echo "$salida"
  if grep -qE '^export _OE_' <<<"$salida"; then
    # It started: from here on it is a real run, and it must pass.
    (( rc == 0 )) && [[ $(grep -c '^export _OE_' <<<"$salida") == 14 ]] && grep -q '^version ' <<<"$salida" ||
      return 1
    # And the suite as 32-bit Windows programs, as the x86-64 one runs above.
    cmake --preset mingw-i686 -B build/mingw-i686-wine -DORVEX_PRUEBAS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      "-DCMAKE_CROSSCOMPILING_EMULATOR=/usr/bin/env;WINEPREFIX=$WINEPREFIX;WINEDEBUG=-all;wine" >/dev/null &&
      cmake --build build/mingw-i686-wine --target "${objetivos[@]}" -j "$trabajos" &&
      ctest --test-dir build/mingw-i686-wine -j 1 --timeout 300 --output-on-failure \
        -E '^MensajesOe5FechaTest\.FechaEnHoraLocal$'
    return
  fi
  razon=$(grep -m 1 -E 'wine32 is missing|syswow64|c0000135|Exec format' <<<"$salida" || head -n 1 <<<"$salida")
  echo "SKIPPED: 32-bit Wine cannot start on this machine: $razon"
  return 3
}
t0=$SECONDS
echo "==> i686: Orvex.dll, its host under 32-bit Wine"
i686 >"$registros/windows-i686.log" 2>&1
rc=$?
case $rc in
  0) anota "i686: dll + host" ok $((SECONDS - t0)); pasadas=$((pasadas + 1)) ;;
  3) anota "i686: dll" ok $((SECONDS - t0)) "exports and imports checked"
     anota "i686: host under Wine" skipped 0 "32-bit Wine cannot start on this machine"
     grep -m 1 '^SKIPPED' "$registros/windows-i686.log" ;;
  *) anota "i686: dll + host" FAILED $((SECONDS - t0)) "log: build/registros/windows-i686.log"
     tail -n 30 "$registros/windows-i686.log"
     fallidos=$((fallidos + 1)) ;;
esac

wineserver -k 2>/dev/null || true

total=$((SECONDS - inicio))
echo
echo "==================== Orvex Windows summary ===================="
printf '%s\n' "${tabla[@]}"
printf 'total time: %dm%02ds\n' $((total / 60)) $((total % 60))
echo "$pasadas passed, $fallidos failed"
(( fallidos == 0 ))
