#!/usr/bin/env bash
# Installs the build into a throwaway prefix and checks what a desktop needs
# of it: the program, a valid desktop entry, the icon in the hicolor theme at
# the usual sizes and valid AppStream metadata. Then starts the installed
# program under Xvfb: its window's class is the entry's StartupWMClass, and its
# MPRIS DesktopEntry is the entry's name.
# Usage (inside dbus-run-session): check_install.sh BUILD_DIR APP_ID
set -euo pipefail
build="$1"
id="$2"

prefix="$(mktemp -d)"
home="$(mktemp -d)"
trap 'rm -rf "$prefix" "$home"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

entry="$prefix/share/applications/$id.desktop"
metainfo="$prefix/share/metainfo/$id.metainfo.xml"
[ -x "$prefix/bin/lirna" ] || fail "no bin/lirna"
[ -f "$entry" ] || fail "no desktop entry"
[ -f "$metainfo" ] || fail "no AppStream metainfo"
[ -f "$prefix/share/icons/hicolor/scalable/apps/$id.svg" ] || fail "no scalable icon"
for size in 48 128 256; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
    [ -f "$png" ] || fail "no ${size}x${size} icon"
    # The width and height of the PNG header.
    read -r w h < <(python3 -c 'import struct, sys; d = open(sys.argv[1], "rb").read(24); print(*struct.unpack(">II", d[16:24]))' "$png")
    [ "$w $h" = "$size $size" ] || fail "the ${size}x${size} icon is ${w}x${h}"
done

desktop-file-validate "$entry" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"

key() { sed -n "s/^$1=//p" "$entry"; }
[ "$(key Name)" = "Lirna" ] || fail "Name"
[ "$(key Exec)" = "lirna" ] || fail "Exec"
[ "$(key Icon)" = "$id" ] || fail "Icon"
[ "$(key Categories)" = "AudioVideo;Audio;Player;" ] || fail "Categories"
grep -q '^MimeType=' "$entry" && fail "a MimeType"
wmclass="$(key StartupWMClass)"
[ -n "$wmclass" ] || fail "no StartupWMClass"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "metainfo launchable"
grep -q '<screenshot type="default">' "$metainfo" || fail "metainfo screenshot"
grep -q '<release version=' "$metainfo" || fail "metainfo release"

# The installed program, signed out, in a home of its own.
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
export XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    set -u
    "$1" & pid=$!
    trap "kill $pid 2>/dev/null; wait $pid 2>/dev/null" EXIT
    entry=""
    for _ in $(seq 1 60); do
        sleep 0.5
        entry="$(dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.lirna /org/mpris/MediaPlayer2 \
            org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2 string:DesktopEntry 2>/dev/null \
            | sed -n "s/.*string \"\(.*\)\"/\1/p")"
        [ -n "$entry" ] && break
    done
    [ "$entry" = "$2" ] || { echo "FAIL: MPRIS DesktopEntry is \"$entry\", not \"$2\""; exit 1; }
    dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.lirna /org/mpris/MediaPlayer2 \
        org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2 string:CanRaise | grep -q "boolean true" \
        || { echo "FAIL: MPRIS CanRaise"; exit 1; }
    found=""
    for _ in $(seq 1 40); do
        found="$(xdotool search --class "^$3\$" 2>/dev/null || true)"
        [ -n "$found" ] && break
        sleep 0.5
    done
    [ -n "$found" ] || { echo "FAIL: no window of class $3"; exit 1; }
    ' check "$prefix/bin/lirna" "$id" "$wmclass"
echo "installed and checked: $prefix"
