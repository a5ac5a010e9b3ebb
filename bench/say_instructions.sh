#!/usr/bin/env bash
# Benchmark, not a test: the instructions kavo-say (plug-in + espeak engine)
# executes to write a WAV file of a text, against espeak-ng writing the same
# text to a WAV file itself, counted by callgrind (every thread of each
# process). Unlike timings, the counts hardly move from run to run or with
# the machine's load.
#
#   bench/say_instructions.sh [LANGUAGE] [LENGTH]
#
# LANGUAGE: en (default): English, kavo-say's "catherine" voice against
# espeak-ng's en-us+f2; zh: Chinese, "xiaofeng" against espeak-ng's cmn. The
# text is the one bench/say_vs_espeak.sh speaks, LENGTH characters of it
# (default 3,000 English, 1,500 Chinese: callgrind runs some fifty times
# slower than the program).
#
# Prints on standard output, one figure a line:
#   command_kavo / command_espeak  the two commands under valgrind
#   kavo_ir / espeak_ir / ratio     the totals and kavo-say's over espeak-ng's
#   output_samples                  16 kHz samples in kavo-say's WAV file
#   resampler_ir / resampler_ir_per_sample
#                                   Resampler::Process and ::Flush, inclusive
#   engine_copy_ir                  memcpy and memmove called by the espeak engine
#   function EXTRA KAVO ESPEAK NAME where the difference goes, one line per
#                                   function (self cost, inlined code included),
#                                   largest difference first; the rest summed as
#                                   "(other functions)". The EXTRA column adds
#                                   up to kavo_ir - espeak_ir.
# The callgrind files stay in KAVO_CALLGRIND_DIR (default: a temporary folder,
# removed). KAVO_SAY names the kavo-say to count (default build/linux/bin/kavo-say).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
language="${1:-en}"
kavo_say="${KAVO_SAY:-$root/build/linux/bin/kavo-say}"

case "$language" in
  en) kavo_voice=catherine espeak_voice=en-us+f2 length="${2:-3000}" ;;
  zh) kavo_voice=xiaofeng espeak_voice=cmn length="${2:-1500}" ;;
  *) echo "say_instructions: unknown language '$language' (en or zh)" >&2; exit 2 ;;
esac
for tool in "$kavo_say" espeak-ng valgrind callgrind_annotate; do
  command -v "$tool" >/dev/null || { echo "say_instructions: $tool not found" >&2; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
out="${KAVO_CALLGRIND_DIR:-$work}"
mkdir -p "$out"
text="$work/text.txt"
# shellcheck source=bench/bench_text.sh
source "$root/bench/bench_text.sh"
LC_ALL=C generate_text "$language" "$length" >"$text"

kavo_cmd=("$kavo_say" -q -v "$kavo_voice" -r 50 -f "$text" -o "$work/kavo.wav")
espeak_cmd=(espeak-ng -v "$espeak_voice" -s 175 -f "$text" -w "$work/espeak.wav")
count() {  # NAME COMMAND...: the command under callgrind, its profile in $out/NAME.callgrind
  local name=$1
  shift
  valgrind --tool=callgrind --callgrind-out-file="$out/$name.callgrind" "$@" >/dev/null 2>"$out/$name.valgrind.log"
}
echo "say_instructions: $language, $(wc -m <"$text") characters, kavo-say under callgrind" >&2
count kavo "${kavo_cmd[@]}"
echo "say_instructions: espeak-ng under callgrind" >&2
count espeak "${espeak_cmd[@]}"

total() { awk '/^(summary|totals):/ { print $2; exit }' "$1"; }
# "IR NAME" per function, self cost, summed over the files its inlined code comes from.
functions() {
  callgrind_annotate --inclusive=no --threshold=100 --auto=no "$1" | awk '
    /^-+$/ { rule++; next }
    rule >= 5 && /^ *[0-9,]+ \( *[0-9.]+%\) +/ {
      ir = $1; gsub(/,/, "", ir)
      name = $0; sub(/^ *[0-9,]+ \( *[0-9.]+%\) +/, "", name)
      object = ""
      if (match(name, / \[[^]]*\]$/)) { object = substr(name, RSTART + 2, RLENGTH - 3); sub(/.*\//, "", object) }
      sub(/ \[[^]]*\]$/, "", name)   # the object file
      sub(/^[^:]*:/, "", name)        # the source file
      if (name ~ /^0x/) name = name " in " (object == "" ? "?" : object)  # no symbol: named by its library
      sum[name] += ir
    }
    END { for (n in sum) printf "%.0f %s\n", sum[n], n }'
}
kavo_ir=$(total "$out/kavo.callgrind")
espeak_ir=$(total "$out/espeak.callgrind")
samples=$(( ($(stat -c %s "$work/kavo.wav") - 44) / 2 ))
# Inclusive costs: only the line that names the object file is the function's own total.
resampler_ir=$(callgrind_annotate --inclusive=yes --threshold=100 --auto=no "$out/kavo.callgrind" |
  awk '/:espeak_engine::Resampler::(Process|Flush)\(.*\]$/ { v = $1; gsub(/,/, "", v); s += v } END { printf "%.0f", s }')

printf 'command_kavo valgrind --tool=callgrind %s\n' "kavo-say -q -v $kavo_voice -r 50 -f TEXT -o OUT.wav"
printf 'command_espeak valgrind --tool=callgrind %s\n' "espeak-ng -v $espeak_voice -s 175 -f TEXT -w OUT.wav"
echo "characters $(wc -m <"$text")"
echo "kavo_ir $kavo_ir"
echo "espeak_ir $espeak_ir"
awk -v k="$kavo_ir" -v e="$espeak_ir" 'BEGIN { printf "ratio %.4f\n", k / e }'
echo "output_samples $samples"
echo "resampler_ir $resampler_ir"
awk -v r="$resampler_ir" -v n="$samples" 'BEGIN { printf "resampler_ir_per_sample %.1f\n", n ? r / n : 0 }'
# Copies made by the espeak engine: memcpy and memmove called from its functions.
callgrind_annotate --tree=caller --threshold=100 --auto=no "$out/kavo.callgrind" | awk '
  /^ *$/ { n = 0; next }
  / \*  .*:__(memcpy|memmove)_/ { for (i = 1; i <= n; i++) s += held[i]; n = 0; next }
  / < [^ ]*:espeak_engine::/ { v = $1; gsub(/,/, "", v); held[++n] = v; next }
  / \*  / { n = 0 }
  END { printf "engine_copy_ir %.0f\n", s }'
# Functions whose difference is at least 0.5 % of the whole difference, the rest as one line.
functions "$out/kavo.callgrind" >"$work/kavo.functions"
functions "$out/espeak.callgrind" >"$work/espeak.functions"
awk -v excess="$((kavo_ir - espeak_ir))" '
  function name(line) { sub(/^[0-9]+ /, "", line); return line }
  FNR == NR { k[name($0)] = $1; next }
  { e[name($0)] = $1 }
  END {
    for (n in k) all[n] = 1
    for (n in e) all[n] = 1
    limit = (excess < 0 ? -excess : excess) * 0.005
    for (n in all) {
      d = k[n] - e[n]
      if (d >= limit || -d >= limit) printf "function %.0f %.0f %.0f %s\n", d, k[n], e[n], n
      else { od += d; ok += k[n]; oe += e[n] }
    }
    printf "function %.0f %.0f %.0f (other functions)\n", od, ok, oe
  }' "$work/kavo.functions" "$work/espeak.functions" | sort -k2,2gr |
  awk '/ \(other functions\)$/ { other = $0; next } { print } END { print other }'
