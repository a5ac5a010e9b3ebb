#!/usr/bin/env bash
# Benchmark, not a test: how long kavo-say (plug-in + espeak engine) takes to
# write a WAV file of a text, against espeak-ng writing the same text to a WAV
# file itself, in wall time and in CPU time (user + system).
#
#   bench/say_vs_espeak.sh [LANGUAGE] [RUNS]
#
# LANGUAGE: en (default): 10,000 characters of English, kavo-say's "catherine"
# voice against espeak-ng's en-us+f2; zh: 5,000 characters of Chinese,
# "xiaofeng" against espeak-ng's cmn. Both at the default rate (plug-in 50,
# espeak-ng 175 words per minute). The two commands alternate, RUNS times each
# (default 7), after one unmeasured run of each; every ratio is kavo-say's run
# over the espeak-ng run next to it, so a load change hits both sides alike.
#
# Prints the runs on standard error and, on standard output, one line per
# figure: "NAME min median max" (seconds, or a plain ratio).
# KAVO_SAY names the kavo-say to time (default build/linux/bin/kavo-say, with
# the plug-in and engine beside it).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
language="${1:-en}"
runs="${2:-7}"
kavo_say="${KAVO_SAY:-$root/build/linux/bin/kavo-say}"

case "$language" in
  en) kavo_voice=catherine espeak_voice=en-us+f2 length=10000 ;;
  zh) kavo_voice=xiaofeng espeak_voice=cmn length=5000 ;;
  *) echo "say_vs_espeak: unknown language '$language' (en or zh)" >&2; exit 2 ;;
esac

for tool in "$kavo_say" espeak-ng; do
  command -v "$tool" >/dev/null || { echo "say_vs_espeak: $tool not found" >&2; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
text="$work/text.txt"

# shellcheck source=bench/bench_text.sh
source "$root/bench/bench_text.sh"
LC_ALL=C generate_text "$language" "$length" > "$text"
echo "text: $(wc -m < "$text") characters ($language), $runs alternating runs of each" >&2

kavo_cmd=("$kavo_say" -q -v "$kavo_voice" -r 50 -f "$text" -o "$work/kavo.wav")
espeak_cmd=(espeak-ng -v "$espeak_voice" -s 175 -f "$text" -w "$work/espeak.wav")

# One run of each first: both must work, and the audio lengths are worth seeing.
"${kavo_cmd[@]}"
"${espeak_cmd[@]}"
for f in kavo espeak; do
  bytes=$(stat -c %s "$work/$f.wav")
  awk -v f="$f" -v b="$bytes" 'BEGIN { printf "%-7s %.1f s of audio (%d bytes; espeak-ng writes 22050 Hz)\n", f, (b - 44) / (f == "kavo" ? 32000 : 44100), b }' >&2
done

# One timed run: "wall cpu" in seconds on one line of the file $1.
time_run() {
  local out=$1 t
  shift
  local TIMEFORMAT='%3R %3U %3S'
  t=$( { time "$@" >/dev/null 2>&1; } 2>&1 )
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' <<<"$t" >>"$out"
}
: >"$work/kavo.times"
: >"$work/espeak.times"
for ((i = 1; i <= runs; i++)); do
  time_run "$work/kavo.times" "${kavo_cmd[@]}"
  time_run "$work/espeak.times" "${espeak_cmd[@]}"
done
paste -d' ' "$work/kavo.times" "$work/espeak.times" >"$work/pairs"
echo "runs (kavo wall, kavo cpu, espeak wall, espeak cpu), seconds:" >&2
sed 's/^/  /' "$work/pairs" >&2

# min, median and max of one column of numbers
stats() { sort -g | awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.3f %.3f %.3f\n", v[1], m, v[NR] }'; }
echo "kavo_wall $(awk '{ print $1 }' "$work/pairs" | stats)"
echo "espeak_wall $(awk '{ print $3 }' "$work/pairs" | stats)"
echo "kavo_cpu $(awk '{ print $2 }' "$work/pairs" | stats)"
echo "espeak_cpu $(awk '{ print $4 }' "$work/pairs" | stats)"
echo "wall_ratio $(awk '{ print $1 / $3 }' "$work/pairs" | stats)"
echo "cpu_ratio $(awk '{ print ($4 > 0 ? $2 / $4 : 0) }' "$work/pairs" | stats)"
