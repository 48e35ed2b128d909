#!/usr/bin/env bash
# Compiles the help project into the build folder, beside the program, and
# leaves there what the help test reads: the compiled file's listing and an
# unpacked copy of its contents.
# Usage: build-help.sh PROJECT.hhp BUILD_DIR
set -eu
project=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
cd "$2"
chm=tolvex.chm
rm -rf "$chm" "$chm.txt" help-unpacked
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! chmcmd "$project" >"$log" 2>&1 || [ ! -s "$chm" ]; then
  cat "$log" >&2
  echo "build-help.sh: $chm was not made" >&2
  exit 1
fi
chmls -n -p list "$chm" >"$chm.txt" 2>/dev/null
chmls extractall "$chm" help-unpacked >/dev/null 2>&1
