#!/usr/bin/env bash
# Rules of the runner that its build cannot hold by itself, read from its files.
set -uo pipefail
root="$1"
failed=0
# none WHAT PATTERN [grep options]: no line of app/'s C++ files matches PATTERN.
none() {
  local what="$1" pattern="$2"
  shift 2
  local hits
  if hits=$(grep -rnE "$pattern" "$root/app" --include='*.cpp' --include='*.h' "$@"); then
    echo "$what:"
    echo "$hits"
    failed=1
  fi
}
# Headers are included by their names, which the rooms' include folders resolve: a relative path
# ("../studio/studio_api.h") would reach a room above past them.
none "an include by a relative path" '#include *"[^"]*\.\./'
# Standard error shows, it never acts: every line goes through messages.h, which escapes what
# would act on a terminal.
none "standard error written past messages.h" '\bstderr\b|std::cerr|std::clog|\bperror\(' \
  --exclude=messages.cpp
[ "$failed" -eq 0 ] && echo "the runner keeps its rules"
exit "$failed"
