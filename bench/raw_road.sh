#!/usr/bin/env bash
# The whole signature-recovery road timed against PhotoRec on the same image in the same run: a 2 GiB image
# (RAW_ROAD_SIZE_MIB to change it) of real files (the system's shared data files and the committed RAW
# fixtures) at sector offsets in random filler; each tool recovers it into its own folder, and the files
# recovered byte-exact by each are counted from the SHA-256 of every placed file, and the bytes each wrote are
# told; the scan alone (SALVIX_E2E_TIMES) is set against one `cat` of the image.
#   bench/raw_road.sh [BUILD_DIR]     (BUILD_DIR holds tests/salvix-e2e; default build)
# Needs photorec (Debian package testdisk) and python3; prints one line per tool and a verdict line.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"
source "$here/bench/lib/road.sh"
size_mib="${RAW_ROAD_SIZE_MIB:-2048}"
road_init raw_road

python3 - "$here" "$work" "$size_mib" <<'PY'
import hashlib, os, random, sys, lzma
from road_files import system_data_files
here, work, size_mib = sys.argv[1], sys.argv[2], int(sys.argv[3])
rng = random.Random(20261210)
paths = system_data_files()
fixtures = os.path.join(here, 'tests/fixtures/raw')
for family in sorted(os.listdir(fixtures)):
    full = os.path.join(fixtures, family)
    if os.path.isdir(full):
        paths += [os.path.join(full, n) for n in sorted(os.listdir(full))]
paths.sort()
seen, files = set(), []
for p in paths:
    data = open(p, 'rb').read()
    if p.endswith('.xz'):
        data = lzma.decompress(data)
    digest = hashlib.sha256(data).hexdigest()
    if digest in seen:
        continue
    seen.add(digest)
    files.append((p, data, digest))
rng.shuffle(files)
total = size_mib << 20
used = sum(len(d) for _, d, _ in files)
gap_room = max(max(total - used, 0) // (len(files) + 1), 2048)
with open(os.path.join(work, 'image.img'), 'wb') as img, open(os.path.join(work, 'placed.txt'), 'w') as placed:
    pos = 0
    for p, data, digest in files:
        gap = rng.randrange(gap_room // 2, gap_room) // 512 * 512 + 512
        if pos + gap + len(data) > total:
            break
        img.write(rng.randbytes(gap))
        pos += gap
        img.write(data)
        pos += len(data)
        pad = -pos % 512
        img.write(rng.randbytes(pad))
        pos += pad
        placed.write('%s\t%d\t%s\n' % (digest, len(data), p))
    while pos < total:
        n = min(64 << 20, total - pos)
        img.write(rng.randbytes(n))
        pos += n
PY

placed=$(wc -l < "$work/placed.txt")
road_warm "$work/image.img"

start=$(date +%s.%N)
SALVIX_E2E_TIMES=1 "$harness" raw "$work/image.img" "$work/salvix" > "$work/salvix.log" 2>&1
salvix_time=$(road_seconds_since "$start")
salvix_exact=$(road_count "$work/salvix")
salvix_bytes=$(road_bytes "$work/salvix")
scan_time=$(sed -n 's/^search \([0-9.]*\) s$/\1/p' "$work/salvix.log" | head -1)
cat_time=$(road_cat_seconds "$work/image.img")

printf 'image: %d MiB, %d files placed\n' "$size_mib" "$placed"
printf 'salvix:   %d byte-exact of %d, %.2f s, %s bytes written (%s)\n' "$salvix_exact" "$placed" "$salvix_time" \
    "$salvix_bytes" "$(grep '^saved' "$work/salvix.log" | head -1)"
[ -n "$scan_time" ] && printf 'scan:     %.2f s, one cat of the image %.2f s: %sx cat\n' \
    "$scan_time" "$cat_time" "$(echo "scale=2; $scan_time / $cat_time" | bc)"
[ "$have_photorec" = 1 ] || exit 0
rm -rf "$work/salvix"

road_photorec "$work/image.img"

printf 'photorec: %d byte-exact of %d, %.2f s, %s bytes written\n' "$photorec_exact" "$placed" "$photorec_time" \
    "$photorec_bytes"
ratio=$(echo "scale=2; $photorec_time / $salvix_time" | bc)
printf 'salvix recall %s photorec; photorec takes %sx the time of salvix (aim: at least 3x)\n' \
    "$([ "$salvix_exact" -ge "$photorec_exact" ] && echo '>=' || echo '<')" "$ratio"
