#!/bin/sh
# A real LV2 host end to end: jalv (GTK) opens the plug-in with its editor embedded, in a
# private Xvfb, on a private JACK server with the dummy driver; the test checks that the
# editor's window is there at the editor's size and that jalv quits cleanly on SIGTERM.
#   jalv_smoke.sh BUNDLE_FOLDER PLUGIN_URI
set -u
bundle=$1
uri=$2
work=$(mktemp -d)
xvfb=""
jackd=""
jalv=""
cleanup() {
  for p in $jalv $jackd $xvfb; do kill "$p" 2>/dev/null; done
  for p in $jalv $jackd $xvfb; do wait "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
trap "exit 1" INT TERM HUP PIPE
fail() {
  echo "jalv smoke test: $*" >&2
  for f in "$work"/*.log; do echo "---- $f" >&2; cat "$f" >&2; done
  exit 1
}

# Only this bundle and the specifications, so that no installed copy is picked instead.
mkdir "$work/lv2" && ln -s "$bundle" "$work/lv2/"

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for i in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
DISPLAY=:$(head -n1 "$work/display")
export DISPLAY

JACK_DEFAULT_SERVER=toneglass-smoke-$$
JACK_NO_AUDIO_RESERVATION=1
export JACK_DEFAULT_SERVER JACK_NO_AUDIO_RESERVATION
jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 44100 -p 512 >"$work/jackd.log" 2>&1 &
jackd=$!
jack_wait -s "$JACK_DEFAULT_SERVER" -w -t 10 >/dev/null 2>&1 || fail "the JACK server did not start"

LV2_PATH="$work/lv2:/usr/lib/lv2" jalv.gtk3 "$uri" >"$work/jalv.log" 2>&1 &
jalv=$!
# jalv's window, holding the embedded editor (700 x 400 below jalv's menu bar).
window=""
for i in $(seq 150); do
  kill -0 "$jalv" 2>/dev/null || fail "jalv exited early"
  window=$(xdotool search --onlyvisible --name '^Toneglass$' 2>/dev/null | head -n1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "no Toneglass window appeared"
grep -q "^UI: *$uri#ui" "$work/jalv.log" || fail "jalv did not pick the plug-in's own UI"
sleep 1
geometry=$(xdotool getwindowgeometry "$window")
width=$(echo "$geometry" | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1/p')
height=$(echo "$geometry" | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\2/p')
[ "$width" = 700 ] || fail "jalv's window is $width wide, not the editor's 700"
[ "$height" -ge 400 ] || fail "jalv's window is $height high, less than the editor's 400"

kill -TERM "$jalv"
for i in $(seq 100); do kill -0 "$jalv" 2>/dev/null || break; sleep 0.1; done
kill -0 "$jalv" 2>/dev/null && fail "jalv did not quit within 10 s of SIGTERM"
wait "$jalv"
status=$?
jalv=""
[ "$status" -eq 0 ] || fail "jalv exited with status $status"
echo "jalv opened $uri with its editor ($width x $height) and quit cleanly"
