#!/usr/bin/env bash
# The house plan: each product folder has a floor, and a file may include only its own folder,
# the records header and folders on lower floors. Prints every include that reaches up or
# sideways and exits 1 if there is one. The exports (api/) and the command (herramienta/) stand
# on top and may include anything; tests and test support are not product code.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A planta=(
  [plataforma]=0
  [soporte]=1
  [nucleo]=2
  [mime]=3
  [mensaje]=4
  [buzon]=5
  [almacen_oe5]=6 [almacen_oe4]=6 [almacen_imn]=6
  [escritura]=7
  [recuperacion]=7
  [colmena]=7 [imagen]=7
)
# The plain C records header crosses every floor: it is the ground every layer stands on.
suelo='api/orvex.h'

fallos=0
for carpeta in $(printf '%s\n' "${!planta[@]}" | sort); do
  [ -d "$carpeta" ] || continue
  while IFS= read -r archivo; do
    case "$(basename "$archivo")" in
      *_test.* | prueba_* | *_prueba.h | host_*) continue ;;
    esac
    while IFS=: read -r linea incluido; do
      [ "$incluido" = "$suelo" ] && continue
      destino=${incluido%%/*}
      [ "$destino" = "$carpeta" ] && continue
      rango=${planta[$destino]:-}
      if [ -z "$rango" ] || [ "$rango" -ge "${planta[$carpeta]}" ]; then
        echo "$archivo:$linea: includes $incluido"
        fallos=$((fallos + 1))
      fi
    done < <(grep -n '^#include "[^"]*/[^"]*"' "$archivo" | sed -E 's/^([0-9]+):#include "([^"]*)".*/\1:\2/')
  done < <(find "$carpeta" -maxdepth 1 -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) | sort)
done

if [ "$fallos" -gt 0 ]; then
  echo "$fallos include(s) against the house plan"
  exit 1
fi
echo "includes follow the house plan"
