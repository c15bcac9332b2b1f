#!/usr/bin/env bash
# Builds the seed corpora of the fuzz targets from the fixture images (tests/fixtures/*.img.xz) and a few
# byte-built cases, into <fuzz build>/fuzz/seeds/<Target>/. Nothing here is committed; run again any time.
# Usage: fuzz/make_seeds.sh <fuzz build folder>
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:?usage: make_seeds.sh <fuzz build folder>}" && pwd)"
tools="$build/fuzz"
# The seed makers are built with the sanitizers of the fuzz build; their leaks do not matter here.
export ASAN_OPTIONS=detect_leaks=0
out="$tools/seeds"
fixtures="$root/tests/fixtures"
# Nothing to do when the fixtures, this script and the seed makers are those of the last run.
key=$(cat "$fixtures"/*.img.xz "$0" "$tools"/salvix-*seed | md5sum | cut -d' ' -f1)
if [[ -f "$out/.key" && "$(cat "$out/.key")" == "$key" ]]; then
  echo "fuzz seeds: up to date in $out"
  exit 0
fi
# The images are unpacked in memory when the machine has /dev/shm (about 400 MB at most at once).
shm=/dev/shm
[[ -d $shm && -w $shm ]] || shm="${TMPDIR:-/tmp}"
work="$(mktemp -d -p "$shm")"
trap 'rm -rf "$work"' EXIT

rm -rf "$out"
mkdir -p "$out"
seed_dir() { mkdir -p "$out/$1"; echo "$out/$1"; }
# take <image> <offset> <count> <target> <name>: count bytes at offset as one seed.
take() { dd if="$1" of="$(seed_dir "$4")/$5" bs=4096 iflag=skip_bytes,count_bytes skip="$2" count="$3" status=none; }
# offsets <image> <perl regex> <alignment> <most>: byte offsets of a marker on the alignment, spread evenly.
offsets() {
  local all
  all=$(grep -obUaP "$2" "$1" | cut -d: -f1 | awk -v a="$3" '$1 % a == 0' || true)
  local n
  n=$(printf '%s\n' "$all" | grep -c . || true)
  [[ $n -eq 0 ]] && return 0
  printf '%s\n' "$all" | awk -v n="$n" -v most="$4" 'n <= most || (NR - 1) % int((n + most - 1) / most) == 0'
}
le16() { od -An -tu2 -j "$2" -N2 "$1" | tr -d ' '; }
le32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
u8() { od -An -tu1 -j "$2" -N1 "$1" | tr -d ' '; }

# One fixture image: its structures as seeds of the targets that read them.
image_seeds() {
  local xz="$1" name img record reserved fats roots perfat width table block kind at
  name=$(basename "$xz" .img.xz)
  img="$work/$name.img"
  xz -dc "$xz" >"$img"
  case "$name" in
  ntfs*)
    take "$img" 0 512 NtfsBootSectorFuzz "$name"
    "$tools/salvix-pageseed" "$img" "$(seed_dir NtfsVolumeFuzz)/$name" 0 $((64 << 20)) 384
    record=1024
    [[ $(le16 "$img" 11) -ge 4096 ]] && record=4096
    for at in $(offsets "$img" 'FILE0' 512 40); do
      take "$img" "$at" "$record" NtfsFileRecordFuzz "$name-$at"
      take "$img" "$at" 16384 NtfsAttributeListFuzz "$name-$at"
    done
    for at in $(offsets "$img" 'INDX\(' 512 20); do take "$img" "$at" 4096 NtfsIndxFuzz "$name-$at"; done
    for at in $(offsets "$img" 'RCRD\(' 4096 4); do take "$img" "$at" 4096 NtfsIndxFuzz "$name-rcrd-$at"; done
    # The scanner: a mode byte (sector size, 8-sector blocks) before the volume start and before the first $MFT.
    kind='\x07'
    [[ $(le16 "$img" 11) -ge 4096 ]] && kind='\x81'
    scan="$(seed_dir NtfsSearchControllerFuzz)"
    { printf "$kind"; dd if="$img" bs=4096 iflag=count_bytes count=$((64 << 10)) status=none; } >"$scan/$name-start"
    at=$(offsets "$img" 'FILE0' 4096 1 | head -n 1)
    if [[ -n $at ]]; then
      { printf "$kind"; dd if="$img" bs=4096 iflag=skip_bytes,count_bytes skip="$at" count=$((256 << 10)) status=none; } >"$scan/$name-mft"
    fi
    ;;
  format-*)
    take "$img" 0 $((1 << 20)) FatScanFuzz "$name"
    ;;
  fat*)
    take "$img" 0 $((128 << 10)) FatBootSectorFuzz "$name"
    take "$img" 0 $((1 << 20)) FatScanFuzz "$name"
    "$tools/salvix-pageseed" "$img" "$(seed_dir FatVolumeFuzz)/$name" 0 $((64 << 20)) 384
    reserved=$(le16 "$img" 14)
    fats=$(u8 "$img" 16)
    roots=$(le16 "$img" 17)
    perfat=$(le16 "$img" 22)
    [[ $perfat -eq 0 ]] && perfat=$(le32 "$img" 36)
    width=0
    case "$name" in fat16) width=1 ;; fat32) width=2 ;; esac
    table="$(seed_dir FatTableFuzz)/$name"
    printf "\\x0$width" >"$table"
    dd if="$img" bs=512 skip="$reserved" count=$((perfat < 64 ? perfat : 64)) status=none >>"$table"
    if [[ $roots -gt 0 ]]; then
      take "$img" $(((reserved + fats * perfat) * 512)) $((roots * 32)) FatDirectoryFuzz "$name-root"
    fi
    for at in $(offsets "$img" '\.\x20{10}\x10' 512 12); do take "$img" "$at" 4096 FatDirectoryFuzz "$name-$at"; done
    ;;
  ext*)
    take "$img" 1024 8192 Ext2SuperBlockFuzz "$name"
    block=$((1024 << $(le32 "$img" $((1024 + 24)))))
    take "$img" $((block == 1024 ? 2048 : block)) 1024 Ext2GroupDescriptorFuzz "$name"
    "$tools/salvix-pageseed" "$img" "$(seed_dir Ext2InodeFuzz)/$name" 0 $((64 << 20)) 384
    cp "$out/Ext2InodeFuzz/$name" "$(seed_dir Ext2DirectoryFuzz)/$name"
    cp "$out/Ext2InodeFuzz/$name" "$(seed_dir Ext2ScanFuzz)/$name"
    ;;
  lost*)
    "$tools/salvix-pageseed" "$img" "$(seed_dir LostPartitionSearchFuzz)/$name" 0 $((64 << 20)) 384
    ;;
  part*)
    "$tools/salvix-pageseed" "$img" "$(seed_dir PartitionTableFuzz)/$name" 0 $((1 << 30)) 256 tables
    cp "$out/PartitionTableFuzz/$name" "$(seed_dir DynamicDiskFuzz)/$name"
    ;;
  esac
  case "$name" in
  fat16 | fat32 | ntfs_small | ext2-1k)
    kind=${name%%-*}
    kind=${kind%_small}
    "$tools/salvix-stateseed" "$out" "$name" "$kind" "$img"
    ;;
  esac
  rm -f "$img"
}

# The images side by side: each decompresses, greps and cuts on its own.
pids=()
for xz in "$fixtures"/*.img.xz; do
  image_seeds "$xz" &
  pids+=($!)
done
for p in "${pids[@]}"; do wait "$p"; done

# Mapping pairs: sectors per cluster (log2), partition start, buffer sectors, then the pairs.
pairs="$(seed_dir NtfsMappingPairsFuzz)"
printf '\x03\x00\x04\x21\x08\x64\x00\x11\x04\xff\x00' >"$pairs/two-runs"
printf '\x00\x01\x08\x31\x10\x00\x10\x00\x01\x08\x21\x20\x00\x01\x00' >"$pairs/sparse-middle"
printf '\x00\x00\x02\x48\x01\x00\x00\x00\x00\x00\x00\x00\x00' >"$pairs/wide-length"
printf '\x02\x03\x01\x11\x01\x05\x11\x01\xfb\x11\x01\x05\x00' >"$pairs/back-and-forth"

# Dynamic disk: a PRIVHEAD at sector 6 of page 0 behind an MBR entry of type 0x42.
dyn="$(seed_dir DynamicDiskFuzz)/privhead"
{
  printf '\x00\x00\x00\x00'
  head -c 446 /dev/zero
  printf '\x00\x00\x00\x00\x42\x00\x00\x00\x3f\x00\x00\x00\x00\x00\x10\x00'
  head -c 48 /dev/zero
  printf '\x55\xaa'
  head -c $((5 * 512)) /dev/zero
  printf 'PRIVHEAD\x00\x00\x2c\x41\x00\x02\x00\x0c'
  head -c $((4096 - 7 * 512 - 16)) /dev/zero
} >"$dyn"

"$tools/salvix-imageseed" "$(seed_dir DiskImageFuzz)"
for s in "$out"/DiskImageFuzz/*; do
  dd if="$s" of="$(seed_dir DiskImageHeaderFuzz)/$(basename "$s")" bs=1 skip=4 count=512 status=none
done

filter="$(seed_dir FileFilterFuzz)"
cp "$root/resources/data/FileFilter.xml" "$filter/shipped"
head -c 6000 "$root/resources/data/FileFilter.xml" >"$filter/cut-short"

# Previews: the committed office documents for the compound-document probe, a small rich text.
probe="$(seed_dir CompoundFileProbeFuzz)"
cp "$fixtures/raw/office/office.doc" "$fixtures/raw/office/office.xls" "$probe/"
xz -dc "$fixtures/raw/office/office.ppt.xz" >"$probe/office.ppt"
printf '{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\*\\generator w;}Plain {\\b bold}\\par Caf\\'"'"'e9 \\u8364? x\\line y}\r\n' \
  >"$(seed_dir RtfTextFuzz)/small.rtf"

echo "$key" >"$out/.key"
for d in "$out"/*/; do
  printf '%-26s %3d seeds %8d bytes\n' "$(basename "$d")" "$(find "$d" -type f | wc -l)" "$(cat "$d"/* | wc -c)"
done
