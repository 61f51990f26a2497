#!/usr/bin/env bash
# Installs what building and testing Orvex needs on Debian 12. Run as root; safe to repeat:
# when everything is already there it does not touch apt at all.
# Usage: scripts/instalar-dependencias.sh [demo]
#   demo   only what the demo builds with: the library, the orvex command, the demo-store writer
set -euo pipefail

demo=(cmake ninja-build g++ libcli11-dev nlohmann-json3-dev)
pruebas=(
  g++-multilib clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev qemu-user
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  undbx file python3 dpkg-dev pkgconf
  clamav clamav-daemon mutt libpython3.11-testsuite golang-github-jhillyerd-enmime-dev
  libtsk-dev libewf-dev ewf-tools mtools dosfstools ntfs-3g ntfs-3g-dev
  libhivex-dev libwin-hivex-perl
)
case "${1:-}" in
  demo) paquetes=("${demo[@]}") ;;
  "") paquetes=("${demo[@]}" "${pruebas[@]}") ;;
  *) echo "usage: $0 [demo]" >&2; exit 2 ;;
esac

faltan=()
for p in "${paquetes[@]}"; do
  estado=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [[ "$estado" == installed ]] || faltan+=("$p")
done

if (( ${#faltan[@]} == 0 )); then
  echo "dependencies: all ${#paquetes[@]} packages already installed"
  exit 0
fi

if (( EUID != 0 )); then
  echo "dependencies: missing ${faltan[*]}; run this script as root" >&2
  exit 1
fi

echo "dependencies: installing ${faltan[*]}"
export DEBIAN_FRONTEND=noninteractive
apt_instalar() {
  apt-get install -y --no-install-recommends -o DPkg::Lock::Timeout=300 "${faltan[@]}"
}
# A mirror in the middle of a sync makes update exit 100 while the cached index still works.
apt-get update -o DPkg::Lock::Timeout=300 || true
if ! apt_instalar; then
  echo "dependencies: install failed; updating the index and trying once more" >&2
  sleep 10
  apt-get update -o DPkg::Lock::Timeout=300 || true
  apt_instalar
fi
echo "dependencies: done"
