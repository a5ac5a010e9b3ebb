#!/usr/bin/env bash
# scripts/wine-run starts a prefix's wineserver and Wine's services under a
# lock; none of them may keep that lock's descriptor, or the next start waits
# for it for as long as they run.
#   wine_start_lock_test.sh PATH/TO/wine-run win32|win64 PREFIX
set -uo pipefail
wine_run=$1 arch=$2 prefix=$3
lock=$prefix/.kavo-start.lock

"$wine_run" "$arch" "$prefix" --stop
"$wine_run" "$arch" "$prefix" cmd.exe /c exit || { echo "the program did not run"; exit 1; }
holders=$(for fd in /proc/[0-9]*/fd/*; do
  [ "$(readlink "$fd" 2>/dev/null)" = "$lock" ] && cut -d/ -f3 <<<"$fd"
done | sort -u | while read -r pid; do echo "holds the start lock: $pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"; done)
"$wine_run" "$arch" "$prefix" --stop
if [ -n "$holders" ]; then
  echo "$holders"
  exit 1
fi
echo "no process holds the start lock"
