#!/usr/bin/env bash
# The real program under Xvfb against the integration server. An account that
# signed in before (its address and user name in the settings, its password in
# a throwaway unlocked keyring) is restored at start without the connect
# screen; the main window then asks the server for the playlists. A screenshot
# of the screen is saved to look at, not compared.
# Usage (inside dbus-run-session): smoke_xvfb.sh LIRNA_BINARY SERVER_JSON SCREENSHOT
set -euo pipefail
app="$1"
state="$2"
shot="$3"

read_state() { /usr/bin/python3 -c 'import json, sys; print(eval("json.load(open(sys.argv[1]))" + sys.argv[2]))' "$state" "$1"; }
url="$(read_state '["url"]')"
user="$(read_state '["accounts"][0]["username"]')"
password="$(read_state '["accounts"][0]["password"]')"
shim_log="$(dirname "$state")/shim.log"

home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
export XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_CONFIG_HOME/Lirna" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
printf '[General]\nserverURL=%s\nusername=%s\n' "$url" "$user" >"$XDG_CONFIG_HOME/Lirna/Lirna.conf"

printf %s throwaway | gnome-keyring-daemon --unlock --components=secrets >/dev/null
# The daemon claims its bus name a moment after it returns; asking before
# that would have the bus start another daemon, one that knows nothing of
# the throwaway keyring. The limits are generous: beside many other tests
# everything starts several times slower.
for _ in $(seq 1 300); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null | grep -q 'boolean true' && break
    sleep 0.1
done
printf %s "$password" | secret-tool store --label=Lirna user "$user@$url" server co.quorvane.lirna type plaintext

before="$(grep -c 'GET /rest/getPlaylists' "$shim_log" || true)"
mkdir -p "$(dirname "$shot")"
rm -f "$shot"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    "$1" & pid=$!
    for _ in $(seq 1 120); do
        sleep 0.5
        [ "$(grep -c "GET /rest/getPlaylists" "$3" || true)" -gt "$4" ] && break
    done
    sleep 1
    import -window root "$2"
    kill -0 $pid || { echo "the program ended early"; exit 1; }
    kill $pid
    wait $pid || true' smoke "$app" "$shot" "$shim_log" "$before"

after="$(grep -c 'GET /rest/getPlaylists' "$shim_log" || true)"
if [ "$after" -le "$before" ]; then
    echo "the restored session did not load the playlists"
    exit 1
fi
[ -s "$shot" ] || { echo "no screenshot"; exit 1; }
echo "screenshot: $shot"
