#!/usr/bin/env bash
# scripts/wine-run starts a prefix's wineserver and Wine's services under a
# lock. Right after a stop, as at the start of a lane, a start must leave
# nothing behind that holds that lock (the next start would wait for it for
# as long as the server runs) or the program's output pipe (CTest would wait
# for it to close just as long).
#   wine_start_lock_test.sh PATH/TO/wine-run win32|win64 PREFIX
set -uo pipefail
wine_run=$1 arch=$2 prefix=$3
lock=$prefix/.kavo-start.lock
failed=0

"$wine_run" "$arch" "$prefix" cmd.exe /c exit || { echo "the program did not run"; exit 1; }
"$wine_run" "$arch" "$prefix" --stop
if ! timeout 120 bash -c '"$0" "$1" "$2" cmd.exe /c exit | cat >/dev/null' "$wine_run" "$arch" "$prefix"; then
  echo "the program's output pipe stayed open after it ended"
  failed=1
fi
holders=$(for fd in /proc/[0-9]*/fd/*; do
  [ "$(readlink "$fd" 2>/dev/null)" = "$lock" ] && cut -d/ -f3 <<<"$fd"
done | sort -u | while read -r pid; do echo "holds the start lock: $pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"; done)
"$wine_run" "$arch" "$prefix" --stop
[ -z "$holders" ] || { echo "$holders"; failed=1; }
[ $failed -eq 0 ] && echo "nothing holds the start lock or the program's output"
exit $failed
