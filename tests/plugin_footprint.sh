#!/usr/bin/env bash
# What a host's process takes on with Toneglass.so: the shared libraries it names
# (each one it really calls, and nothing that only the tools or tests use) and no search
# path of the build folder.
set -u
so="$1"
fail() { echo "FAIL: $*"; exit 1; }
[ -f "$so" ] || fail "no $so"

dynamic=$(readelf -d -W "$so") || fail "readelf cannot read $so"
needed=$(awk '/\(NEEDED\)/ { gsub(/[][]/, "", $NF); print $NF }' <<<"$dynamic")
[ -n "$needed" ] || fail "no NEEDED entries read"
# The sanitizer runtimes come with the instrumented builds.
allowed='^(libstk-[0-9.]+\.so|libtinyxml\.so\..*|libpng16\.so\.16|libz\.so\.1|libfontconfig\.so\.1|libfreetype\.so\.6|libX11\.so\.6|libXext\.so\.6|libXrender\.so\.1|libstdc\+\+\.so\.6|libm\.so\.6|libgcc_s\.so\.1|libc\.so\.6|ld-linux-x86-64\.so\.2|lib(a|ub|t)san\.so\.[0-9]+)$'
stray=$(grep -Ev "$allowed" <<<"$needed")
[ -z "$stray" ] || fail "Toneglass.so names libraries it has no business loading: $(echo $stray)"
for lib in libstk libpng16 libfontconfig libfreetype libX11; do
  grep -q "^$lib" <<<"$needed" || fail "$lib missing from NEEDED: the list above is out of date"
done
[ "$(grep -c . <<<"$needed")" -eq "$(sort -u <<<"$needed" | grep -c .)" ] || fail "a library is named twice"
! grep -Eq '\((RPATH|RUNPATH)\)' <<<"$dynamic" || fail "Toneglass.so carries a library search path"
echo "1 passed, 0 failed"
