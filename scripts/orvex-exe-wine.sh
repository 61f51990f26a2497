#!/usr/bin/env bash
# orvex.exe as a Windows user runs it, under wine64: the demo store written by orvex_demo.exe,
# then info, folders, messages, export, a scan that renames the EICAR attachment, the registry
# read from the regedit export ORVEX_REGISTRY names, and a store under a path with non-ASCII
# characters. Prints each step; exits non-zero when one fails.
# Usage: bash scripts/orvex-exe-wine.sh BUILD_DIR WINE64   (BUILD_DIR: a mingw-x64 build with
#        the targets orvex_cli and orvex_demo built; WINEPREFIX as the caller set it)
set -uo pipefail
build=${1:?usage: $0 BUILD_DIR WINE64}
wine=${2:?usage: $0 BUILD_DIR WINE64}
exe=$build/herramienta/orvex.exe
demo=$build/herramienta/orvex_demo.exe
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export WINEDEBUG=-all
# Wine takes the Windows code pages from the locale: en_US gives Windows-1252, as a Western
# Windows has (C.UTF-8 gives none, and non-ASCII paths in the ANSI calls then fail); the system
# must have that locale, or Wine cannot write non-ASCII file names.
if ! locale -a 2>/dev/null | grep -qiE '^en_US\.utf-?8$'; then
  (( EUID == 0 )) && localedef -i en_US -f UTF-8 en_US.UTF-8
fi
export LANG=en_US.UTF-8 LC_ALL=
fallos=0

# orvex ARGS...: orvex.exe's output (standard output and error) into $tmp/salida, its status in $estado.
orvex() {
  # Into a file, not a pipe: Wine's background processes would hold a pipe open.
  "$wine" "$exe" "$@" >"$tmp/salida" 2>&1
  estado=$?
}
# comprueba NAME STATUS TEXT...: the last run exited STATUS and its output holds every TEXT.
comprueba() {
  local nombre=$1 esperado=$2 t; shift 2
  local bien=1
  (( estado == esperado )) || bien=0
  for t in "$@"; do grep -qF -- "$t" "$tmp/salida" || bien=0; done
  if (( bien )); then
    echo "ok    $nombre"
  else
    echo "FAIL  $nombre (exit $estado, wanted $esperado; expected: $*)"
    sed 's/^/      /' "$tmp/salida" | head -n 20
    fallos=$((fallos + 1))
  fi
}

"$wine" "$demo" "$(winepath -w "$tmp/demo" 2>/dev/null || echo "$tmp/demo")" >"$tmp/salida" 2>&1
estado=$?
comprueba "orvex_demo.exe writes the demo store" 0 store
almacen=$tmp/demo/store
[[ -f $almacen/Folders.dbx || -f $almacen/folders.dbx ]] || { echo "no demo store in $almacen"; exit 1; }

orvex --version; comprueba "--version" 0 "orvex "
orvex --store "$almacen" info; comprueba "info" 0 "Main Identity" "Outlook Express 5/6"
orvex --store "$almacen" folders; comprueba "folders" 0 "Inbox" "Projects" "Sent Items"
orvex --store "$almacen" messages Inbox; comprueba "messages" 0 "Welcome" "prize"
orvex --store "$almacen" export Inbox --out "$tmp/eml"; comprueba "export eml" 0 "Welcome"
[[ $(find "$tmp/eml" -name '*.eml' | wc -l) == 5 ]] || { echo "FAIL  export wrote $(find "$tmp/eml" -name '*.eml' | wc -l) files, not 5"; fallos=$((fallos + 1)); }
orvex --store "$almacen" export --format mbox --out "$tmp/mbox"; comprueba "export mbox" 0 "Inbox.mbox"

# The registry from the demo's regedit export (the library's Windows backend reads the file).
orvex --registry "$tmp/demo/registry.reg" folders; comprueba "--registry FILE" 0 "Inbox" "Projects"

orvex --store "$almacen" scan --hashes "$tmp/demo/eicar.hdb" --action rename --no-backup
comprueba "scan --action rename" 1 "prize.com" "1 changed"
orvex --store "$almacen" parts Inbox 5; comprueba "renamed in the store" 0 "prize_com.VIR"

# A store under a folder name outside ASCII (Windows-1252 on the Windows side).
no_ascii=$tmp/Correo\ viejo\ $'\xc3\xa9'
mkdir -p "$no_ascii"
cp -r "$almacen" "$no_ascii/store"
orvex --store "$no_ascii/store" messages Inbox; comprueba "non-ASCII store path" 0 "Welcome"

(( fallos == 0 )) && echo "orvex.exe under Wine: all steps passed"
(( fallos == 0 ))
