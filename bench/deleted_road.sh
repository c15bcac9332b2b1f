#!/usr/bin/env bash
# The deleted-file road on an NTFS volume of 100,000 files (every tenth deleted, so 10,000 to save) against what
# the disk and the target must do at the least, in one run, with the image in the page cache, best of three
# rounds each:
#   (a) reading the volume's $MFT: its extents (istat of record 0 names its clusters) read in 4 MiB pieces by one
#       process (perl's sysread, so that starting a program per extent does not count)
#   (b) copying the bytes the road recovers: dd of that many bytes of the image into one file of the work folder;
#       and, for comparison, cp -r of the recovered folder (the same files, created one by one)
#   (c) the whole road: salvix-e2e deleted (the tree build from the $MFT, "Deleted Files" and the folder job)
# and the ratio (c) / ((a) + (b)). The volume is made once by tests/fixtures/make_ntfs_tree_images.sh --many
# (mkntfs and an ntfs-3g mount, which needs root) and kept under the build folder (bench-cache/) for later runs;
# the work folder is on /dev/shm when it has room, so that writeback does not swamp the figures.
# Set DELETED_ROAD_FILES for another volume size, DELETED_ROAD_ROUNDS for another number of rounds, and
# DELETED_ROAD_OTHER to another build's salvix-e2e to time it in the same rounds (before and after a change).
# Usage: deleted_road.sh [build folder]
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
harness=$build/tests/salvix-e2e
files=${DELETED_ROAD_FILES:-100000}
rounds=${DELETED_ROAD_ROUNDS:-3}
other=${DELETED_ROAD_OTHER:-}
[[ -x "$harness" ]] || { echo "deleted_road.sh: $harness is not built; skipped"; exit 0; }
command -v istat >/dev/null && command -v fsstat >/dev/null ||
    { echo "deleted_road.sh: istat and fsstat (sleuthkit) are missing; skipped"; exit 0; }

img=$build/bench-cache/ntfs_many_$files.img
if [[ ! -s "$img" ]]; then
    command -v mkntfs >/dev/null && command -v ntfs-3g >/dev/null && [[ $(id -u) == 0 ]] ||
        { echo "deleted_road.sh: making the volume needs mkntfs, ntfs-3g and root; skipped"; exit 0; }
    mkdir -p "$(dirname "$img")"
    bash "$here/../tests/fixtures/make_ntfs_tree_images.sh" --many "$files" "$img.part" >/dev/null
    mv "$img.part" "$img"
fi

base=${TMPDIR:-/tmp}
if [[ -d /dev/shm ]] && (($(df -Pk /dev/shm | awk 'NR == 2 { print $4 }') > 2 * 1024 * 1024)); then base=/dev/shm; fi
work=$(mktemp -d "$base/salvix-bench-deleted-road.XXXXXX")
trap 'rm -rf "$work"' EXIT
cat "$img" >/dev/null

# The $MFT's extents in bytes: "offset length" per line, from the cluster list of its $DATA attribute.
cluster=$(fsstat -f ntfs "$img" | awk -F': *' '/^Cluster Size/ { print $2; exit }')
istat -f ntfs "$img" 0 | awk -v c="$cluster" '
    /^Type: \$DATA/ { data = 1; next }
    /^Type: / { data = 0 }
    data && /^[0-9 ]+$/ {
        for (i = 1; i <= NF; ++i) {
            if (n > 0 && $i == start + n) { ++n; continue }
            if (n > 0) print start * c, n * c
            start = $i; n = 1
        }
    }
    END { if (n > 0) print start * c, n * c }' >"$work/mft.extents"
mft_bytes=$(awk '{ s += $2 } END { print s }' "$work/mft.extents")
mft_extents=$(wc -l <"$work/mft.extents")

seconds() { date +%s.%N; }
best() { if [[ -z "$1" ]] || (($(echo "$2 < $1" | bc -l))); then echo "$2"; else echo "$1"; fi; }
read_mft() {
    perl -e '
        open(my $f, "<:raw", $ARGV[0]) or die "$ARGV[0]: $!";
        my $buffer;
        while (<STDIN>) {
            my ($offset, $length) = split;
            while ($length > 0) {
                my $n = $length < 4194304 ? $length : 4194304;
                sysseek($f, $offset, 0) or die "seek: $!";
                sysread($f, $buffer, $n) == $n or die "short read at $offset";
                $offset += $n;
                $length -= $n;
            }
        }' "$img" <"$work/mft.extents"
}

mft_s=""
dd_s=""
cp_s=""
road_s=""
build_s=""
saving_s=""
teardown_s=""
other_s=""
for ((round = 0; round < rounds; ++round)); do
    start=$(seconds)
    read_mft
    end=$(seconds)
    mft_s=$(best "$mft_s" "$(echo "$end - $start" | bc -l)")

    start=$(seconds)
    out=$(SALVIX_E2E_TIMES=1 "$harness" deleted "$img" "$work/road" 2>"$work/times")
    end=$(seconds)
    road_s=$(best "$road_s" "$(echo "$end - $start" | bc -l)")
    build_s=$(best "$build_s" "$(awk '/^tree build / { print $3 }' "$work/times")")
    saving_s=$(best "$saving_s" "$(awk '/^saving / { print $2 }' "$work/times")")
    teardown_s=$(best "$teardown_s" "$(awk '/^teardown / { print $2 }' "$work/times")")
    saved_files=$(find "$work/road" -type f | wc -l)
    saved_bytes=$(find "$work/road" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
    sync

    if [[ -n "$other" ]]; then
        start=$(seconds)
        "$other" deleted "$img" "$work/other" >/dev/null
        end=$(seconds)
        other_s=$(best "$other_s" "$(echo "$end - $start" | bc -l)")
        rm -rf "$work/other"
        sync
    fi

    start=$(seconds)
    dd if="$img" of="$work/copy" bs=4M iflag=count_bytes count="$saved_bytes" status=none
    end=$(seconds)
    dd_s=$(best "$dd_s" "$(echo "$end - $start" | bc -l)")
    rm -f "$work/copy"
    sync

    start=$(seconds)
    cp -r "$work/road" "$work/copies"
    end=$(seconds)
    cp_s=$(best "$cp_s" "$(echo "$end - $start" | bc -l)")
    rm -rf "$work/road" "$work/copies"
    sync
done

printf 'NTFS, %d files made (%d deleted), image %d MiB, work folder in %s, best of %d rounds\n' "$files" \
    "$((files / 10))" "$(($(stat -c %s "$img") / 1048576))" "$base" "$rounds"
printf '  (a) $MFT read          %7.3f s  (%d MiB in %d extents)\n' "$mft_s" "$((mft_bytes / 1048576))" "$mft_extents"
printf '  (b) copy, dd            %7.3f s  (%d bytes, the recovered files'"'"' sum, in one file)\n' "$dd_s" "$saved_bytes"
printf '      copy, cp -r         %7.3f s  (the %d recovered files themselves)\n' "$cp_s" "$saved_files"
printf '  (c) salvix-e2e deleted  %7.3f s  (%s)\n' "$road_s" "$(echo "$out" | head -1)"
printf '      of which           tree build %s s, saving %s s, teardown %s s (best of each)\n' "$build_s" "$saving_s" \
    "$teardown_s"
[[ -z "$other" ]] || printf '      %s  %7.3f s\n' "$other" "$other_s"
printf '  ratio (c)/((a)+(b))     %7.2f   (%.2f against (a) + cp -r)\n' "$(echo "$road_s / ($mft_s + $dd_s)" | bc -l)" \
    "$(echo "$road_s / ($mft_s + $cp_s)" | bc -l)"
