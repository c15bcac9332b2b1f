# What the whole-road benchmarks share (sourced, not run: bench/run.sh runs only bench/*.sh): the harness and
# PhotoRec found, a work folder removed on exit, the system's shared data files to place, the byte-exact count
# of what a tool recovered, and PhotoRec's run over an image.
# A script sets `here` (the source root) and `build` before sourcing; the functions set the variables they name.

# road_init <name>: harness, have_photorec and work (salvix-<name>.XXXXXX, removed on exit).
road_init() {
    local name="$1"
    harness="$build/tests/salvix-e2e"
    [ -x "$harness" ] || { echo "$name: $harness not built (cmake --build $build --target salvix-e2e)" >&2; exit 2; }
    have_photorec=1
    command -v photorec >/dev/null ||
        { echo "$name: photorec missing (apt-get install testdisk): salvix alone" >&2; have_photorec=0; }
    work="$(mktemp -d "${TMPDIR:-/tmp}/salvix-${name//_/-}.XXXXXX")"
    trap 'rm -rf "$work"' EXIT
}

# The python helpers (system_data_files) the scripts' placing steps import.
road_python_path="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
export PYTHONPATH="$road_python_path${PYTHONPATH:+:$PYTHONPATH}"

# road_count <folder>: prints how many of the files in $work/placed.txt (first column: SHA-256) lie in the
# folder byte-exact.
road_count() {
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

# road_warm <image>: both tools start from a warm cache.
road_warm() {
    sync
    cat "$1" >/dev/null
}

# road_cat_seconds <image>: the best of three `cat`s of the (warm) image, in seconds.
road_cat_seconds() {
    local best="" start t
    for _ in 1 2 3; do
        start=$(date +%s.%N)
        cat "$1" >/dev/null
        t=$(road_seconds_since "$start")
        if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" = 1 ]; then best=$t; fi
    done
    echo "$best"
}

# road_bytes <folder>: the bytes of the files below it.
road_bytes() {
    du -sb "$1" 2>/dev/null | cut -f1
}

# road_seconds_since <start from date +%s.%N>
road_seconds_since() {
    echo "$(date +%s.%N) - $1" | bc
}

# road_photorec <image>: carves the whole image into $work/pr; sets photorec_time and photorec_exact.
road_photorec() {
    local start d
    start=$(date +%s.%N)
    (cd "$work" && photorec /log /d "$work/photorec" /cmd "$1" partition_none,fileopt,everything,enable,search \
        >/dev/null 2>&1) || true
    photorec_time=$(road_seconds_since "$start")
    # photorec writes into photorec.1, photorec.2, ...
    mkdir -p "$work/pr"
    for d in "$work"/photorec.*; do [ -d "$d" ] && mv "$d" "$work/pr/"; done
    photorec_exact=$(road_count "$work/pr")
    photorec_bytes=$(road_bytes "$work/pr")
}
