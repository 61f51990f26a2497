#!/usr/bin/env bash
# Checks the shipped Windows library: a 32-bit PE whose export table is exactly the fourteen
# decorated names of scripts/exportaciones.txt, importing only Windows system DLLs (the C++
# runtime linked in statically), with no link timestamp.
# Usage: scripts/verificar-dll.sh [path/to/Orvex.dll]   (default: found under build/mingw-i686)
set -euo pipefail
raiz=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

dll=${1:-}
if [[ -z "$dll" ]]; then
  dll=$(find "$raiz/build/mingw-i686" -name Orvex.dll -type f 2>/dev/null | head -n 1 || true)
fi
if [[ -z "$dll" || ! -f "$dll" ]]; then
  echo "verificar-dll: FAIL: Orvex.dll not found (build it: cmake --build --preset mingw-i686)" >&2
  exit 1
fi

objdump=objdump
command -v i686-w64-mingw32-objdump >/dev/null && objdump=i686-w64-mingw32-objdump
# Read once: grep -q on a pipe would end objdump early (SIGPIPE, exit 141 under pipefail).
volcado=$("$objdump" -p "$dll")

fallos=0
falla() { echo "verificar-dll: FAIL: $*" >&2; fallos=$((fallos + 1)); }

[[ "$volcado" == *"file format pei-i386"* ]] || falla "not a 32-bit PE (pei-i386)"
[[ "$volcado" =~ Magic[[:space:]]+010b ]] || falla "optional header is not PE32"

# Names in the [Ordinal/Name Pointer] table, one per line.
exportadas=$(awk '/^\[Ordinal\/Name Pointer\] Table/ {t = 1; next}
                  t && NF == 0 {t = 0}
                  t && /^[[:space:]]*\[/ {print $NF}' <<<"$volcado" | LC_ALL=C sort)
esperadas=$(grep -v '^[[:space:]]*$' "$raiz/scripts/exportaciones.txt" | LC_ALL=C sort)
if [[ "$exportadas" != "$esperadas" ]]; then
  falla "export names differ from scripts/exportaciones.txt (< expected, > found):"
  diff <(echo "$esperadas") <(echo "$exportadas") >&2 || true
fi
# Every exported address must have a name: no ordinal-only exports.
direcciones=$(awk '/^Export Address Table -- Ordinal Base/ {t = 1; next}
                   t && NF == 0 {t = 0}
                   t && /^[[:space:]]*\[/ {n++} END {print n + 0}' <<<"$volcado")
(( direcciones == 14 )) || falla "export address table has $direcciones entries, expected 14"
[[ "$volcado" =~ Name[[:space:]]+[0-9a-f]+[[:space:]]Orvex\.dll ]] || falla "export directory does not name Orvex.dll"

importadas=$(awk -F'DLL Name: ' '/DLL Name: / {print $2}' <<<"$volcado" | LC_ALL=C sort -u)
while IFS= read -r d; do
  [[ -z "$d" ]] && continue
  case "${d,,}" in
    kernel32.dll | msvcrt.dll | advapi32.dll | api-ms-win-*) ;;
    *) falla "imports $d (only KERNEL32, msvcrt, ADVAPI32 and api-ms-win-* are allowed)" ;;
  esac
done <<<"$importadas"

# --no-insert-timestamp leaves the header date at the epoch, so two builds are byte-identical.
[[ "$volcado" =~ Time/Date[[:space:]]+Thu\ Jan\ +1\ 00:00:00\ 1970 ]] || falla "link timestamp is set (not reproducible)"

if (( fallos > 0 )); then
  echo "verificar-dll: $dll: $fallos problem(s)" >&2
  exit 1
fi
echo "verificar-dll: OK: $dll: 14 decorated exports; imports $(echo $importadas)"
