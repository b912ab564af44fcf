#!/bin/sh
# Ardour keeps Toneglass's settings: a headless Ardour (its Lua tool, on the dummy audio
# backend) makes a session with a track that carries the plug-in, found by its URI in the
# built bundle alone, sets every control, and saves. A second Ardour process opens the
# session again and reads the controls back; the session file must hold them too.
#
# usage: ardour_session.sh BUNDLE URI
set -u
bundle=$1
uri=$2
# Each run of Ardour gets this long; it has taken about five seconds here.
limit=120

fail() {
  echo "ardour_session: $*" >&2
  exit 1
}
command -v ardour7-lua >/dev/null || fail "ardour7-lua is not installed (scripts/bootstrap installs ardour)"
[ -f "$bundle/manifest.ttl" ] || fail "no LV2 bundle at $bundle"

work=$(mktemp -d "${TMPDIR:-/tmp}/toneglass-ardour-XXXXXX") || fail "cannot make a temporary folder"
trap 'rm -rf "$work"' EXIT INT TERM
# Only this bundle on the LV2 path, and Ardour's configuration and caches kept apart
# from the user's.
mkdir -p "$work/lv2" "$work/home" || fail "cannot fill $work"
ln -s "$(cd "$bundle" && pwd)" "$work/lv2/Toneglass.lv2"
export LV2_PATH="$work/lv2"
export HOME="$work/home"
export XDG_CONFIG_HOME="$work/home/.config"
export XDG_CACHE_HOME="$work/home/.cache"
session="$work/session"

# The settings, in the order of the plug-in's control inputs: none is its default.
expected="threshold=-27 selection_start=1000 selection_size=2500 dry=0 wet=-12"

cat >"$work/create.lua" <<EOF
AudioEngine:set_backend("None (Dummy)", "", "")
local s = create_session("$session", "toneglass", 48000)
assert(s, "no session was made")
local track = s:new_audio_track(2, 2, nil, 1, "Toneglass", ARDOUR.PresentationInfo.max_order,
                                ARDOUR.TrackMode.Normal, true):front()
local plugin = ARDOUR.LuaAPI.new_plugin(s, "$uri", ARDOUR.PluginType.LV2, "")
assert(not plugin:isnil(), "Ardour found no LV2 plug-in $uri")
assert(track:add_processor_by_index(plugin, 0, nil, true) == 0, "the plug-in was not added")
local values = { -27, 1000, 2500, 0, -12 }
for i, v in ipairs(values) do
  assert(ARDOUR.LuaAPI.set_processor_param(plugin, i - 1, v), "control " .. (i - 1) .. " was not set")
end
assert(s:save_state("", false, false, false, false, false) == 0, "the session was not saved")
print("saved")
close_session()
print("closed")
EOF

cat >"$work/reopen.lua" <<EOF
AudioEngine:set_backend("None (Dummy)", "", "")
local s = load_session("$session", "toneglass")
assert(s, "the session did not open")
local route = s:route_by_name("Toneglass")
assert(not route:isnil(), "the session has no track Toneglass")
local plugin = route:nth_plugin(0)
assert(not plugin:isnil(), "the track has no plug-in")
local insert = plugin:to_insert()
print("plugin " .. insert:plugin(0):unique_id())
local symbols = { "threshold", "selection_start", "selection_size", "dry", "wet" }
for i, symbol in ipairs(symbols) do
  local value, ok = ARDOUR.LuaAPI.get_processor_param(plugin, i - 1, true)
  print(string.format("value %s=%g", symbol, value))
end
close_session()
print("closed")
EOF

# Ardour's Lua tool may hang on the way out, after its work is done. A run that times
# out therefore passes only when it printed everything it was asked to (the session
# saved; every value read back), and those values are then checked like any others.
run_ardour() {
  name=$1
  timeout -k 10 "$limit" ardour7-lua "$work/$name.lua" >"$work/$name.log" 2>&1
  status=$?
  if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    echo "ardour_session: $name: ardour7-lua did not exit within $limit s; judging what it printed" >&2
  elif [ "$status" -ne 0 ]; then
    cat "$work/$name.log" >&2
    fail "$name: ardour7-lua failed (exit status $status)"
  fi
}

run_ardour create
grep -qx saved "$work/create.log" || { cat "$work/create.log" >&2; fail "create: the session was not saved"; }
xml="$session/toneglass.ardour"
[ -f "$xml" ] || fail "no session file $xml"

# The session file holds the plug-in by URI and each control by symbol.
grep -q "unique-id=\"$uri\"" "$xml" || fail "the session file does not name $uri"
for pair in $expected; do
  symbol=${pair%%=*}
  value=${pair#*=}
  grep -q "<Port symbol=\"$symbol\" value=\"$value\"/>" "$xml" ||
    fail "the session file does not hold $symbol = $value: $(grep "Port symbol=\"$symbol\"" "$xml")"
done

run_ardour reopen
grep -qx "plugin $uri" "$work/reopen.log" || { cat "$work/reopen.log" >&2; fail "reopen: the plug-in did not come back"; }
for pair in $expected; do
  grep -qx "value $pair" "$work/reopen.log" ||
    { cat "$work/reopen.log" >&2; fail "reopen: $pair did not come back"; }
done
echo "ardour_session: the session keeps $expected"
