#!/usr/bin/env bash
# Builds a fuzz target with clang (libFuzzer, address and undefined-behaviour
# sanitizers) and runs it. Not part of the test run.
#   fuzz/run.sh [seconds] [reader|extract]      (default 600 reader)
#   reader:  any bytes opened, listed and read as an archive
#   extract: any bytes extracted into a folder that holds links leading out
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-600}"
target="${2:-reader}"
case "$target" in
  reader|extract) ;;
  *) echo "unknown target $target (reader or extract)"; exit 1 ;;
esac
out="$root/build-fuzz"
corpus="$out/corpus-$target"
[ "$target" = reader ] && [ -d "$out/corpus" ] && corpus="$out/corpus"
mkdir -p "$corpus"
command -v clang++ >/dev/null || { echo "clang++ is needed (Debian: clang libclang-rt-dev)"; exit 1; }

sources=("$root"/src/rfa/{format,names,lzo_codec,reader}.cpp "$root"/src/platform/{text,errors,files}.cpp)
[ "$target" = extract ] && sources+=("$root"/src/rfa/{archive,block_pipeline}.cpp)
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I "$root/src" "$root/fuzz/rfa_${target}_fuzz.cpp" "${sources[@]}" \
  $(pkg-config --cflags --libs lzo2) -pthread -o "$out/rfa_${target}_fuzz"

# Seeds: archives of both kinds made by our own packer, under two inner paths.
if [ -x "$root/build/Tarnwick/rfapack" ] && [ -z "$(ls -A "$corpus")" ]; then
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

"$out/rfa_${target}_fuzz" -max_total_time="$seconds" -rss_limit_mb=1024 -timeout=10 -print_final_stats=1 "$corpus"
