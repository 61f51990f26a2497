#!/usr/bin/env bash
# Checks the shipped Linux library: liborvex.so defines exactly the fourteen exported
# functions as dynamic symbols (plain names: ELF does not decorate stdcall) and, beside them,
# only the C++ installers through which a host program hands the platform layer a source of
# its own (orvex::plataforma::Usar*); and the i686 build is really 32-bit.
# Usage: scripts/verificar-so.sh [build-folder]   (default: build/i686; build/x64 also works)
set -euo pipefail
raiz=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

carpeta=${1:-$raiz/build/i686}
so=$(find "$carpeta" -name liborvex.so 2>/dev/null | head -n 1 || true)
if [[ -z "$so" ]]; then
  echo "verificar-so: FAIL: liborvex.so not found under $carpeta" >&2
  exit 1
fi

fallos=0
falla() { echo "verificar-so: FAIL: $*" >&2; fallos=$((fallos + 1)); }

tipo=$(file -L "$so")
[[ "$tipo" == *"shared object"* ]] || falla "not a shared object: $tipo"
case "$(basename "$carpeta")" in
  i686) [[ "$tipo" == *"ELF 32-bit"*"Intel 80386"* ]] || falla "not ELF 32-bit i386: $tipo" ;;
  x64*) [[ "$tipo" == *"ELF 64-bit"*"x86-64"* ]] || falla "not ELF 64-bit x86-64: $tipo" ;;
esac

simbolos=$(nm -D --defined-only "$so")
instaladores=$(awk 'NF >= 3 {print $3}' <<<"$simbolos" | c++filt | grep -c '^orvex::plataforma::Usar[A-Za-z]*(' || true)
definidos=$(awk 'NF >= 3 {print $3}' <<<"$simbolos" | c++filt | grep -v '^orvex::plataforma::Usar[A-Za-z]*(' |
  LC_ALL=C sort -u)
esperados=$(sed -n 's/^_\(OE_[A-Za-z]*\)@[0-9]*$/\1/p' "$raiz/scripts/exportaciones.txt" | LC_ALL=C sort)
if [[ "$definidos" != "$esperados" ]]; then
  falla "dynamic symbols differ from the fourteen exports (< expected, > found):"
  diff <(echo "$esperados") <(echo "$definidos") >&2 || true
fi
# Each export is a function in the text section.
while read -r _ clase nombre; do
  [[ -n "${nombre:-}" && "$clase" != T ]] && falla "$nombre is of type $clase, not a function (T)"
done <<<"$simbolos"

if (( fallos > 0 )); then
  echo "verificar-so: $so: $fallos problem(s)" >&2
  exit 1
fi
tipo=${tipo#*: }
echo "verificar-so: OK: $so: 14 exports, $instaladores source installer(s); ${tipo%%, dynamically*}"
