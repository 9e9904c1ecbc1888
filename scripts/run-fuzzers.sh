#!/usr/bin/env bash
# Gives every fuzz target in BIN_DIR a short run over its corpus. New inputs
# go to a scratch folder, so the committed corpus only changes by hand.
# Usage: scripts/run-fuzzers.sh BIN_DIR [SECONDS]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:?usage: run-fuzzers.sh BIN_DIR [SECONDS]}
seconds=${2:-30}
status=0
for fuzzer in "$bin"/*_fuzz; do
  name=$(basename "$fuzzer")
  # fuzz/NAME.flags may hold more libFuzzer flags for one target, one a line.
  flags=()
  if [ -f "$top/fuzz/$name.flags" ]; then
    while IFS= read -r line; do
      case "$line" in ''|'#'*) ;; *) flags+=("$line") ;; esac
    done < "$top/fuzz/$name.flags"
  fi
  scratch=$(mktemp -d)
  echo "== $name for ${seconds}s"
  if ! "$fuzzer" "${flags[@]}" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$top/build-fuzz/$name-" \
      "$scratch" "$top/fuzz/corpus/$name" 2>&1 | tail -n 12; then
    status=1
  fi
  rm -rf "$scratch"
done
exit $status
