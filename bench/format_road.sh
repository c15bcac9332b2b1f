#!/usr/bin/env bash
# The whole format-recovery road timed against PhotoRec on the same image in the same run: a 2 GiB FAT32
# volume (FORMAT_ROAD_SIZE_MIB to change it, 4 KiB clusters) filled about half with real files (the system's
# shared data files) and random files in nested folders, then quick-formatted again with mkfs.fat. Salvix runs
# `salvix-e2e format` (intelligent search with every scanner, ranking, complete build, saving); PhotoRec
# carves the whole image. Files recovered byte-exact are counted from the SHA-256 of every placed file, and the
# bytes each tool wrote are told; the search alone (SALVIX_E2E_TIMES) is set against one `cat` of the image,
# as is the same search with the scanners one after another (SALVIX_E2E_SCANNERS=serial).
#   bench/format_road.sh [BUILD_DIR]     (BUILD_DIR holds tests/salvix-e2e; default build)
# Needs mkfs.fat and mtools (dosfstools, mtools), photorec (testdisk) and python3.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"
source "$here/bench/lib/road.sh"
size_mib="${FORMAT_ROAD_SIZE_MIB:-2048}"
road_init format_road
export MTOOLS_SKIP_CHECK=1

python3 - "$work" "$size_mib" <<'PY'
import hashlib, os, random, sys
from road_files import system_data_files
work, size_mib = sys.argv[1], int(sys.argv[2])
rng = random.Random(20261211)
paths = system_data_files()
budget = (size_mib << 20) // 2
seen, used, n = set(), 0, 0
stage = os.path.join(work, 'stage')
with open(os.path.join(work, 'placed.txt'), 'w') as placed:
    def place(data, ext):
        global used, n
        folder = os.path.join(stage, 'Folder %02d' % (n // 40), 'Sub %d' % (n % 3))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, 'File number %05d.%s' % (n, ext)), 'wb') as f:
            f.write(data)
        placed.write('%s\t%d\n' % (hashlib.sha256(data).hexdigest(), len(data)))
        used += len(data)
        n += 1
    for p in paths:
        data = open(p, 'rb').read()
        digest = hashlib.sha256(data).hexdigest()
        if digest in seen or used + len(data) > budget // 2:
            continue
        seen.add(digest)
        place(data, p.rsplit('.', 1)[-1].lower())
    while used < budget:
        place(rng.randbytes(rng.randrange(4096, 4 << 20)), 'bin')
PY

img="$work/image.img"
truncate -s "${size_mib}M" "$img"
mkfs.fat -F 32 -s 8 -S 512 -n ORIGINAL "$img" >/dev/null
mcopy -s -i "$img" "$work/stage/"* ::/
rm -rf "$work/stage"
mkfs.fat -F 32 -s 8 -S 512 -n REFORMATTED "$img" >/dev/null

placed=$(wc -l < "$work/placed.txt")
road_warm "$img"

start=$(date +%s.%N)
SALVIX_E2E_TIMES=1 "$harness" format "$img" "$work/salvix" > "$work/salvix.log" 2>&1 || true
salvix_time=$(road_seconds_since "$start")
salvix_exact=$(road_count "$work/salvix")
salvix_bytes=$(road_bytes "$work/salvix")
scan_time=$(sed -n 's/^search \([0-9.]*\) s$/\1/p' "$work/salvix.log" | head -1)
# The same search with the scanners one after another on one thread, for comparison.
SALVIX_E2E_SCANNERS=serial SALVIX_E2E_TIMES=1 "$harness" format "$img" "$work/serial" > "$work/serial.log" 2>&1 || true
rm -rf "$work/serial"
serial_time=$(sed -n 's/^search \([0-9.]*\) s$/\1/p' "$work/serial.log" | head -1)
cat_time=$(road_cat_seconds "$img")

printf 'image: %d MiB FAT32 quick-formatted again, %d files placed\n' "$size_mib" "$placed"
printf 'salvix:   %d byte-exact of %d, %.2f s, %s bytes written (%s)\n' "$salvix_exact" "$placed" "$salvix_time" \
    "$salvix_bytes" "$(grep '^saved' "$work/salvix.log" | head -1)"
[ -n "$scan_time" ] && printf 'scan:     %.2f s, one cat of the image %.2f s: %sx cat (aim: at most 1.5x)\n' \
    "$scan_time" "$cat_time" "$(echo "scale=2; $scan_time / $cat_time" | bc)"
[ -n "$serial_time" ] && printf 'scan with the scanners one after another: %.2f s, %sx cat\n' \
    "$serial_time" "$(echo "scale=2; $serial_time / $cat_time" | bc)"
[ "$have_photorec" = 1 ] || exit 0
rm -rf "$work/salvix"

road_photorec "$img"

printf 'photorec: %d byte-exact of %d, %.2f s, %s bytes written\n' "$photorec_exact" "$placed" "$photorec_time" \
    "$photorec_bytes"
ratio=$(echo "scale=2; $salvix_time / $photorec_time" | bc)
printf 'salvix takes %sx the time of photorec (aim: at most 0.5x)\n' "$ratio"
