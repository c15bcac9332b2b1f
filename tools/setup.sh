#!/usr/bin/env bash
# Installs the Debian packages of the named groups (default: all of them):
#   run       build and run the program (make run)
#   test      the tests: GoogleTest, clang-format and the tools the tests call (make test)
#   bench     the benchmarks and the tools they compare against (make test builds them, make bench runs them)
#   sanitize  clang, its sanitizer runtimes and clang-tidy (make asan-test, make fuzz, make tsan-test, make tidy)
# Does nothing when all of them are present; uses sudo when not run as root.
set -euo pipefail

run=(
  build-essential cmake ninja-build ccache pkg-config
  libboost-regex-dev zlib1g-dev libbz2-dev lzma-dev libgc-dev libxml2-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  fonts-liberation2 fonts-noto-cjk shared-mime-info
)
test=(
  libgtest-dev libgmock-dev googletest clang-format
  ntfs-3g dosfstools mtools e2fsprogs fdisk xz-utils util-linux
  sleuthkit pigz ewf-tools bzip2 gzip
  xvfb xauth xdotool x11-apps imagemagick
)
bench=(
  libbenchmark-dev testdisk ntfs-3g sleuthkit
)
sanitize=(
  clang clang-tidy libclang-rt-14-dev
)

groups=("$@")
[[ ${#groups[@]} -gt 0 ]] || groups=(run test bench sanitize)
packages=()
for g in "${groups[@]}"; do
  case "$g" in
  run) packages+=("${run[@]}") ;;
  test) packages+=("${test[@]}") ;;
  bench) packages+=("${bench[@]}") ;;
  sanitize) packages+=("${sanitize[@]}") ;;
  *)
    echo "setup: unknown group '$g' (run, test, bench, sanitize)" >&2
    exit 2
    ;;
  esac
done

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
