#!/usr/bin/env bash
# Puts single-line faults into a scratch copy of the game, one at a time, and
# runs the fast unit tests against each: a fault the tests do not notice has
# "survived". The faults are listed in tools/mutants.txt. The worktree is only
# read; the copy and its one build folder live in the scratch folder and are
# reused, so a second run rebuilds only what changed.
#
#   tools/mutants.sh [NAME-REGEX]          # all faults, or those whose name matches
#   MUTANTS_DIR=/tmp/x tools/mutants.sh    # scratch folder (default /tmp/tabletumble-mutants)
#
# Exit status: 0 when every fault was killed, 1 when any survived, 2 when the
# list or the unchanged tree is broken.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
list=$root/tools/mutants.txt
pick=${1:-.}
scratch=${MUTANTS_DIR:-${TMPDIR:-/tmp}/tabletumble-mutants}
src=$scratch/src build=$scratch/build log=$scratch/test.log
# The sound player's cases take seconds of real playing and no rule fault reaches them.
tests=(--gtest_filter='-Sound.*' --gtest_fail_fast --gtest_brief=1)

mkdir -p "$src"
# Copy the tracked files, touching only those that differ, so the build stays incremental.
(cd "$root" && git ls-files -z --cached --others --exclude-standard) |
  while IFS= read -r -d '' f; do
    [[ -f $root/$f ]] || continue
    if ! cmp -s "$root/$f" "$src/$f"; then
      mkdir -p "$(dirname "$src/$f")"
      cp "$root/$f" "$src/$f"
    fi
  done

build_tests() {
  cmake --build "$build" -j2 --target tabletumble_tests >"$scratch/build.log" 2>&1 </dev/null
}
run_tests() {
  SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
    timeout 300 "$build/tests/tabletumble_tests" "${tests[@]}" >"$log" 2>&1 </dev/null
}

echo "==> building the unchanged copy in $build"
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTT_BUILD_TESTS=ON -DTT_WERROR=OFF \
  >"$scratch/configure.log" 2>&1
cmake --build "$build" -j2 >"$scratch/build.log" 2>&1 || { tail -n 30 "$scratch/build.log"; exit 2; }
if ! run_tests; then
  tail -n 30 "$log"
  echo "==> the unchanged tree fails its tests; no fault can be judged" >&2
  exit 2
fi

# One fault a line: name, file, the original text (unique in the file), the replacement,
# separated by tabs. Blank lines and lines starting with # are skipped.
killed=0 survived=() broken=()
while IFS=$'\t' read -r -u 3 name file from to; do
  [[ -z $name || $name == \#* ]] && continue
  [[ $name =~ $pick ]] || continue
  target=$src/$file
  [[ -f $target ]] && cp "$target" "$scratch/original"
  # perl-base is on every Debian machine; the texts are taken literally.
  if ! FROM=$from TO=$to perl -0777 -i -ne '
      my ($f, $t) = map { s/\\n/\n/gr } $ENV{FROM}, $ENV{TO};
      $::n = () = /\Q$f\E/g;
      s/\Q$f\E/$t/;
      print;
      END { exit($::n == 1 ? 0 : 3) }' "$target" 2>/dev/null; then
    verdict="BROKEN   $name: the text is not in $file exactly once"
  elif ! build_tests; then
    verdict="BROKEN   $name: does not build"
  elif run_tests; then
    verdict="SURVIVED $name"
  else
    verdict="KILLED   $name ($(grep -m1 -oE '^\[  FAILED  \] [A-Za-z0-9_.]+' "$log" | cut -c14- || echo crash))"
  fi
  echo "$verdict"
  case $verdict in
    SURVIVED*) survived+=("$name") ;;
    BROKEN*) broken+=("$name") ;;
    *) killed=$((killed + 1)) ;;
  esac
  # The original back with a new time stamp, so the next build compiles it again.
  [[ -f $scratch/original ]] && cp "$scratch/original" "$target" && rm "$scratch/original"
done 3<"$list"
build_tests || true

echo "==> $killed killed, ${#survived[@]} survived, ${#broken[@]} broken"
((${#broken[@]} == 0)) || exit 2
((${#survived[@]} == 0))
