#!/usr/bin/env bash
# cmake --install puts sd_kavosynth and its configuration where the server
# looks (/etc for a /usr install, else under the prefix), and the installed
# module finds the installed plug-in and engine relative to itself; kavosynth.pc
# names the plug-in's folder.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/prefix" >/dev/null
module=$work/prefix/lib/speech-dispatcher-modules/sd_kavosynth
config=$work/prefix/etc/speech-dispatcher/modules/kavosynth.conf
[ -x "$module" ] || fail "no module at $module"
[ -f "$config" ] || fail "no configuration at $config"
reply=$(printf 'INIT\nLIST VOICES\nQUIT\n' | "$module" "$config" 2>"$work/log") || fail "the module failed: $(cat "$work/log")"
grep -qx '299 OK LOADED SUCCESSFULLY' <<<"$reply" || fail "INIT: $reply $(cat "$work/log")"
[ "$(grep -c '^200-' <<<"$reply")" = 4 ] || fail "LIST VOICES: $reply"
grep -qx '210 OK QUIT' <<<"$reply" || fail "QUIT: $reply"
# Hosts find the plug-in through the pkg-config file.
plugindir=$(PKG_CONFIG_PATH=$work/prefix/share/pkgconfig pkg-config --variable=plugindir kavosynth)
[ -f "$plugindir/libKavoSynthXunFeiClassic.so" ] || fail "kavosynth.pc's plugindir $plugindir holds no plug-in"

DESTDIR=$work/root cmake --install "$build" --prefix /usr >/dev/null
[ -f "$work/root/etc/speech-dispatcher/modules/kavosynth.conf" ] || fail "a /usr install keeps the configuration out of /etc"
[ -x "$work/root/usr/lib/speech-dispatcher-modules/sd_kavosynth" ] || fail "a /usr install has no module"
echo "installed module, configuration and plug-in work together"
