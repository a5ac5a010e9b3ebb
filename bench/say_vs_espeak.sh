#!/usr/bin/env bash
# Benchmark, not a test: how long kavo-say (plug-in + espeak engine) takes for
# a 10,000-character English text, against espeak-ng writing the same text to
# a WAV file itself, and the ratio of the two.
#
#   bench/say_vs_espeak.sh [RUNS]        (default 5 runs of each)
#
# KAVO_SAY names the kavo-say to time (default build/linux/bin/kavo-say, with
# the plug-in and engine beside it). With hyperfine installed it does the
# timing; otherwise the two commands alternate, RUNS times each, under
# /usr/bin/time. Both speak with the same espeak-ng voice at its default rate:
# kavo-say's "catherine" voice at rate 50.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs="${1:-5}"
kavo_say="${KAVO_SAY:-$root/build/linux/bin/kavo-say}"
espeak_voice="${ESPEAK_VOICE:-en-us+f2}"  # what the espeak engine speaks "catherine" with
espeak_rate="${ESPEAK_RATE:-175}"  # words per minute, espeak-ng's default
kavo_voice="${KAVO_VOICE:-catherine}"
kavo_rate="${KAVO_RATE:-50}"       # the plug-in's default rate

for tool in "$kavo_say" espeak-ng; do
  command -v "$tool" >/dev/null || { echo "say_vs_espeak: $tool not found" >&2; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
text="$work/text.txt"

# The same text every time: sentences built from fixed word lists by a linear
# congruential generator with a fixed seed, five sentences to a paragraph,
# cut to exactly 10,000 characters at the end.
generate_text() {
  local subjects=(the\ engineer a\ small\ robot our\ neighbour the\ old\ clock every\ student the\ quiet\ river)
  local verbs=(builds remembers carries follows paints answers)
  local objects=(a\ wooden\ bridge the\ morning\ train seven\ green\ apples a\ long\ letter the\ northern\ lights an\ empty\ box)
  local endings=(before\ dinner. without\ a\ word. in\ the\ rain. after\ the\ meeting. with\ great\ care. every\ Tuesday.)
  local seed=12345 out="" sentence i=0
  next() { seed=$(( (seed * 1103515245 + 12345) % 2147483648 )); r=$(( seed / 65536 % $1 )); }
  while [ ${#out} -lt 10000 ]; do
    next 6; sentence="${subjects[r]^}"
    next 6; sentence+=" ${verbs[r]}"
    next 6; sentence+=" ${objects[r]}"
    next 6; sentence+=" ${endings[r]}"
    out+="$sentence"
    i=$((i + 1))
    if [ $((i % 5)) -eq 0 ]; then out+=$'\n\n'; else out+=" "; fi
  done
  printf '%s' "${out:0:10000}"
}
LC_ALL=C generate_text > "$text"
echo "text: $(LC_ALL=C wc -c < "$text") characters, $(wc -w < "$text") words, $runs runs of each" >&2

kavo_cmd=("$kavo_say" -q -v "$kavo_voice" -r "$kavo_rate" -f "$text" -o "$work/kavo.wav")
espeak_cmd=(espeak-ng -v "$espeak_voice" -s "$espeak_rate" -f "$text" -w "$work/espeak.wav")

# One run of each first: both must work, and the audio lengths are worth seeing.
"${kavo_cmd[@]}"
"${espeak_cmd[@]}"
for f in kavo espeak; do
  bytes=$(stat -c %s "$work/$f.wav")
  awk -v f="$f" -v b="$bytes" 'BEGIN { printf "%-7s %.1f s of audio (%d bytes; espeak-ng writes 22050 Hz)\n", f, (b - 44) / (f == "kavo" ? 32000 : 44100), b }' >&2
done

quote() { printf '%q ' "$@"; }

if command -v hyperfine >/dev/null; then
  hyperfine --style basic --warmup 1 --runs "$runs" --export-csv "$work/times.csv" \
    -n kavo-say "$(quote "${kavo_cmd[@]}")" -n espeak-ng "$(quote "${espeak_cmd[@]}")" >&2
  kavo_mean=$(awk -F, '$1 == "kavo-say" { print $2 }' "$work/times.csv")
  espeak_mean=$(awk -F, '$1 == "espeak-ng" { print $2 }' "$work/times.csv")
else
  : > "$work/kavo.times"
  : > "$work/espeak.times"
  for ((i = 1; i <= runs; i++)); do
    /usr/bin/time -f %e -a -o "$work/kavo.times" "${kavo_cmd[@]}"
    /usr/bin/time -f %e -a -o "$work/espeak.times" "${espeak_cmd[@]}"
  done
  mean() { awk '{ s += $1 } END { printf "%.3f", s / NR }' "$1"; }
  kavo_mean=$(mean "$work/kavo.times")
  espeak_mean=$(mean "$work/espeak.times")
  echo "kavo-say  runs (s): $(tr '\n' ' ' < "$work/kavo.times")" >&2
  echo "espeak-ng runs (s): $(tr '\n' ' ' < "$work/espeak.times")" >&2
fi

awk -v k="$kavo_mean" -v e="$espeak_mean" 'BEGIN {
  printf "kavo-say %.3f s, espeak-ng %.3f s (means); kavo-say / espeak-ng = %.2f\n", k, e, k / e }'
