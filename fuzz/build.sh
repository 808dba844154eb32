#!/usr/bin/env bash
# Builds the libFuzzer targets (readers of outside input) with clang and the
# address and undefined-behaviour sanitizers, into fuzz/build/. Each target is
# one fuzz_target line at the end: its main file and the sources it needs.
#   fuzz/build.sh            build
#   fuzz/build/fuzz_archive -max_total_time=60 fuzz/build/corpus_archive
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/fuzz/build
mkdir -p "$out/obj"
cxx=${CXX_FUZZ:-clang++}
qt_flags=$(pkg-config --cflags Qt6Core)
qt_libs=$(pkg-config --libs Qt6Core)
common=(-std=c++17 -g -O1 -fPIC -fno-omit-frame-pointer -I"$root/src" $qt_flags
        -DQT_NO_CAST_FROM_ASCII -DQT_NO_CAST_TO_ASCII -DQT_USE_QSTRINGBUILDER)
san=(-fsanitize=address,undefined -fno-sanitize-recover=undefined)

# Objects of the sources a target needs, compiled once with the sanitizers.
objects() {
  local src obj
  for src in "$@"; do
    obj=$out/obj/$(basename "$(dirname "$src")")_$(basename "${src%.cpp}").o
    if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ]; then
      "$cxx" "${common[@]}" "${san[@]}" -fsanitize=fuzzer-no-link -c "$src" -o "$obj"
    fi
    echo "$obj"
  done
}

# fuzz_target NAME SOURCE...: links fuzz/NAME.cpp with the objects of SOURCE...
fuzz_target() {
  local name=$1
  shift
  local objs
  mapfile -t objs < <(objects "$@")
  "$cxx" "${common[@]}" "${san[@]}" -fsanitize=fuzzer "$root/fuzz/$name.cpp" "${objs[@]}" $qt_libs -lz -o "$out/$name"
  mkdir -p "$out/corpus_${name#fuzz_}"
  echo "built $out/$name"
}

backup_sources=("$root"/src/backup/*.cpp "$root/src/base/Cp1252.cpp" "$root/src/base/Dialogs.cpp" "$root/src/base/Numbers.cpp")
fuzz_target fuzz_lzrw1kh "${backup_sources[@]}"
fuzz_target fuzz_zlib_block "${backup_sources[@]}"
fuzz_target fuzz_archive "${backup_sources[@]}"

# The text import's line parser.
textline_sources=("${backup_sources[@]}" "$root/src/exchange/TextRecords.cpp" "$root/src/store/Schema.cpp"
                  "$root/src/store/RecordRules.cpp")
fuzz_target fuzz_textline "${textline_sources[@]}"
