#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages this project builds and tests with, if any are missing.
set -euo pipefail

# dpkg-dev and file: `cpack -G DEB` works out the package's dependencies with dpkg-shlibdeps.
# libpcre2-dev: find in the received history (regular expressions); lrzsz: the X/Y/ZMODEM
# programs (sz, rz...) that file transfers run; libvterm-dev: the console's terminal emulation.
packages=(cmake ninja-build g++ pkg-config googletest libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev libgl-dev dpkg-dev file libpcre2-dev lrzsz
          libvterm-dev)
# Extra tools for CI: clang with its libFuzzer runtime; ser2net, the RFC 2217 server the network
# port tests run on loopback; socat, the far end of the transfer tests and of the AT-SPI test,
# which reads the window as a screen reader does: on an X server (xvfb) driven by xdotool,
# over the accessibility bus (at-spi2-core, in a D-Bus session of dbus-x11) with pyatspi.
if [[ "${1:-}" == "--ci" ]]; then
  packages+=(clang libclang-rt-dev ser2net socat xvfb xdotool at-spi2-core dbus-x11 python3-pyatspi)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}" >&2
if [[ $(id -u) -eq 0 ]]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q >&2
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
