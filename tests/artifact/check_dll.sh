#!/usr/bin/env bash
# Checks a Windows DLL from the file alone, without running it.
#   check_dll.sh pe OBJDUMP DLL i386|x86-64   format, system-only imports, version resource
#   check_dll.sh exports OBJDUMP DLL NAME...  exactly these names, ordinals 1..n in this order
#   check_dll.sh caller-cleans OBJDUMP DLL NAME...
#       no named export, nor a .cold part of one, returns with "ret $n": the
#       caller removes the arguments (cdecl), as 32-bit hosts expect.
set -euo pipefail
check=$1 objdump=$2 dll=$3
shift 3

fail() { echo "check_dll: $dll: $*" >&2; exit 1; }
headers=$("$objdump" -p "$dll") || fail "objdump cannot read it"

# Export name -> RVA, through the ordinal each name points to.
export_table() {
  awk '
    /^Export Address Table -- Ordinal Base/ { base = $NF; table = "address"; next }
    /^\[Ordinal\/Name Pointer\] Table/ { table = "names"; next }
    /^$/ { table = "" }
    table == "address" && /Export RVA/ { gsub(/\[|\]|\+base/, " "); rva[$2 + 0] = $3 }
    table == "names" { gsub(/[][]/, " "); print $1 + base, $2, rva[$1 + base] }
  ' <<<"$headers"
}

case "$check" in
pe)
  arch=$1
  format=$("$objdump" -f "$dll" | sed -n 's/.*file format //p')
  [ "$format" = "pei-$arch" ] || fail "file format is $format, not pei-$arch"
  allowed=" KERNEL32.dll msvcrt.dll SHLWAPI.dll USER32.dll ADVAPI32.dll WINMM.dll ole32.dll OLEAUT32.dll SHELL32.dll "
  imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
  [ -n "$imports" ] || fail "no import table"
  for name in $imports; do
    [[ "$allowed" == *" $name "* ]] || fail "imports $name, which is not a Windows system library"
  done
  # The resource's UTF-16 texts, read as bytes with the zero high bytes dropped.
  resource=$(tr -d '\0' <"$dll" | grep -ao 'VS_VERSION_INFO\|FileVersion1\.0\.0\.0' | sort -u)
  grep -q 'VS_VERSION_INFO' <<<"$resource" || fail "no VERSIONINFO resource"
  grep -q 'FileVersion1\.0\.0\.0' <<<"$resource" || fail "no FileVersion 1.0.0.0"
  echo "$dll: pei-$arch, imports $(echo $imports), version 1.0.0.0"
  ;;
exports)
  # The name table is sorted by name; the ordinals need not follow that order.
  actual=$(export_table | awk '{ print $1, $2 }' | sort -n)
  expected=$(i=1; for name in "$@"; do echo "$i $name"; i=$((i + 1)); done)
  [ "$actual" = "$expected" ] || fail "export table (ordinal name) is:"$'\n'"$actual"$'\n'"expected:"$'\n'"$expected"
  echo "$dll: exports $# names, ordinals 1 to $#"
  ;;
caller-cleans)
  base=$(awk '$1 == "ImageBase" { print $2 }' <<<"$headers")
  disassembly=$("$objdump" -d --no-show-raw-insn "$dll")
  table=$(export_table)
  for name in "$@"; do
    rva=$(awk -v n="$name" '$2 == n { print $3 }' <<<"$table")
    [ -n "$rva" ] || fail "does not export $name"
    address=$(printf "%0${#base}x" $((0x$base + 0x$rva)))
    # The function's own block (found by its address), then every block
    # named after it with a suffix (.cold and other split-off parts).
    found=$(awk -v a="$address" '
      $1 == a && /^[0-9a-f]+ <.*>:$/ { label = $2; sub(/^</, "", label); sub(/>:$/, "", label); print label; exit }
    ' <<<"$disassembly")
    [ -n "$found" ] || fail "no code symbol at the address of $name ($address); was it stripped?"
    returns=$(awk -v l="$found" '
      /^[0-9a-f]+ <.*>:$/ { label = $2; sub(/^</, "", label); sub(/>:$/, "", label)
                            inside = (label == l || index(label, l ".") == 1); next }
      /^$/ { inside = 0 }
      inside && /\tret/ { print label ": " $0 }
    ' <<<"$disassembly")
    [ -n "$returns" ] || fail "$name ($found) has no return instruction"
    if grep -E 'ret +\$' <<<"$returns"; then fail "$name removes its own arguments (callee cleans)"; fi
  done
  echo "$dll: $# functions return with a plain ret"
  ;;
*) fail "unknown check $check" ;;
esac
