#!/usr/bin/env bash
# The whole format-recovery road timed against PhotoRec on the same image in the same run: a 2 GiB FAT32
# volume (FORMAT_ROAD_SIZE_MIB to change it, 4 KiB clusters) filled about half with real files (the system's
# shared data files) and random files in nested folders, then quick-formatted again with mkfs.fat. Salvix runs
# `salvix-e2e format` (intelligent search with every scanner, ranking, complete build, saving); PhotoRec
# carves the whole image. Files recovered byte-exact are counted from the SHA-256 of every placed file.
#   bench/format_road.sh [BUILD_DIR]     (BUILD_DIR holds tests/salvix-e2e; default build)
# Needs mkfs.fat and mtools (dosfstools, mtools), photorec (testdisk) and python3.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"
harness="$build/tests/salvix-e2e"
[ -x "$harness" ] || { echo "format_road: $harness not built (cmake --build $build --target salvix-e2e)" >&2; exit 2; }
have_photorec=1
command -v photorec >/dev/null || { echo "format_road: photorec missing (apt-get install testdisk): salvix alone" >&2; have_photorec=0; }
size_mib="${FORMAT_ROAD_SIZE_MIB:-2048}"
work="$(mktemp -d "${TMPDIR:-/tmp}/salvix-format-road.XXXXXX")"
trap 'rm -rf "$work"' EXIT
export MTOOLS_SKIP_CHECK=1

python3 - "$work" "$size_mib" <<'PY'
import hashlib, os, random, sys
work, size_mib = sys.argv[1], int(sys.argv[2])
rng = random.Random(20261211)
exts = {'png', 'gif', 'jpg', 'pdf', 'zip', 'html', 'wav', 'ttf', 'ico', 'mp3', 'odt'}
paths = []
for root in ('/usr/share', '/usr/lib'):
    for d, _, names in os.walk(root):
        for n in names:
            p = os.path.join(d, n)
            if n.rsplit('.', 1)[-1].lower() in exts and os.path.isfile(p) and not os.path.islink(p):
                if 2048 <= os.path.getsize(p) <= 8 << 20:
                    paths.append(p)
paths.sort()
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

count() { # folder -> files recovered byte-exact
    python3 - "$work/placed.txt" "$1" <<'PY'
import hashlib, os, sys
placed = {l.split('\t')[0] for l in open(sys.argv[1])}
got = set()
for d, _, names in os.walk(sys.argv[2]):
    for n in names:
        with open(os.path.join(d, n), 'rb') as f:
            got.add(hashlib.sha256(f.read()).hexdigest())
print(len(placed & got))
PY
}
placed=$(wc -l < "$work/placed.txt")
sync
cat "$img" > /dev/null # both tools start from a warm cache

start=$(date +%s.%N)
"$harness" format "$img" "$work/salvix" > "$work/salvix.log" 2>&1 || true
salvix_time=$(echo "$(date +%s.%N) - $start" | bc)
salvix_exact=$(count "$work/salvix")

printf 'image: %d MiB FAT32 quick-formatted again, %d files placed\n' "$size_mib" "$placed"
printf 'salvix:   %d byte-exact of %d, %.1f s (%s)\n' "$salvix_exact" "$placed" "$salvix_time" \
    "$(grep '^saved' "$work/salvix.log" | head -1)"
[ "$have_photorec" = 1 ] || exit 0
rm -rf "$work/salvix"

start=$(date +%s.%N)
(cd "$work" && photorec /log /d "$work/photorec" /cmd "$img" partition_none,fileopt,everything,enable,search \
    > /dev/null 2>&1) || true
photorec_time=$(echo "$(date +%s.%N) - $start" | bc)
mkdir -p "$work/pr"
for d in "$work"/photorec.*; do [ -d "$d" ] && mv "$d" "$work/pr/"; done
photorec_exact=$(count "$work/pr")

printf 'photorec: %d byte-exact of %d, %.1f s\n' "$photorec_exact" "$placed" "$photorec_time"
ratio=$(echo "scale=2; $salvix_time / $photorec_time" | bc)
printf 'salvix takes %sx the time of photorec (aim: at most 0.5x)\n' "$ratio"
