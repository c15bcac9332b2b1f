#!/usr/bin/env bash
# NTFS directory-tree build from the $MFT against `fls -r -p` (The Sleuth Kit) on the same volume, in the same
# run, with the image in the page cache for both, best of three rounds each: a volume of 100,000 files (every
# tenth deleted) made at run time by tests/fixtures/make_ntfs_tree_images.sh --many, which needs root for its
# ntfs-3g mount. Reports $MFT records per second and the time against fls. Set NTFS_BENCH_FILES for another size.
# Usage: ntfs.sh [build folder]
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
timing=$build/ntfs_tree_timing
files=${NTFS_BENCH_FILES:-100000}
[[ -x "$timing" ]] || { echo "ntfs.sh: $timing is not built; skipped"; exit 0; }
command -v fls >/dev/null || { echo "ntfs.sh: fls (sleuthkit) is missing; skipped"; exit 0; }
command -v mkntfs >/dev/null && command -v ntfs-3g >/dev/null && [[ $(id -u) == 0 ]] ||
    { echo "ntfs.sh: making the volume needs mkntfs, ntfs-3g and root; skipped"; exit 0; }

work=$(mktemp -d "${TMPDIR:-/tmp}/salvix-bench-ntfs.XXXXXX")
trap 'rm -rf "$work"' EXIT
img=$work/volume.img
bash "$here/../tests/fixtures/make_ntfs_tree_images.sh" --many "$files" "$img" >/dev/null
cat "$img" >/dev/null

rounds=3
read -r salvix_s records entries nodes < <("$timing" "$img" "$rounds")
fls_s=""
for ((round = 0; round < rounds; ++round)); do
    start=$(date +%s.%N)
    fls -r -p "$img" >"$work/fls.out"
    end=$(date +%s.%N)
    s=$(echo "$end - $start" | bc -l)
    if [[ -z "$fls_s" ]] || (($(echo "$s < $fls_s" | bc -l))); then fls_s=$s; fi
done
fls_lines=$(wc -l <"$work/fls.out")

printf 'NTFS, %d files made (%d deleted), image %d MiB, best of %d rounds\n' "$files" "$((files / 10))" \
    "$(($(stat -c %s "$img") / 1048576))" "$rounds"
printf '  salvix tree build  %7.3f s  %10.0f records/s  (%d records, %d kept, %d nodes)\n' "$salvix_s" \
    "$(echo "$records / $salvix_s" | bc -l)" "$records" "$entries" "$nodes"
printf '  fls -r -p          %7.3f s  (%d lines)\n' "$fls_s" "$fls_lines"
printf '  ratio              %7.2f x the speed of fls\n' "$(echo "$fls_s / $salvix_s" | bc -l)"
