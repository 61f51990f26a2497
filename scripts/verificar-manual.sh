#!/usr/bin/env bash
# Checks that the manual page (herramienta/orvex.1) and the bash completion
# (herramienta/orvex.bash) name every command and option that `orvex --help` and each
# command's --help list, and the page carries the version `orvex --version` prints.
# Usage: scripts/verificar-manual.sh ORVEX-PROGRAM
set -euo pipefail
raiz=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
orvex=${1:?usage: $0 ORVEX-PROGRAM}

# The page as its reader sees the words: roff escapes and font changes removed.
manual=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$raiz/herramienta/orvex.1")
completado=$(<"$raiz/herramienta/orvex.bash")

# opciones HELP-TEXT: the option names of the option lines ("  -h,--help", "  --out TEXT ...").
opciones() { grep -E '^  -' <<<"$1" | grep -oE -- '(^  |,)--?[a-z][a-z-]*' | sed 's/^ *,\{0,1\}//'; }

ayuda=$("$orvex" --help)
ordenes=$(sed -n '/^Subcommands:/,/^$/{/^  [a-z]/s/^  \([a-z-]*\).*/\1/p}' <<<"$ayuda")
[[ -n "$ordenes" ]] || { echo "verificar-manual: FAIL: no commands in orvex --help" >&2; exit 1; }

fallos=0
version=$("$orvex" --version)
if ! grep -qF "\"$version\"" "$raiz/herramienta/orvex.1"; then
  echo "verificar-manual: FAIL: the page's title line does not say \"$version\"" >&2
  fallos=1
fi
comprueba() {  # comprueba WHERE WORD
  local palabra=$2 texto
  [[ $1 == manual ]] && texto=$manual || texto=$completado
  if ! grep -qE -- "(^|[^a-z-])$palabra([^a-z-]|$)" <<<"$texto"; then
    echo "verificar-manual: FAIL: $palabra is in --help but not in the $1 (${3:-orvex})" >&2
    fallos=$((fallos + 1))
  fi
}
for o in $(opciones "$ayuda"); do
  comprueba manual "$o"
  [[ $o == -h ]] || comprueba completion "$o"
done
for orden in $ordenes; do
  comprueba manual "$orden"
  comprueba completion "$orden"
  for o in $(opciones "$("$orvex" "$orden" --help)"); do
    comprueba manual "$o" "orvex $orden"
    [[ $o == -h ]] || comprueba completion "$o" "orvex $orden"
  done
done
(( fallos == 0 )) || exit 1
echo "verificar-manual: OK: $(wc -w <<<"$ordenes") commands and their options are in orvex.1 and orvex.bash"
