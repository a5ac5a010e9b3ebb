# shellcheck shell=bash
# apt-get update that outlasts a mirror in the middle of a sync: for some
# minutes such a mirror serves an index that does not match its Release file,
# and apt-get update fails on it ("Mirror sync in progress?"). Sourced by
# scripts/install-deps and scripts/i686-vm.
#
#   apt_update [--ignore REGEX] ARGS...
#       apt-get update ARGS, tried again with a growing wait while an index
#       fails to download; one line per retry names it. Indexes matching REGEX
#       (those the caller has no use for) neither cause a retry nor count as
#       failed. Returns 0 when every index needed came; else 1, with
#       apt_failed_index naming what is still missing (its path on the mirror),
#       so the caller may still try with the lists apt has.
#   apt_mirror_advice [LOG]
#       the one line to print when an install failed after that (LOG: where
#       apt's own output is kept).

# Seconds to wait before each retry: 5 minutes in all. KAVO_APT_RETRY_WAITS
# sets other waits ("0 0" retries twice at once; "" never).
read -r -a apt_retry_waits <<<"${KAVO_APT_RETRY_WAITS-20 40 80 160}"
apt_failed_index=""

apt_update() {
  local ignore="" log rc try=0 seconds failed
  if [ "${1:-}" = --ignore ]; then ignore=$2; shift 2; fi
  log=$(mktemp) || return 1
  while :; do
    LC_ALL=C apt-get update "$@" >"$log" 2>&1  # English, to read
    rc=$?
    # "E: Failed to fetch http://HOST/PATH  REASON": the index is PATH.
    failed=$(sed -n 's|^E: Failed to fetch [a-z+]*://[^/]*/\([^ ]*\).*|\1|p' "$log")
    apt_failed_index=$(awk -v skip="$ignore" 'NF && (skip == "" || $0 !~ skip) { printf "%s%s", sep, $0; sep = ", " }' <<<"$failed")
    if [ $rc -eq 0 ] || [ -z "$apt_failed_index" ] || [ $try -ge ${#apt_retry_waits[@]} ]; then break; fi
    seconds=${apt_retry_waits[$try]}
    try=$((try + 1))
    echo "${0##*/}: apt-get update could not fetch $apt_failed_index; retry $try of ${#apt_retry_waits[@]} in $seconds s" >&2
    sleep "$seconds"
  done
  if [ $rc -eq 0 ] || { [ -z "$apt_failed_index" ] && [ -n "$failed" ]; }; then
    rm -f "$log"; return 0  # every index, or every one needed here
  fi
  if [ -n "$apt_failed_index" ]; then
    echo "${0##*/}: still cannot fetch $apt_failed_index; going on with the package lists apt has" >&2
  else
    cat "$log" >&2  # some other trouble: apt's own words
  fi
  rm -f "$log"
  return 1
}

apt_mirror_advice() {
  local kept=""
  [ -z "${1:-}" ] || kept=" (apt's output: $1)"
  echo "${0##*/}: a mirror index could not be fetched ($apt_failed_index); this is usually a mirror mid-sync: run the command again in a few minutes$kept" >&2
}
