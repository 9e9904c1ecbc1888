#!/usr/bin/env bash
# Plays the demo through unattended, as a player who clicks whenever the
# game waits: the run must end by itself with the demo's last line shown.
# usage: playthrough.sh TSUZURI DEMO_DIR WORK_DIR
set -u -o pipefail
engine=$1 game=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
# The game folder is copied: a run writes its settings and its log there.
cp -R "$game/." "$work/game"
"$engine" --headless --virtual-clock --max-time 600000 --auto-click 1500 \
  --transcript "$work/transcript.txt" "$work/game" > "$work/stdout.txt" 2> "$work/stderr.txt"
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
