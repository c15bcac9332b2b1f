#!/usr/bin/env bash
# Saving many small files: the deleted files of an NTFS volume of 100,000 files (every tenth deleted, so 10,000
# to save) recovered by salvix-e2e (tree build, the "Deleted Files" folder and the folder job, times restored)
# against tsk_recover (The Sleuth Kit, which saves the unallocated files by default) on the same image, in the
# same run, with the image in the page cache for both, three rounds in turn, the best of each reported. The
# volume is made at run time by tests/fixtures/make_ntfs_tree_images.sh --many (mkntfs + an ntfs-3g mount, which
# needs root); the work folder is on /dev/shm when it has room, so that writeback does not swamp the figures.
# A third line runs salvix-e2e with glibc's malloc kept to one arena on transparent huge pages
# (GLIBC_TUNABLES=glibc.malloc.arena_max=1:glibc.malloc.hugetlb=1): most of a cold run is the page faults of the
# tree build's heap, and this shows what the process's malloc settings alone are worth.
# The first run of each round also tells the time of the folder job alone (SALVIX_E2E_TIMES: from the start
# of the job to its end, without the tree build, the gathering or the teardown), so that what is saving and what
# is reading the volume can be told apart.
# Set SAVING_BENCH_FILES for another volume size.
# Usage: saving_many.sh [build folder]
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
harness=$build/tests/salvix-e2e
files=${SAVING_BENCH_FILES:-100000}
[[ -x "$harness" ]] || { echo "saving_many.sh: $harness is not built; skipped"; exit 0; }
command -v tsk_recover >/dev/null || { echo "saving_many.sh: tsk_recover (sleuthkit) is missing; skipped"; exit 0; }
command -v mkntfs >/dev/null && command -v ntfs-3g >/dev/null && [[ $(id -u) == 0 ]] ||
    { echo "saving_many.sh: making the volume needs mkntfs, ntfs-3g and root; skipped"; exit 0; }

base=${TMPDIR:-/tmp}
if [[ -d /dev/shm ]] && (($(df -Pk /dev/shm | awk 'NR == 2 { print $4 }') > 2 * 1024 * 1024)); then base=/dev/shm; fi
work=$(mktemp -d "$base/salvix-bench-saving-many.XXXXXX")
trap 'rm -rf "$work"' EXIT
img=$work/volume.img
bash "$here/../tests/fixtures/make_ntfs_tree_images.sh" --many "$files" "$img" >/dev/null
cat "$img" >/dev/null
sync

seconds() { date +%s.%N; }
best() { if [[ -z "$1" ]] || (($(echo "$2 < $1" | bc -l))); then echo "$2"; else echo "$1"; fi; }
rounds=3
salvix_s=""
job_s=""
tuned_s=""
tsk_s=""
tunables=glibc.malloc.arena_max=1:glibc.malloc.hugetlb=1
for ((round = 0; round < rounds; ++round)); do
    start=$(seconds)
    out=$(SALVIX_E2E_TIMES=1 "$harness" deleted "$img" "$work/salvix" 2>"$work/times")
    end=$(seconds)
    salvix_s=$(best "$salvix_s" "$(echo "$end - $start" | bc -l)")
    job_s=$(best "$job_s" "$(awk '/^folder job / { print $3 }' "$work/times")")
    salvix_files=$(find "$work/salvix" -type f | wc -l)
    rm -rf "$work/salvix"
    sync

    start=$(seconds)
    GLIBC_TUNABLES=$tunables "$harness" deleted "$img" "$work/tuned" >/dev/null
    end=$(seconds)
    tuned_s=$(best "$tuned_s" "$(echo "$end - $start" | bc -l)")
    tuned_files=$(find "$work/tuned" -type f | wc -l)
    rm -rf "$work/tuned"
    sync

    start=$(seconds)
    tsk_recover "$img" "$work/tsk" >"$work/tsk.out"
    end=$(seconds)
    tsk_s=$(best "$tsk_s" "$(echo "$end - $start" | bc -l)")
    tsk_files=$(find "$work/tsk" -type f | wc -l)
    rm -rf "$work/tsk"
    sync
done

printf 'NTFS, %d files made (%d deleted), image %d MiB, work folder in %s, best of %d rounds\n' "$files" \
    "$((files / 10))" "$(($(stat -c %s "$img") / 1048576))" "$base" "$rounds"
printf '  salvix-e2e deleted  %7.3f s  %8.0f files/s  (%d files saved: %s)\n' "$salvix_s" \
    "$(echo "$salvix_files / $salvix_s" | bc -l)" "$salvix_files" "$(echo "$out" | head -1)"
printf '    of which folder job %7.3f s  %8.0f files/s  (creating, writing, dating and closing the files)\n' "$job_s" \
    "$(echo "$salvix_files / $job_s" | bc -l)"
printf '  salvix-e2e, malloc  %7.3f s  %8.0f files/s  (%d files saved; %s)\n' "$tuned_s" \
    "$(echo "$tuned_files / $tuned_s" | bc -l)" "$tuned_files" "$tunables"
printf '  tsk_recover         %7.3f s  %8.0f files/s  (%d files saved)\n' "$tsk_s" "$(echo "$tsk_files / $tsk_s" | bc -l)" \
    "$tsk_files"
printf '  ratio               %7.2f x the speed of tsk_recover\n' "$(echo "$tsk_s / $salvix_s" | bc -l)"
