#!/usr/bin/env bash
# Builds a fuzz target with clang (libFuzzer, address and undefined-behaviour
# sanitizers) and runs it. Not part of the test run.
#   fuzz/run.sh [seconds] [reader|extract|pathmaps|level]      (default 600 reader)
#   reader:   any bytes opened, listed and read as an archive
#   extract:  any bytes extracted into a folder that holds links leading out
#   pathmaps: any bytes read as each kind of pathmap file
#   level:    any bytes read as each kind of level file
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-600}"
target="${2:-reader}"
case "$target" in
  reader|extract|pathmaps|level) ;;
  *) echo "unknown target $target (reader, extract, pathmaps or level)"; exit 1 ;;
esac
out="$root/build-fuzz"
corpus="$out/corpus-$target"
[ "$target" = reader ] && [ -d "$out/corpus" ] && corpus="$out/corpus"
mkdir -p "$corpus"
command -v clang++ >/dev/null || { echo "clang++ is needed (Debian: clang libclang-rt-dev)"; exit 1; }

if [ "$target" = level ]; then
  name=level
  sources=("$root"/src/level/{script,ai_con,pathfinding_con,control_points,terrain}.cpp
           "$root"/src/pathmaps/{declarations,formats}.cpp "$root"/src/platform/{text,errors,files,level_files,fd_io}.cpp)
  libs=()
elif [ "$target" = pathmaps ]; then
  name=pathmaps
  sources=("$root"/src/pathmaps/{formats,rebuild}.cpp "$root"/src/platform/{text,errors}.cpp)
  libs=()
else
  name="rfa_${target}"
  sources=("$root"/src/rfa/{format,names,lzo_codec,reader}.cpp "$root"/src/platform/{text,errors,files}.cpp)
  [ "$target" = extract ] && sources+=("$root"/src/rfa/{archive,block_pipeline}.cpp)
  libs=($(pkg-config --cflags --libs lzo2))
fi
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I "$root/src" "$root/fuzz/${name}_fuzz.cpp" "${sources[@]}" \
  "${libs[@]}" -pthread -o "$out/${name}_fuzz"

# Seeds for the pathmap readers: the sample's files, behind a first byte
# that names a 1024 m world and the file's level.
if [ "$target" = pathmaps ] && [ -z "$(ls -A "$corpus")" ]; then
  for f in "$root"/build/Tarnwick/samples/Game/bf1942/levels/DemoMap/Pathfinding/*Level[0-2]Map.raw \
           "$root"/build/Tarnwick/samples/Game/bf1942/levels/DemoMap/Pathfinding/{Tank,TankInfo}.raw; do
    [ -f "$f" ] || continue
    case "$f" in *Level1Map.raw) first='\x06' ;; *Level2Map.raw) first='\x0a' ;; *) first='\x02' ;; esac
    { printf "$first"; cat "$f"; } > "$corpus/$(basename "$f")"
  done
fi

# Seeds for the level readers: the sample level's scripts.
if [ "$target" = level ] && [ -z "$(ls -A "$corpus")" ]; then
  find "$root/data" -iname '*.con' -size -64k | head -40 | while read -r f; do
    cp "$f" "$corpus/$(echo "$f" | md5sum | cut -c1-12).con"
  done
fi

# Seeds: archives of both kinds made by our own packer, under two inner paths.
if [ "$target" != pathmaps ] && [ "$target" != level ] && [ -x "$root/build/Tarnwick/rfapack" ] && [ -z "$(ls -A "$corpus")" ]; then
  seed="$(mktemp -d)"
  mkdir -p "$seed/lvl/sub"
  printf 'run objects\r\nrun weapons\r\n' > "$seed/lvl/init.con"
  head -c 40000 /dev/urandom > "$seed/lvl/sub/map.raw"
  : > "$seed/lvl/empty.con"
  (cd "$seed" && "$root/build/Tarnwick/rfapack" lvl bf1942/levels/x s.rfa >/dev/null &&
                 "$root/build/Tarnwick/rfapack" lvl bf1942/levels/x c.rfa -Compress >/dev/null &&
                 "$root/build/Tarnwick/rfapack" lvl inside/x i.rfa >/dev/null)
  cp "$seed"/*.rfa "$corpus/"
  rm -rf "$seed"
fi

"$out/${name}_fuzz" -max_total_time="$seconds" -rss_limit_mb=1024 -timeout=10 -print_final_stats=1 "$corpus"
