#!/bin/sh
# Runs one GNUstep GUI test program: GNUstep's user folders and defaults in a fresh
# temporary folder (it would write to the user's home), quiet under Xvfb without a
# window manager, and killed after LIMIT seconds (GNUstep's failure mode is a modal
# panel that waits forever, not a crash).
#   run_gui_test.sh LIMIT PROGRAM [ARGS...]
set -eu
limit="$1"
shift
tmp=$(mktemp -d "${TMPDIR:-/tmp}/toneglass-gnustep.XXXXXX")
trap 'rm -rf "$tmp"' EXIT INT TERM
mkdir -p "$tmp/Defaults"
cat >"$tmp/GNUstep.conf" <<CONF
GNUSTEP_USER_CONFIG_FILE=$tmp/user.conf
GNUSTEP_USER_DIR_APPS=$tmp/Applications
GNUSTEP_USER_DIR_ADMIN_APPS=$tmp/Applications/Admin
GNUSTEP_USER_DIR_WEB_APPS=$tmp/WebApplications
GNUSTEP_USER_DIR_TOOLS=$tmp/Tools
GNUSTEP_USER_DIR_ADMIN_TOOLS=$tmp/Tools/Admin
GNUSTEP_USER_DIR_LIBRARY=$tmp/Library
GNUSTEP_USER_DIR_HEADERS=$tmp/Library/Headers
GNUSTEP_USER_DIR_LIBRARIES=$tmp/Library/Libraries
GNUSTEP_USER_DIR_DOC=$tmp/Library/Documentation
GNUSTEP_USER_DIR_DOC_MAN=$tmp/Library/Documentation/man
GNUSTEP_USER_DIR_DOC_INFO=$tmp/Library/Documentation/info
GNUSTEP_USER_DEFAULTS_DIR=$tmp/Defaults
CONF
cat >"$tmp/Defaults/NSGlobalDomain.plist" <<PLIST
{
  GSBackHandlesWindowDecorations = NO;
  GSSuppressAppIcon = YES;
}
PLIST
export GNUSTEP_CONFIG_FILE="$tmp/GNUstep.conf"
export HOME="$tmp"
export TONEGLASS_GNUSTEP_TMP="$tmp"
# timeout leads a process group of its own: whatever the program started (its Xvfb)
# goes with it, even when the program itself crashed.
timeout -k 5 "$limit" "$@" &
pid=$!
rc=0
wait "$pid" || rc=$?
kill -TERM -- "-$pid" 2>/dev/null || true
exit "$rc"
