#!/usr/bin/env bash
# Plays the demo through unattended, as a player who clicks whenever the
# game waits: the run must end by itself with the demo's last line shown.
# What it played is recorded: the music must be heard from the start, and
# louder moments (the chimes, the voice) over it.
# usage: playthrough.sh TSUZURI DEMO_DIR WORK_DIR TSUZURI_SOUND
set -u -o pipefail
engine=$1 game=$2 work=$3 sound=$4
rm -rf "$work"
mkdir -p "$work"
# The game folder is copied: a run writes its settings and its log there.
cp -R "$game/." "$work/game"
"$engine" --headless --virtual-clock --max-time 600000 --auto-click 1500 \
  --audio-capture "$work/audio.wav" --transcript "$work/transcript.txt" "$work/game" \
  > "$work/stdout.txt" 2> "$work/stderr.txt"
status=$?
if [ "$status" -ne 0 ]; then
  echo "the demo ended with status $status"
  cat "$work/stderr.txt"
  exit 1
fi
last=$(tail -n 1 "$work/transcript.txt")
if [ "$last" != "【アキ】「それじゃ、またね」" ]; then
  echo "the demo stopped early; its last line was: $last"
  exit 1
fi
if [ -s "$work/stderr.txt" ]; then
  echo "the demo reported:"
  cat "$work/stderr.txt"
  exit 1
fi
if ! "$sound" levels "$work/audio.wav" --window 1000 > "$work/levels.txt"; then
  echo "the demo's recording cannot be read"
  exit 1
fi
# The music fades in over the first two seconds; from then on every second
# has sound in it, and the voice near the end stands out above the music.
if awk '{ split($1, t, "-"); if (t[1] >= 2000 && $(NF) == "-") bad = 1 } END { exit !bad }' \
    "$work/levels.txt"; then
  echo "the demo went silent:"
  cat "$work/levels.txt"
  exit 1
fi
loudest=$(awk '{ if ($(NF) != "-" && (max == "" || $(NF) + 0 > max)) max = $(NF) + 0 } END { print max }' \
  "$work/levels.txt")
if [ -z "$loudest" ] || [ "$loudest" -lt -20 ]; then
  echo "nothing in the demo's recording is louder than the music:"
  cat "$work/levels.txt"
  exit 1
fi
# The save and load screens: a player saves at the first page and loads it
# again at the second; the first page is shown again, and the slot has its
# thumbnail.
rm -rf "$work/game"
cp -R "$game/." "$work/game"
input=$(dirname "$0")/save_load_input.txt
"$engine" --headless --virtual-clock --max-time 600000 --auto-click 1500 --input "$input" \
  --transcript "$work/saved.txt" "$work/game" > /dev/null 2> "$work/stderr.txt"
if [ -s "$work/stderr.txt" ]; then
  echo "saving and loading reported:"
  cat "$work/stderr.txt"
  exit 1
fi
if [ ! -f "$work/game/save/save001.dat" ] || [ ! -f "$work/game/save/thumb1.png" ]; then
  echo "the save screen wrote no slot or no thumbnail"
  exit 1
fi
if [ "$(grep -c '^【案内】{綴' "$work/saved.txt")" -ne 2 ]; then
  echo "loading did not go back to the first page:"
  cat "$work/saved.txt"
  exit 1
fi
