#!/usr/bin/env bash
# Setting up while a Debian mirror is mid-sync. apt-get, dpkg, cmake and
# ctest are stubs: nothing is installed or built. Each row runs
# scripts/install-deps (or scripts/test) with apt-get update failing its
# first N tries on one index and apt-get install failing for the packages
# named, then checks the exit status and the lines printed (a pattern with a
# leading ! must match no line). "called:" lines are the installs asked for.
#   mirror_midsync_test.sh SOURCE_DIR
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/tree"
ln -s "$1/scripts" "$work/tree/scripts"

stub() { printf '#!/bin/sh\n%s\n' "$2" >"$work/bin/$1"; chmod +x "$work/bin/$1"; }
stub apt-get 'case $1 in
  update)
    n=$(cat "$STUB/updates" 2>/dev/null || echo 0); echo $((n + 1)) >"$STUB/updates"
    [ "$n" -lt "$UPDATE_FAILS" ] || exit 0
    echo "E: Failed to fetch http://mirror.invalid/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 192.0.2.1 80]" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
    exit 100 ;;
  install)
    echo "called: $*" >>"$STUB/calls"
    for p; do case " $BROKEN " in *" all "* | *" $p "*)
      echo "E: Error, pkgProblemResolver::Resolve generated breaks, this may be caused by held packages." >&2; exit 100 ;; esac
    done ;;
esac'
stub dpkg-query 'exit 1'  # nothing installed yet
stub dpkg '[ "$1" != --print-foreign-architectures ] || echo i386'
stub id 'echo 0'
stub locale 'echo zh_CN.utf8'
# A machine without 32-bit execution: the win32 build cannot run its programs.
stub cmake '[ "$1" != --preset ] || { mkdir -p "build/$2"; r=ON; [ "$2" != win32 ] || r=OFF
  echo "KAVO_RUNS_TEST_PROGRAMS:INTERNAL=$r" >"build/$2/CMakeCache.txt"; }'
stub ctest 'echo "100% tests passed, 0 tests failed out of 3"'
export PATH="$work/bin:$PATH" STUB=$work KAVO_APT_RETRY_WAITS="0 0 0 0" KAVO_I686_VM=0

index='debian-security/dists/bookworm-security/main/binary-i386/Packages\.xz'
failures=0
row() {  # NAME UPDATE_FAILS BROKEN COMMAND STATUS PATTERN...
  local name=$1 out rc pattern
  rm -rf "$work/tree/build" "$work/updates" "$work/calls"
  out=$(cd "$work/tree" && UPDATE_FAILS=$2 BROKEN=$3 $4 2>&1)
  rc=$?
  out+=$'\n'$(cat "$work/calls" 2>/dev/null)
  shift 4
  local bad=()
  [ "$rc" = "$1" ] || bad+=("exit status $rc, expected $1")
  for pattern in "${@:2}"; do
    if [ "${pattern:0:1}" = '!' ]; then
      ! grep -qE -- "${pattern:1}" <<<"$out" || bad+=("printed: ${pattern:1}")
    else
      grep -qE -- "$pattern" <<<"$out" || bad+=("missing: $pattern")
    fi
  done
  [ ${#bad[@]} -eq 0 ] && { echo "ok: $name"; return; }
  failures=$((failures + 1))
  printf 'FAILED: %s\n' "$name"; printf '  %s\n' "${bad[@]}"; sed 's/^/  | /' <<<"$out"
}

row "an index fails twice, then comes" 2 "" scripts/install-deps 0 \
  "^install-deps: apt-get update could not fetch $index; retry 1 of 4 in 0 s$" 'retry 2 of 4' '!retry 3' \
  '!still cannot fetch' '^called: .* wine32:i386$'
row "the index never comes, the install still succeeds" 99 "" scripts/install-deps 0 \
  'retry 4 of 4' "^install-deps: still cannot fetch $index; going on with the package lists apt has$" \
  '!could not be (fetched|installed)'
row "the index never comes, and the install fails" 99 all scripts/install-deps 1 \
  "^install-deps: a mirror index could not be fetched \($index\); this is usually a mirror mid-sync: run the command again in a few minutes" \
  '!pkgProblemResolver' '!wine32'
row "kavo-say's packages need no i386 index" 99 "" "scripts/install-deps say" 0 \
  '!retry' '!still cannot fetch' '^called: .*espeak-ng'
row "only wine32:i386 fails: every other lane runs, win32 says why" 99 wine32:i386 scripts/test 0 \
  "^install-deps: wine32:i386 could not be installed: the index $index could not be fetched" \
  '^called: .*espeak-ng.*wine64' '^linux: passed$' '^linux-asan: passed$' '^linux-tsan: passed$' '^win64: passed$' \
  "^win32: built, artifact checked; i686 tests not run under Wine: wine32:i386 could not be installed: the index $index could not be fetched \(usually a mirror mid-sync\)" \
  '!ran under Wine'
[ $failures -eq 0 ]
