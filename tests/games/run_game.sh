#!/usr/bin/env bash
# Packs one test game from its UTF-8 sources, runs it headless with the
# virtual clock, and compares what it printed, reported, logged and showed
# with the files in its expected/ folder:
#   stdout.txt       what the scripts printed
#   stderr.txt       what the engine said on standard error (reports as UTF-8)
#   Information.txt  the error log, converted to UTF-8 and without its CRs
#   transcript.txt   every message line shown
#   status           the exit status
#   screenshot.png   the last frame shown (--screenshot)
#   frames.txt       the names of the frames written by --frames-dir
#   frames/NAME.png  golden frames: each is compared with the frame of the
#                    same name that the run wrote (a missing one fails)
#   audio.txt        what the run played: its sound is captured
#                    (--audio-capture) and measured with `tsuzuri-sound
#                    levels`, one line per stretch of equal levels
# Pictures are compared with `tsuzuri-image compare`, which allows every
# channel to differ by the tolerance (2 unless the args file says other).
# A missing expected file means "must be empty" for the logs and 0 for the
# status. An `args` file next to scripts/ adds options (one per line); some
# lines there are the runner's own: "runner:real-clock" runs on the real
# clock, "runner:no-title" leaves the title out so that the engine must
# recover the key, "runner:tolerance=T" sets the pictures' tolerance.
#
# "runner:again" plays the game a second time in the same game folder (a
# game that saved in the first run can load in the second): the outputs of
# both runs are compared together, the status is the second run's, and the
# first run's last frame must equal the second run's (the screenshot, which
# is then also compared with expected/screenshot.png when there is one).
#
# An input.txt beside scripts/ is played as the run's scripted input
# (--input).
#
# Besides scripts/, a game may have files/, whose contents are copied into
# the game folder as loose files, and archive/, whose contents are packed
# into the game folder's arc0.dat.
#
# The machine's own lines of Information.txt (program, system, processor,
# memory, the graphics driver's details) are left out of the comparison.
# The engine names a missing loose file by its full path, which holds the
# work folder: in the text files the game folder's path reads "GAME/", so
# that the expected files fit every checkout.
# With TSUZURI_UPDATE_GOLDEN=1 the actual pictures (screenshot.png and the
# golden frames) and audio.txt replace the expected ones (look at the
# difference before committing it).
#
# usage: run_game.sh TSUZURI TSUZURI_PACK GAME_SOURCE WORK_DIR TSUZURI_IMAGE TSUZURI_SOUND
set -u -o pipefail
engine=$1 pack=$2 source=$3 work=$4 image=$5 sound=$6
title="test game"
tolerance=2
again=0

rm -rf "$work"
mkdir -p "$work/game" "$work/out"
if ! "$pack" scripts "$work/game/script.dat" "$source/scripts" --utf8 --title "$title" \
    > "$work/out/pack.txt" 2>&1; then
  cat "$work/out/pack.txt"
  exit 1
fi
if [ -d "$source/files" ]; then
  cp -R "$source/files/." "$work/game/"
fi
if [ -d "$source/archive" ] &&
    ! "$pack" archive "$work/game/arc0.dat" "$source/archive" > "$work/out/pack.txt" 2>&1; then
  cat "$work/out/pack.txt"
  exit 1
fi
options=(--headless --virtual-clock --title "$title")
if [ -f "$source/args" ]; then
  while IFS= read -r line; do
    case "$line" in
      runner:real-clock) options=("${options[@]/--virtual-clock}") ;;
      runner:no-title) options=("${options[@]/--title}"); options=("${options[@]/$title}") ;;
      runner:tolerance=*) tolerance=${line#runner:tolerance=} ;;
      runner:again) again=1 ;;
      "") ;;
      *) options+=("$line") ;;
    esac
  done < "$source/args"
fi
clean=()
for o in "${options[@]}"; do [ -n "$o" ] && clean+=("$o"); done
if [ -f "$source/input.txt" ]; then
  clean+=(--input "$source/input.txt")
fi
if [ -f "$source/expected/screenshot.png" ] && [ "$again" = 0 ]; then
  clean+=(--screenshot "$work/out/screenshot.png")
fi
if [ -f "$source/expected/frames.txt" ] || [ -d "$source/expected/frames" ]; then
  clean+=(--frames-dir "$work/out/frames")
fi
if [ -f "$source/expected/audio.txt" ]; then
  clean+=(--audio-capture "$work/out/audio.wav")
fi

if [ "$again" = 1 ]; then
  "$engine" "${clean[@]}" --screenshot "$work/out/first.png" \
    --transcript "$work/out/transcript.txt" "$work/game" \
    > "$work/out/stdout.txt" 2> "$work/out/stderr.txt"
  "$engine" "${clean[@]}" --screenshot "$work/out/screenshot.png" \
    --transcript "$work/out/transcript2.txt" "$work/game" \
    >> "$work/out/stdout.txt" 2>> "$work/out/stderr.txt"
  echo $? > "$work/out/status"
  cat "$work/out/transcript2.txt" >> "$work/out/transcript.txt"
else
  "$engine" "${clean[@]}" --transcript "$work/out/transcript.txt" "$work/game" \
    > "$work/out/stdout.txt" 2> "$work/out/stderr.txt"
  echo $? > "$work/out/status"
fi

log="$work/game/Information.txt"
: > "$work/out/Information.txt"
if [ -f "$log" ]; then
  if LC_ALL=C grep -q -e $'[^\r]$' -e '^$' "$log"; then
    echo "Information.txt has a line that does not end in CR LF"
    exit 1
  fi
  if ! iconv -f CP932 -t UTF-8 "$log" | tr -d '\r' |
      { grep -v -E $'^(Cwd: |OS : |CPU : |Memoy : |\t)' || true; } > "$work/out/Information.txt"; then
    echo "Information.txt is not Shift_JIS"
    exit 1
  fi
fi

game_path=$(printf '%s' "$work/game/" | sed 's/[][\.*^$/]/\\&/g')
for name in stdout.txt stderr.txt Information.txt transcript.txt; do
  if [ -f "$work/out/$name" ]; then
    LC_ALL=C sed -i "s/$game_path/GAME\//g" "$work/out/$name"
  fi
done

# Compares one expected picture with the actual one, or replaces it when
# the golden pictures are being updated.
check_picture() {
  local expected=$1 actual=$2 label=$3
  if [ ! -f "$actual" ]; then
    echo "$label: the run wrote no such picture ($actual)"
    return 1
  fi
  if [ "${TSUZURI_UPDATE_GOLDEN:-0}" = 1 ]; then
    cp "$actual" "$expected"
  elif ! "$image" compare "$expected" "$actual" --tolerance "$tolerance" \
      > "$work/out/compare.txt" 2>&1; then
    echo "$label differs (actual: $actual): $(cat "$work/out/compare.txt")"
    return 1
  fi
}

failed=0
if [ "$again" = 1 ] && ! "$image" compare "$work/out/first.png" "$work/out/screenshot.png" \
    --tolerance "$tolerance" > "$work/out/compare.txt" 2>&1; then
  echo "the second run's last frame differs from the first's: $(cat "$work/out/compare.txt")"
  failed=1
fi
if [ -f "$source/expected/frames.txt" ]; then
  (cd "$work/out/frames" 2>/dev/null && ls) > "$work/out/frames.txt"
  if ! diff -u --label expected/frames.txt --label actual/frames.txt \
      "$source/expected/frames.txt" "$work/out/frames.txt"; then
    failed=1
  fi
fi
if [ -f "$source/expected/screenshot.png" ]; then
  check_picture "$source/expected/screenshot.png" "$work/out/screenshot.png" \
    expected/screenshot.png || failed=1
fi
if [ -d "$source/expected/frames" ]; then
  for golden in "$source/expected/frames"/*.png; do
    [ -e "$golden" ] || continue
    name=${golden##*/}
    check_picture "$golden" "$work/out/frames/$name" "expected/frames/$name" || failed=1
  done
fi
if [ -f "$source/expected/audio.txt" ]; then
  if ! "$sound" levels "$work/out/audio.wav" > "$work/out/audio.txt" 2>&1; then
    echo "the captured sound cannot be measured: $(cat "$work/out/audio.txt")"
    failed=1
  elif [ "${TSUZURI_UPDATE_GOLDEN:-0}" = 1 ]; then
    cp "$work/out/audio.txt" "$source/expected/audio.txt"
  elif ! diff -u --label expected/audio.txt --label actual/audio.txt \
      "$source/expected/audio.txt" "$work/out/audio.txt"; then
    failed=1
  fi
fi
for name in stdout.txt stderr.txt Information.txt transcript.txt status; do
  expected="$source/expected/$name"
  if [ ! -f "$expected" ]; then
    expected=/dev/null
    [ "$name" = status ] && { echo 0 > "$work/out/status.expected"; expected="$work/out/status.expected"; }
  fi
  if ! diff -u --label "expected/$name" --label "actual/$name" "$expected" "$work/out/$name"; then
    failed=1
  fi
done
exit $failed
