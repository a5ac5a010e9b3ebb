#!/usr/bin/env bash
# The verdicts of scripts/test-i686, from results as the emulated machine
# brings them back: a crash or an unfinished GoogleTest run fails even with
# status 0, a time-out is reported as such, and the lane's own checks pass
# only with the status they expect.
#   test_i686_summary_test.sh PATH/TO/test-i686
set -uo pipefail
script=$1
dir=$(mktemp -d) programs=$(mktemp)
trap 'rm -rf "$dir" "$programs"' EXIT

result() {  # NAME STATUS [OUTPUT]
  case "$1" in i686-vm.*) ;; *) printf '%s\tzh_CN.UTF-8\t60\t%s.exe\n' "$1" "$1" >>"$programs" ;; esac
  echo "$2" >"$dir/$1.rc"
  echo 1 >"$dir/$1.seconds"
  printf '%b' "${3:-}" >"$dir/$1.out"
}
result unit_tests 0 '[==========] Running 5 tests from 1 test suite.\n[  PASSED  ] 5 tests.\n'
result plugin_tests 0 '[==========] Running 9 tests\n\x1b[0mwine: Unhandled page fault on read access to 00000008 at address 02636A2C\n'
result CodePage1252 0 '[==========] Running 2 tests from 2 test suites.\n[ RUN      ] CodePage1252.X\n'
result UnloadWithoutUninitialize.sink 5
result UnloadWithoutUninitialize.file 0
result kavo_say_tests 124 '[==========] Running 16 tests\n'
result TextFuzzReplay 0 'replayed 40 inputs\n'
result i686-vm.ExitStatusComesBack 0
result i686-vm.EndlessProgramTimesOut 124 '[  PASSED  ] 1 test.\n'

summary=$("$script" --summarize "$dir" --programs "$programs")
rc=$?
failures=0
expect() {  # PATTERN
  grep -qE "$1" <<<"$summary" || { echo "missing: $1"; failures=$((failures + 1)); }
}
expect 'unit_tests \.+ Passed .*\(5 passed, 0 failed\)'
expect 'plugin_tests \.+ Failed \(crashed\)'
expect 'CodePage1252 \.+ Failed \(unfinished\)'
expect 'UnloadWithoutUninitialize\.sink \.+ Failed \(5\)'
expect 'UnloadWithoutUninitialize\.file \.+ Passed '
expect 'kavo_say_tests \.+ Timeout '
expect 'i686-vm\.ExitStatusComesBack \.+ Failed \(0\) expected exit 3'
expect 'i686-vm\.EndlessProgramTimesOut \.+ Passed \(exit 124 as expected\)'
expect '^44% tests passed, 5 tests failed out of 9$'
[ $rc -ne 0 ] || { echo "exit status 0 despite failures"; failures=$((failures + 1)); }

# Every program passing: exit 0.
for f in "$dir"/*.rc; do echo 0 >"$f"; : >"${f%.rc}.out"; done
echo 3 >"$dir/i686-vm.ExitStatusComesBack.rc"
echo 124 >"$dir/i686-vm.EndlessProgramTimesOut.rc"
summary=$("$script" --summarize "$dir" --programs "$programs") || { echo "exit status $? when every program passed"; failures=$((failures + 1)); }
expect '^100% tests passed, 0 tests failed out of 9$'

[ $failures -eq 0 ] || { echo "$summary"; exit 1; }
echo "all verdicts as expected"
