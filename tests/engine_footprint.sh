#!/usr/bin/env bash
# A binary built without the editor (the LV2 engine, the DSP-only test program) names
# none of the editor's libraries: no X11 or its extensions, no FreeType, fontconfig or
# libpng. It is checked on the binary's own NEEDED entries: on Debian, libstk brings
# libX11 with it (through rtaudio and PulseAudio), which is STK's and not ours.
set -u
bin="$1"
fail() { echo "FAIL: $*"; exit 1; }
[ -f "$bin" ] || fail "no $bin"

needed=$(readelf -d -W "$bin" | awk '/\(NEEDED\)/ { gsub(/[][]/, "", $NF); print $NF }') || fail "readelf cannot read $bin"
[ -n "$needed" ] || fail "no NEEDED entries read from $bin"
# The engine's own library is there: the list really is the one we mean.
grep -q '^libstk' <<<"$needed" || fail "libstk missing from NEEDED of $bin"
editor=$(grep -E '^lib(X11|Xext|Xrender|xcb|freetype|fontconfig|png[0-9]*)\.so' <<<"$needed")
[ -z "$editor" ] || fail "$(basename "$bin") names editor libraries: $(echo $editor)"
echo "1 passed, 0 failed"
