#!/usr/bin/env bash
# Fails (and names the files) when a tracked C++ source differs from what clang-format makes of it with the
# project's .clang-format. Fix with: clang-format -i FILES
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h')
if ! out=$(echo "$files" | xargs clang-format --dry-run --Werror 2>&1); then
  echo "$out" | grep -E '^[^ ].*: (error|warning):' | cut -d: -f1 | sort -u | sed 's/^/check-format: not formatted: /' >&2
  exit 1
fi
echo "check-format: $(echo "$files" | wc -l) files formatted"
