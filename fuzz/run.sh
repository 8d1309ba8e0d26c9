#!/usr/bin/env bash
# Builds the archive reader's fuzz target with clang (libFuzzer, address and
# undefined-behaviour sanitizers) and runs it. Not part of the test run.
#   fuzz/run.sh [seconds]      (default 600)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build-fuzz"
seconds="${1:-600}"
mkdir -p "$out/corpus"
command -v clang++ >/dev/null || { echo "clang++ is needed (Debian: clang libclang-rt-dev)"; exit 1; }

clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I "$root/src" "$root/fuzz/rfa_reader_fuzz.cpp" \
  "$root"/src/rfa/{format,names,lzo_codec,reader}.cpp "$root"/src/platform/{text,errors,files}.cpp \
  $(pkg-config --cflags --libs lzo2) -o "$out/rfa_reader_fuzz"

# Seeds: archives of both kinds made by our own packer.
if [ -x "$root/build/Tarnwick/rfapack" ] && [ -z "$(ls -A "$out/corpus")" ]; then
  seed="$(mktemp -d)"
  mkdir -p "$seed/lvl/sub"
  printf 'run objects\r\nrun weapons\r\n' > "$seed/lvl/init.con"
  head -c 40000 /dev/urandom > "$seed/lvl/sub/map.raw"
  : > "$seed/lvl/empty.con"
  (cd "$seed" && "$root/build/Tarnwick/rfapack" lvl bf1942/levels/x s.rfa >/dev/null &&
                 "$root/build/Tarnwick/rfapack" lvl bf1942/levels/x c.rfa -Compress >/dev/null)
  cp "$seed"/*.rfa "$out/corpus/"
  rm -rf "$seed"
fi

"$out/rfa_reader_fuzz" -max_total_time="$seconds" -rss_limit_mb=1024 -timeout=10 -print_final_stats=1 "$out/corpus"
