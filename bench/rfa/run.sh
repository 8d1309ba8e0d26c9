#!/usr/bin/env bash
# Archive tool benchmark: packs and unpacks a generated level-like tree of
# about 200 MB and compares with tools measured in the same run on the same
# bytes. Prints MB/s and ratios (ours / reference; below 1 is faster).
#   bench/rfa/run.sh            (needs a Release build in build/, and lzop)
# The work folder is memory-backed (/dev/shm) where there is room, so the
# ratios show the tools' own cost rather than the disk's mood; set
# BENCH_DIR=/var/tmp to measure on disk.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
tools="$root/build/Tarnwick"
command -v lzop >/dev/null || { echo "lzop is needed as the reference (Debian: lzop)"; exit 1; }
[ -x "$tools/rfapack" ] || { echo "build first: ./test.sh"; exit 1; }

base="${BENCH_DIR:-}"
if [ -z "$base" ]; then
  base=/var/tmp
  avail=$(df -Pk /dev/shm 2>/dev/null | awk 'NR==2 {print $4}')
  [ -n "$avail" ] && [ "$avail" -gt 2000000 ] && base=/dev/shm
fi
work="$(mktemp -d "$base/tarnwick-bench.XXXXXX")"
echo "Work folder: $work"
trap 'rm -rf "$work"' EXIT
src="$work/bf1942/levels/Bench"
mkdir -p "$src"

# A level-like tree: many small text scripts, compressible binaries
# (pathmap-like runs), incompressible data (textures-like noise).
python3 - "$src" <<'PY'
import os, random, sys
root = sys.argv[1]
rnd = random.Random(1942)
def write(rel, data):
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
for i in range(2000):   # ~30 MB of scripts
    lines = [f"Object.create Tree{rnd.randint(0, 999)}\r\nObject.absolutePosition {rnd.uniform(0, 4096):.3f}/{rnd.uniform(0, 200):.3f}/{rnd.uniform(0, 4096):.3f}\r\n" for _ in range(180)]
    write(f"objects/part{i // 100}/Static{i}.con", "".join(lines).encode())
for i in range(40):     # ~90 MB of pathmap-like data
    row = bytearray()
    while len(row) < 2_250_000:
        row += bytes([rnd.choice((0, 0, 0, 1, 255))]) * rnd.randint(1, 300)
    write(f"Pathfinding/Map{i}Level0.raw", bytes(row[:2_250_000]))
for i in range(20):     # ~80 MB of noise
    write(f"textures/Noise{i}.dds", rnd.randbytes(4_000_000))
PY
total=$(du -sb "$src" | cut -f1)
mb=$(python3 -c "print($total / 1e6)")
echo "Tree: $(find "$src" -type f | wc -l) files, $mb MB"

best() {  # best of three runs, in seconds; the command's cleanup is $2
    local best=""
    for _ in 1 2 3; do
        eval "$2"
        sync
        local t0=$(date +%s.%N)
        eval "$1" >/dev/null
        local t1=$(date +%s.%N)
        local t=$(python3 -c "print($t1 - $t0)")
        if [ -z "$best" ] || python3 -c "import sys; sys.exit(0 if $t < $best else 1)"; then best=$t; fi
    done
    echo "$best"
}
report() {  # name ours reference refname goal
    python3 - "$@" "$mb" <<'PY'
import sys
name, ours, ref, refname, goal, mb = sys.argv[1], float(sys.argv[2]), float(sys.argv[3]), sys.argv[4], sys.argv[5], float(sys.argv[6])
ratio = ours / ref
print(f"{name:28s} ours {mb/ours:8.1f} MB/s  {refname} {mb/ref:8.1f} MB/s  ratio {ratio:5.2f}  (goal {goal})")
PY
}

cd "$work"
# Store pack / unpack against cp -r.
t_pack=$(best "'$tools/rfapack' bf1942/levels/Bench bf1942/levels/Bench store.rfa" "rm -f store.rfa")
t_cp=$(best "cp -r bf1942 copy" "rm -rf copy")
mkdir -p out
t_unpack=$(best "'$tools/rfaunpack' store.rfa out" "rm -rf out; mkdir out")
t_cp2=$(best "cp -r out copy2" "rm -rf copy2")
# Compressed pack against lzop -9; compressed unpack against lzop -d.
t_cpack=$(best "'$tools/rfapack' bf1942/levels/Bench bf1942/levels/Bench packed.rfa -Compress" "rm -f packed.rfa")
t_lzop=$(best "tar cf - bf1942 | lzop -9 > ref.tar.lzo" "rm -f ref.tar.lzo")
t_cunpack=$(best "'$tools/rfaunpack' packed.rfa out" "rm -rf out; mkdir out")
t_lzopd=$(best "mkdir -p ref && lzop -dc ref.tar.lzo | tar xf - -C ref" "rm -rf ref")

echo "Sizes: store $(stat -c %s store.rfa) B, -Compress $(stat -c %s packed.rfa) B, lzop -9 $(stat -c %s ref.tar.lzo) B"
report "store pack" "$t_pack" "$t_cp" "cp -r" "<= 1.2"
report "store unpack" "$t_unpack" "$t_cp2" "cp -r" "<= 1.2"
report "-Compress pack (all cores)" "$t_cpack" "$t_lzop" "lzop -9" "<= 0.6"
report "compressed unpack" "$t_cunpack" "$t_lzopd" "lzop -d" "<= 1.3"
