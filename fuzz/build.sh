#!/usr/bin/env bash
# Builds the libFuzzer targets of the readers of outside input (backup
# archives and codecs, data packets, electronic invoices and their zip
# batches, text import lines) with clang and the address and
# undefined-behaviour sanitizers, into fuzz/build/.
#   fuzz/build.sh            build
#   fuzz/build/fuzz_archive -max_total_time=60 fuzz/build/corpus_archive
#   fuzz/build/fuzz_nfe -max_total_time=300 fuzz/build/corpus_nfe fuzz/seeds/nfe
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

sources=("$root"/src/backup/*.cpp "$root/src/base/Cp1252.cpp" "$root/src/base/Dialogs.cpp" "$root/src/base/Numbers.cpp")
# The packet reader and writer (no store access; the schema below) for fuzz_packet.
sources+=("$root/src/exchange/Packet.cpp" "$root/src/exchange/PacketReader.cpp" "$root/src/exchange/PacketWriter.cpp")
# The electronic invoice reader (its zip batches link libzip).
sources+=("$root/src/exchange/NfeReader.cpp" "$root/src/exchange/NfeInput.cpp")
# The text import's line parser.
sources+=("$root/src/exchange/TextRecords.cpp" "$root/src/store/Schema.cpp" "$root/src/store/RecordRules.cpp"
          "$root/src/shell/RowRules.cpp"
          "$root/src/store/ValueOrder.cpp" "$root/src/store/NameOrder.cpp")
objects=()
for src in "${sources[@]}"; do
  obj=$out/obj/$(basename "$(dirname "$src")")_$(basename "${src%.cpp}").o
  if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ]; then
    "$cxx" "${common[@]}" "${san[@]}" -fsanitize=fuzzer-no-link -c "$src" -o "$obj"
  fi
  objects+=("$obj")
done

for target in "$root"/fuzz/fuzz_*.cpp; do
  name=$(basename "${target%.cpp}")
  "$cxx" "${common[@]}" "${san[@]}" -fsanitize=fuzzer "$target" "${objects[@]}" $qt_libs -lz -lzip -lsqlite3 -o "$out/$name"
  mkdir -p "$out/corpus_${name#fuzz_}"
  echo "built $out/$name"
done
