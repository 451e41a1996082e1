#!/usr/bin/env bash
# Formats the C++ files that this branch changes against main (committed,
# staged, unstaged or new) with the tree's .clang-format; every other file
# stays as it is.
#
#   tools/format-changed.sh            format them in place
#   tools/format-changed.sh --check    only list the files that would change
#                                      (exit status 1 when there are any)
#   BASE=<branch> tools/format-changed.sh   compare against another branch
set -euo pipefail
cd "$(git rev-parse --show-toplevel)"

check=false
if [ "${1:-}" = "--check" ]; then
  check=true
fi
base="${BASE:-main}"
fork="$(git merge-base "$base" HEAD)"

mapfile -t files < <(
  {
    git diff --name-only --diff-filter=ACMR "$fork" --
    git ls-files --others --exclude-standard
  } | grep -E '\.(cpp|cc|h|hpp)$' | sort -u
)
if [ "${#files[@]}" -eq 0 ]; then
  exit 0
fi

if ! $check; then
  clang-format -i --style=file "${files[@]}"
  printf 'formatted %s\n' "${files[@]}"
  exit 0
fi
status=0
for f in "${files[@]}"; do
  if ! clang-format --style=file --dry-run --Werror "$f" > /dev/null 2>&1; then
    echo "$f"
    status=1
  fi
done
exit "$status"
