#!/usr/bin/env bash
# Reading a failing disk: the deleted-file road of salvix-e2e over a 1 GiB FAT32 image (mkfs.fat, eight deleted
# files of 100 MiB written and deleted with mtools) with 100 scattered sectors inside the files failing with EIO
# (SALVIX_E2E_BAD_SECTORS), against the same image without them: the best of three rounds each, their ratio,
# and what the run reported as unreadable (each bad sector must cost exactly its 512 bytes). Everything is made
# at run time in a temporary folder and removed.
# Usage: bad_sectors.sh [build folder]
set -euo pipefail
build=${1:-build}
harness=$build/tests/salvix-e2e
[[ -x "$harness" ]] || { echo "bad_sectors.sh: $harness is not built; skipped"; exit 0; }
for tool in mkfs.fat mcopy mdel mshowfat; do
    command -v "$tool" >/dev/null || { echo "bad_sectors.sh: $tool is missing; skipped"; exit 0; }
done

base=${TMPDIR:-/tmp}
if [[ -d /dev/shm ]] && (($(df -Pk /dev/shm | awk 'NR == 2 { print $4 }') > 4 * 1024 * 1024)); then base=/dev/shm; fi
work=$(mktemp -d "$base/salvix-bench-badsectors.XXXXXX")
trap 'rm -rf "$work"' EXIT
img="$work/disk.img"
export MTOOLS_SKIP_CHECK=1

truncate -s 1G "$img"
mkfs.fat -F 32 -s 8 -S 512 "$img" >/dev/null
head -c $((100 * 1024 * 1024)) /dev/urandom >"$work/part"
for i in 1 2 3 4 5 6 7 8; do mcopy -i "$img" "$work/part" "::FILE$i.BIN"; done
rm "$work/part"
# The files' data lies in one stretch after the FATs: the bad sectors are chosen inside it.
read -r -a b <<<"$(od -An -tu1 -N 48 -v "$img" | tr -s ' \n' ' ')"
reserved=$((b[14] | b[15] << 8))
fats=${b[16]}
perfat=$((b[36] | b[37] << 8 | b[38] << 16 | b[39] << 24))
first=$(mshowfat -i "$img" ::FILE1.BIN | grep -o '<[0-9]*' | head -1 | tr -d '<')
data=$((reserved + fats * perfat + (first - 2) * 8))
span=$((8 * 100 * 1024 * 1024 / 512))
for i in 1 2 3 4 5 6 7 8; do mdel -i "$img" "::FILE$i.BIN"; done
bad=$(awk -v data="$data" -v span="$span" 'BEGIN { srand(47); for (i = 0; i < 100; ++i) {
        do { s = data + int(rand() * span) } while (s in seen); seen[s] = 1; out = out (i ? "," : "") s }
    print out }')

best() { # best wall time of three runs of the harness; the last run's report in $work/report
    local best=999999 t start
    for _ in 1 2 3; do
        rm -rf "$work/out"
        start=$(date +%s.%N)
        env "$@" "$harness" deleted "$img" "$work/out" >"$work/report" 2>&1 || true
        t=$(echo "$(date +%s.%N) - $start" | bc)
        best=$(echo "if ($t < $best) $t else $best" | bc)
    done
    echo "$best"
}

clean=$(best SALVIX_E2E_NONE=1)
echo "without bad sectors: $clean s; $(head -1 "$work/report")"
failing=$(best SALVIX_E2E_BAD_SECTORS="$bad")
echo "with 100 bad sectors: $failing s"
sed 's/^/  /' "$work/report"
echo "ratio: $(echo "scale=2; $failing / $clean" | bc)x (aim: at most 1.3x)"
