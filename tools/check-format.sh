#!/usr/bin/env bash
# Checks that every C++ file git tracks is laid out as .clang-format says;
# names each file that is not, with the first lines that differ, and fails.
set -eu
cd "$(dirname "$0")/.."
bad=0
while IFS= read -r file; do
  if ! clang-format --style=file "$file" | cmp -s - "$file"; then
    echo "$file: not formatted as .clang-format says (clang-format -i $file); it differs at:"
    clang-format --style=file "$file" | diff "$file" - | head -n 8 | sed 's/^/    /'
    bad=1
  fi
done < <(git ls-files '*.cpp' '*.h')
exit $bad
