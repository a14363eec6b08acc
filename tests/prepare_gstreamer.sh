#!/usr/bin/env bash
# Scans the GStreamer plugins once into the registry every test shares, and
# checks the elements the tests play with are in it. A scan that went wrong
# (a plugin timed out on a loaded machine and was left out) is not kept.
# Usage: prepare_gstreamer.sh REGISTRY
set -uo pipefail
export GST_REGISTRY="$1"
mkdir -p "$(dirname "$GST_REGISTRY")"
for attempt in 1 2 3; do
    missing=""
    for element in playbin souphttpsrc wavparse oggdemux fakesink identity; do
        gst-inspect-1.0 "$element" >/dev/null 2>&1 || missing="$missing $element"
    done
    [ -z "$missing" ] && exit 0
    echo "attempt $attempt: GStreamer has no$missing" >&2
    rm -f "$GST_REGISTRY"
done
exit 1
