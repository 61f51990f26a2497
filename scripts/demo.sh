#!/usr/bin/env bash
# The demo: installs what it needs (compiler, CMake, Ninja, CLI11, nlohmann-json), builds the
# native x64 preset's library, command and demo-store writer, writes a small demo mail store
# into build/demo and shows it through the orvex command, which drives the library only
# through its fourteen exports.
# Usage: bash scripts/demo.sh [--orvex PROGRAM]
#   --orvex PROGRAM   show the store with this orvex (an installed one) instead of the built one
set -euo pipefail

raiz=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$raiz"
trabajos=${ORVEX_JOBS:-2}
construccion=build/x64
demo=build/demo
orvex=""
case "${1:-}" in
  --orvex) orvex=$(command -v "${2:?--orvex needs a program}") ;;
  "") ;;
  *) echo "usage: $0 [--orvex PROGRAM]" >&2; exit 2 ;;
esac

bash scripts/instalar-dependencias.sh demo

# A folder the test run already configured keeps its tests; otherwise the demo builds without
# them and needs no test framework.
echo "==> configure (preset x64)"
if grep -qs '^ORVEX_PRUEBAS:[A-Z]*=ON$' "$construccion/CMakeCache.txt"; then
  cmake --preset x64 >/dev/null
else
  cmake --preset x64 -DORVEX_PRUEBAS=OFF >/dev/null
fi

# Ninja lists the targets the tree defines; the command and the demo-store writer live in
# herramienta/ ("orvex_cli" builds the program named orvex).
objetivos=$(cmake --build "$construccion" --target help)
tiene() { grep -q "^$1:" <<<"$objetivos"; }

if ! tiene orvex_cli || ! tiene orvex_demo; then
  if tiene orvex; then
    echo "==> build the library (target orvex)"
    cmake --build "$construccion" --target orvex -j "$trabajos"
    echo "Built $(find "$construccion" -name 'liborvex.so' | head -n 1)."
  fi
  echo "The demo needs the orvex command and the demo-store writer (targets orvex_cli and"
  echo "orvex_demo in herramienta/), which this tree does not define yet. Nothing to show."
  exit 1
fi

echo "==> build orvex, orvex_demo"
cmake --build "$construccion" --target orvex_cli orvex_demo -j "$trabajos"
orvex=${orvex:-$construccion/herramienta/orvex}
echo "$("$orvex" --version) ($orvex)"

echo
echo "==> write the demo store into $demo"
rm -rf "$demo"
"$construccion/herramienta/orvex_demo" "$demo"
almacen=$demo/store

# Dates are shown in local time; UTC unless the caller chose a zone.
export TZ=${TZ:-UTC}

# ejecuta ARGS...: shows and runs one orvex command. scan exits 1 when it finds something.
ejecuta() {
  echo
  echo "\$ orvex $*"
  local rc=0
  "$orvex" "$@" || rc=$?
  if (( rc > 1 )); then
    echo "demo: orvex $1 ... failed (exit $rc)" >&2
    exit "$rc"
  fi
}

ejecuta --store "$almacen" info
ejecuta --store "$almacen" folders
ejecuta --store "$almacen" messages
ejecuta --store "$almacen" parts Inbox 5
ejecuta --store "$almacen" extract Inbox --out "$demo/attachments"
ejecuta --store "$almacen" scan --hashes "$demo/eicar.hdb" --action rename
# The attachment the scan found now carries the .VIR name, written back into Inbox.dbx and
# read back to check it; a second scan finds it again and leaves it as it is.
ejecuta --store "$almacen" parts Inbox 5
ejecuta --store "$almacen" scan --hashes "$demo/eicar.hdb" --action rename
ejecuta --store "$almacen" --json messages Inbox/Projects
echo
echo "demo: done; the store and what came out of it are in $demo ($orvex --help for more)"
