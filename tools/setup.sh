#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the fixture scripts and the benchmarks use.
# Does nothing when all of them are present; uses sudo when not run as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  clang clang-format libclang-rt-14-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libboost-regex-dev zlib1g-dev libbz2-dev lzma-dev libgc-dev libxml2-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  fonts-liberation2 fonts-noto-cjk
  ntfs-3g dosfstools mtools e2fsprogs fdisk xz-utils util-linux
  sleuthkit pigz ewf-tools bzip2 gzip shared-mime-info testdisk
  xvfb xauth xdotool x11-apps imagemagick
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
