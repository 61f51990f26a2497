#!/usr/bin/env bash
# Checks what a user installs, from a built x64 folder:
#  1. `cmake --install` into a temporary prefix: the library keeps its SONAME and fourteen
#     exports, the command finds it relative to its own folder, prints its version and shows
#     the demo; a C host outside the tree builds against it through pkg-config and through
#     find_package(Orvex).
#  2. The Debian package CPack makes: its name and dependencies; as root it is installed with
#     apt, `orvex --version`, its manual page, its completion, a pkg-config host and the demo
#     run from /usr, and it is removed again.
# Usage: scripts/verificar-paquete.sh [build-folder]   (default: build/x64, already built)
set -euo pipefail
raiz=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
construccion=$(cd "${1:-$raiz/build/x64}" && pwd)
cd "$raiz"

tmp=$(mktemp -d)
instalado=0
limpia() {
  (( instalado )) && apt-get purge -y -o DPkg::Lock::Timeout=300 orvex >/dev/null 2>&1
  rm -rf "$tmp"
}
trap limpia EXIT
falla() { echo "verificar-paquete: FAIL: $*" >&2; exit 1; }
paso() { echo "==> $*"; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$construccion/CMakeCache.txt")
[[ -n "$version" ]] || falla "no project version in $construccion/CMakeCache.txt"
cmake --build "$construccion" --target orvex orvex_cli orvex_demo >/dev/null

# A registry export in which the C host must find an Outlook Express 5/6 installation.
registro=$tmp/registro.reg
printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Outlook Express\\Version Info]\n"Current"="6.0.2900.5512"\n' >"$registro"
# ejecuta_host PROGRAM: the host must detect that installation through the library.
ejecuta_host() {
  local salida
  salida=$(ORVEX_REGISTRY=$registro "$@") || falla "$1 exited with $?"
  [[ "$salida" == "generation 5" ]] || falla "$1 printed '$salida', expected 'generation 5'"
}

paso "cmake --install into a temporary prefix"
prefijo=$tmp/prefijo
cmake --install "$construccion" --prefix "$prefijo" >/dev/null
bash scripts/verificar-so.sh "$prefijo/lib"
soname=$(readelf -d "$prefijo/lib/liborvex.so" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[[ "$soname" == liborvex.so.${version%%.*} ]] || falla "SONAME '$soname'"
runpath=$(readelf -d "$prefijo/bin/orvex" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
[[ "$runpath" == '$ORIGIN/../lib' ]] || falla "the installed command's run path is '$runpath'"
[[ "$("$prefijo/bin/orvex" --version)" == "orvex $version" ]] || falla "orvex --version"
bash scripts/demo.sh --orvex "$prefijo/bin/orvex" >"$tmp/demo.log" 2>&1 || { cat "$tmp/demo.log"; falla "the demo with the installed command"; }
grep -q "^orvex $version ($prefijo/bin/orvex)" "$tmp/demo.log" || falla "the demo did not run the installed command"

paso "a C host through pkg-config and through find_package(Orvex)"
PKG_CONFIG_PATH=$prefijo/lib/pkgconfig pkg-config --exact-version="$version" orvex || falla "pkg-config version"
# shellcheck disable=SC2046
cc -std=c11 -Wall -Werror pruebas/instalado/host.c -o "$tmp/host-pc" \
  $(PKG_CONFIG_PATH=$prefijo/lib/pkgconfig pkg-config --cflags --libs orvex)
LD_LIBRARY_PATH=$prefijo/lib ejecuta_host "$tmp/host-pc"
cmake -S pruebas/instalado -B "$tmp/host-cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefijo" \
  -DCMAKE_C_FLAGS="-Wall -Werror" >/dev/null
cmake --build "$tmp/host-cmake" >/dev/null
ejecuta_host "$tmp/host-cmake/host"

paso "cpack: the Debian package"
(cd "$construccion" && cpack -G DEB -B "$tmp/paquete" >"$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log"; falla cpack; }
deb=$tmp/paquete/orvex_${version}_amd64.deb
[[ -f "$deb" ]] || falla "no $(basename "$deb"): $(ls "$tmp/paquete")"
depende=$(dpkg-deb -f "$deb" Depends)
for d in libc6 libstdc++6; do
  [[ ", $depende" == *", $d "* ]] || falla "Depends '$depende' lacks $d"
done
echo "$(basename "$deb"): Depends: $depende"

if (( EUID != 0 )); then
  echo "verificar-paquete: OK (not root: the package was not installed)"
  exit 0
fi
paso "apt-get install the package, use it, remove it"
export DEBIAN_FRONTEND=noninteractive
if [[ "$(dpkg-query -W -f='${db:Status-Status}' orvex 2>/dev/null)" == installed ]]; then
  echo "an orvex package is installed already (an interrupted run?): removing it first"
  apt-get purge -y -o DPkg::Lock::Timeout=300 orvex >/dev/null
fi
apt-get install -y -o DPkg::Lock::Timeout=300 "$deb" >"$tmp/apt.log" 2>&1 || { cat "$tmp/apt.log"; falla "apt-get install"; }
instalado=1
[[ "$(command -v orvex)" == /usr/bin/orvex ]] || falla "orvex is not /usr/bin/orvex"
[[ "$(orvex --version)" == "orvex $version" ]] || falla "installed orvex --version"
# Minimal images leave manual pages out (dpkg path-exclude): then only the package's list counts.
dpkg -L orvex | grep -qx /usr/share/man/man1/orvex.1.gz || falla "no manual page in the package"
if [[ -f /usr/share/man/man1/orvex.1.gz ]] && command -v man >/dev/null; then
  man -P cat orvex 2>/dev/null | grep -q -- '--store' || falla "man orvex"
fi
completado=$(bash -c 'source /usr/share/bash-completion/completions/orvex
  COMP_WORDS=(orvex --store build/demo/store messages Proj); COMP_CWORD=4; _orvex; echo "${COMPREPLY[*]}"')
[[ "$completado" == Projects ]] || falla "completion of a folder name gave '$completado'"
cc -std=c11 -Wall -Werror pruebas/instalado/host.c -o "$tmp/host-sistema" $(pkg-config --cflags --libs orvex)
ejecuta_host "$tmp/host-sistema"
bash scripts/demo.sh --orvex /usr/bin/orvex >"$tmp/demo.log" 2>&1 || { cat "$tmp/demo.log"; falla "the demo with /usr/bin/orvex"; }
grep -q "^orvex $version (/usr/bin/orvex)" "$tmp/demo.log" || falla "the demo did not run /usr/bin/orvex"
apt-get purge -y -o DPkg::Lock::Timeout=300 orvex >"$tmp/apt.log" 2>&1 || { cat "$tmp/apt.log"; falla "apt-get purge"; }
instalado=0
[[ ! -e /usr/bin/orvex && ! -e /usr/lib/liborvex.so.${version%%.*} ]] || falla "files left after apt-get purge"
echo "verificar-paquete: OK: cmake --install, both hosts, and $(basename "$deb") installed, used and removed"
