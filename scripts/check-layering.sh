#!/usr/bin/env bash
# Checks that each library of src/ includes only headers of the libraries it links (directly or
# through them), as CMakeLists.txt declares them with reelweld_library, and no Qt header unless
# it links Qt. Usage: scripts/check-layering.sh
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A folderOf depsOf
while read -r name folder deps; do
  folderOf[$name]=$folder
  depsOf[$name]=$deps
done < <(sed -n 's/^ *reelweld_library(\([^ )]*\) \([^ )]*\)\(.*\))/\1 \2 \3/p' CMakeLists.txt)

# The libraries a library reaches through its links, itself included.
reach() {
  local todo=("$1") seen=" " lib
  while [ ${#todo[@]} -gt 0 ]; do
    lib=${todo[0]}
    todo=("${todo[@]:1}")
    [[ $seen == *" $lib "* ]] && continue
    seen+="$lib "
    for dep in ${depsOf[$lib]:-}; do todo+=("$dep"); done
  done
  echo "$seen"
}

status=0
for lib in "${!folderOf[@]}"; do
  reached=$(reach "$lib")
  allowed=" "
  for other in $reached; do
    [ -n "${folderOf[$other]:-}" ] && allowed+="${folderOf[$other]} "
  done
  folder=src/${folderOf[$lib]}
  while IFS=: read -r file line header; do
    included=$(dirname "$header")
    if [[ $allowed != *" $included "* ]]; then
      echo "$file:$line: $lib does not link the library of $header" >&2
      status=1
    fi
  done < <(grep -Hn '^#include "' "$folder"/*.h "$folder"/*.cpp 2>/dev/null | sed 's/:#include "\(.*\)".*/:\1/')
  if [[ $reached != *Qt6::* ]] && grep -Hn '^#include <Q' "$folder"/*.h "$folder"/*.cpp 2>/dev/null >&2; then
    echo "$folder: $lib does not link Qt" >&2
    status=1
  fi
done
[ $status -eq 0 ] && echo "check-layering: every library includes only what it links"
exit $status
