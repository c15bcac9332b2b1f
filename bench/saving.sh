#!/usr/bin/env bash
# Saving speed: a 1 GiB contiguous deleted file recovered from a volume image by salvix-e2e (tree build, the
# "Deleted Files" folder and the folder job), against dd copying the same byte range of the image, in the same
# run and with the image in the page cache for both, three rounds in turn, the best of each reported (the
# machine's other work makes single runs vary by a factor of two). The work folder is on /dev/shm when it has
# room, so that the target file system's writeback does not swamp the figures. The volume is NTFS (mkntfs, written through an ntfs-3g
# mount, which needs root); when the harness cannot read NTFS yet, or the mount is not possible, a FAT32 volume
# made with mkfs.fat and mtools stands in. Everything is made at run time in a temporary folder and removed.
# Usage: saving.sh [build folder]
set -euo pipefail
build=${1:-build}
harness=$build/tests/salvix-e2e
[[ -x "$harness" ]] || { echo "saving.sh: $harness is not built; skipped"; exit 0; }

size=$((1024 * 1024 * 1024))
base=${TMPDIR:-/tmp}
if [[ -d /dev/shm ]] && (($(df -Pk /dev/shm | awk 'NR == 2 { print $4 }') > 6 * 1024 * 1024)); then base=/dev/shm; fi
work=$(mktemp -d "$base/salvix-bench-saving.XXXXXX")
mnt="$work/mnt"
img="$work/volume.img"
cleanup() {
    mountpoint -q "$mnt" 2>/dev/null && umount "$mnt"
    rm -rf "$work"
}
trap cleanup EXIT
mkdir "$mnt"

head -c "$size" /dev/urandom >"$work/source"
ranges=() # "byte offset:byte length" of the file's data in the image, in file order

make_ntfs() {
    command -v mkntfs >/dev/null && command -v ntfs-3g >/dev/null && command -v ntfsinfo >/dev/null || return 1
    truncate -s 1200M "$img"
    mkntfs -F -f -q -s 512 -c 4096 -L Bench "$img" >/dev/null 2>&1 || return 1
    ntfs-3g "$img" "$mnt" 2>/dev/null || return 1
    cp "$work/source" "$mnt/big.bin"
    umount "$mnt"
    local lcn length
    while read -r lcn length; do
        ranges+=("$((lcn * 4096)):$((length * 4096))") # bash reads the 0x numbers
    done < <(ntfsinfo -v -F /big.bin "$img" 2>/dev/null |
        awk '/Runlist:/ { on = 1; next } on && NF == 3 && $2 ~ /^0x/ { print $2, $3 }')
    ntfs-3g "$img" "$mnt" && rm "$mnt/big.bin" && umount "$mnt"
    fs=NTFS
}

make_fat32() {
    rm -f "$img"
    truncate -s 1200M "$img"
    mkfs.fat -F 32 -s 8 -S 512 "$img" >/dev/null
    MTOOLS_SKIP_CHECK=1 mcopy -i "$img" "$work/source" ::BIG.BIN
    local boot reserved fats perfat first
    boot=$(od -An -tu1 -N 48 -v "$img" | tr -s ' \n' ' ')
    read -r -a b <<<"$boot"
    reserved=$((b[14] | b[15] << 8))
    fats=${b[16]}
    perfat=$((b[36] | b[37] << 8 | b[38] << 16 | b[39] << 24))
    first=$(MTOOLS_SKIP_CHECK=1 mshowfat -i "$img" ::BIG.BIN | grep -o '<[0-9]*' | head -1 | tr -d '<')
    ranges=("$(((reserved + fats * perfat + (first - 2) * 8) * 512)):$size")
    MTOOLS_SKIP_CHECK=1 mdel -i "$img" ::BIG.BIN
    fs=FAT32
}

seconds() { date +%s.%N; }

fs=""
make_ntfs || make_fat32
probe=$("$harness" deleted "$img" "$work/probe" 2>&1 || true)
if [[ "$fs" == NTFS && "$probe" == *"cannot be read by this build"* ]]; then
    echo "saving.sh: the harness reads no NTFS yet; measuring on FAT32"
    ranges=()
    make_fat32
fi
rm -rf "$work/probe"

cat "$img" >/dev/null # both runs read from the page cache
sync                  # and neither waits for the other's (or the image's) writeback

dd_range() { # -> $work/dd.out
    : >"$work/dd.out"
    for range in "${ranges[@]}"; do
        dd if="$img" bs=1M iflag=skip_bytes,count_bytes skip="${range%%:*}" count="${range##*:}" status=none \
            >>"$work/dd.out"
    done
}
# One untimed copy first: the first large write after making the image pays for the file system's own settling.
dd_range
rm -f "$work/dd.out"
sync

rounds=3
dd_s=""
salvix_s=""
best() { if [[ -z "$1" ]] || (($(echo "$2 < $1" | bc -l))); then echo "$2"; else echo "$1"; fi; }
for ((round = 0; round < rounds; ++round)); do
    start=$(seconds)
    dd_range
    end=$(seconds)
    dd_s=$(best "$dd_s" "$(echo "$end - $start" | bc -l)")
    cmp -s "$work/dd.out" "$work/source" || echo "saving.sh: dd copied the wrong range"
    rm -f "$work/dd.out"
    sync

    start=$(seconds)
    out=$("$harness" deleted "$img" "$work/recovered")
    end=$(seconds)
    salvix_s=$(best "$salvix_s" "$(echo "$end - $start" | bc -l)")
    saved=$(find "$work/recovered" -type f -size +1000000k | head -1)
    if [[ -z "$saved" ]] || ! cmp -s "$saved" "$work/source"; then
        echo "saving.sh: the recovered file differs from the source ($out)"
    fi
    rm -rf "$work/recovered"
    sync
done

mb=$((size / 1000000))
printf '%s, %d MB file in %d run(s), work folder in %s, best of %d rounds\n' "$fs" "$mb" "${#ranges[@]}" "$base" "$rounds"
printf '  salvix-e2e  %6.2f s  %8.1f MB/s\n' "$salvix_s" "$(echo "$mb / $salvix_s" | bc -l)"
printf '  dd bs=1M    %6.2f s  %8.1f MB/s\n' "$dd_s" "$(echo "$mb / $dd_s" | bc -l)"
printf '  ratio       %6.1f %% of dd\n' "$(echo "100 * $dd_s / $salvix_s" | bc -l)"
