#!/usr/bin/env bash
# Installs what building and testing Pelmor needs on a Debian machine, as root.
# Whatever is already there is skipped, so a second run costs a few seconds.
#   scripts/deps.sh build   native toolchain, Qt 6 for the Linux program and
#                           the MinGW-w64 cross compiler
#   scripts/deps.sh run     build + Wine, Xvfb, the Japanese locale and font
#   scripts/deps.sh test    run + ImageMagick (screenshots), Qt and chromium (the Linux
#                           web tour's tests), the AT-SPI bus and pyatspi (the
#                           native program driven from outside)
set -euo pipefail
what=${1:-test}

need=(cmake g++ make libgtest-dev g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
      g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64
      qt6-base-dev qt6-websockets-dev libxtst-dev dpkg-dev nlohmann-json3-dev)
if [ "$what" != build ]; then
  need+=(wine wine64 wine32:i386 fonts-wine xvfb xauth locales fonts-ipafont-gothic x11-utils)
fi
if [ "$what" = test ]; then
  need+=(imagemagick valgrind clang libclang-rt-14-dev qt6-base-dev qt6-websockets-dev chromium
        python3-pyatspi at-spi2-core dbus)
  need+=(qemu-user-static)  # the 32-bit program where the kernel runs none
fi

missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" != 0 ]; then
    echo "deps: missing packages (${missing[*]}); run this script as root" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$'; then
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ "$what" != build ]; then
  if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
    if [ "$(id -u)" != 0 ]; then
      echo "deps: the ja_JP.UTF-8 locale is missing; run this script as root" >&2
      exit 1
    fi
    sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
  fi
fi
