#!/usr/bin/env bash
# Writes the seed corpora of the fuzz targets with the packer. Run it again
# when the seeds' names (fuzz/fuzz_names.h) change. Crashes found by fuzzing
# are added to the corpus folders by hand and kept.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
pack=${1:-$top/build/bin/tsuzuri-pack}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/root/bg" "$work/root/se" "$work/root/voice"
head -c 300 /dev/zero | tr '\0' 'p' >"$work/root/bg/room.png"
printf 'RIFF....WAVEfmt ' >"$work/root/se/click.wav"
printf 'x' >"$work/root/a"
seq 1 200 >"$work/root/voice/001.ogg"

out=$top/fuzz/corpus/archive_fuzz
mkdir -p "$out"
"$pack" archive "$out/plain.dat" "$work/root" >/dev/null
"$pack" archive "$out/scrambled.dat" "$work/root" --scramble >/dev/null
"$pack" archive "$out/one.dat" "$work/root" bg/room.png >/dev/null
printf '\xe1\x96\x3c\x5a' >"$out/empty.dat"
head -c 30 "$out/plain.dat" >"$out/cut-index.dat"

mkdir -p "$work/src/script"
printf '*start\nprint "hello"\ngosub *menu\nend\n' >"$work/src/script/0.txt"
printf '*sub\nreturn\n' >"$work/src/script/1.txt"
seq 1 300 | sed 's/^/mov %0,/' >"$work/src/script/menu.txt"
out=$top/fuzz/corpus/container_index_fuzz
mkdir -p "$out"
"$pack" scripts "$out/scripts.dat" "$work/src" --title fuzz >/dev/null
printf '\xe1\x96\x3c\x5a' >"$out/empty.dat"
head -c 60 "$out/scripts.dat" >"$out/cut.dat"
echo "seeds written under $top/fuzz/corpus"
