#!/usr/bin/env bash
# The demo: installs what is missing, builds the native x64 preset, writes a small demo mail
# store into build/demo and shows it through the orvex command, which drives the library
# only through its fourteen exports.
# Usage: bash scripts/demo.sh
set -euo pipefail

raiz=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$raiz"
trabajos=${ORVEX_JOBS:-2}
construccion=build/x64
demo=build/demo

bash scripts/instalar-dependencias.sh

echo "==> configure (preset x64)"
cmake --preset x64 >/dev/null

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
orvex=$construccion/herramienta/orvex
generador=$construccion/herramienta/orvex_demo

echo "==> write the demo store into $demo"
rm -rf "$demo"
"$generador" "$demo"

ejecuta() {
  echo
  echo "\$ orvex $*"
  "$orvex" "$@"
}

# One store per folder that the writer made (or build/demo itself when it wrote just one).
almacenes=()
while IFS= read -r d; do almacenes+=("$d"); done < <(find "$demo" -mindepth 1 -maxdepth 1 -type d | sort)
(( ${#almacenes[@]} )) || almacenes=("$demo")

for almacen in "${almacenes[@]}"; do
  echo
  echo "==================== store $almacen ===================="
  ejecuta --store "$almacen" info
  ejecuta --store "$almacen" folders
  ejecuta --store "$almacen" messages
done
echo
echo "demo: done (store files in $demo; run $orvex --help for more)"
