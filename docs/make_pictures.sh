#!/bin/sh
# Draws the manual's pictures with the program itself:
#   docs/make_pictures.sh PATH/TO/velmora [OUTPUT_FOLDER]
# (default output: docs/images beside this script). Runs on the built-in
# simulator in a scratch data folder, under QT_QPA_PLATFORM=offscreen unless
# a display is asked for. Fails when a picture cannot be drawn.
set -u
program="$1"
here=$(cd "$(dirname "$0")" && pwd)
out="${2:-$here/images}"
mkdir -p "$out"
# A 1600 x 1200 screen, so the windows are drawn at their full size.
screen=$(mktemp)
trap 'rm -f "$screen"' EXIT
echo '{"screens": [{"name": "manual", "x": 0, "y": 0, "width": 1600, "height": 1200, "logicalDpi": 96}]}' > "$screen"
case "${QT_QPA_PLATFORM:-offscreen}" in
    offscreen*) export QT_QPA_PLATFORM="offscreen:configfile=$screen" ;;
esac
export VELMORA_SIMULATE=1
status=0

# picture name, then the menu command whose window it shows (0: the main window)
while read -r name command; do
    [ -z "$name" ] && continue
    home=$(mktemp -d)
    rm -f "$out/$name.png"
    VELMORA_HOME="$home" "$program" --simulate --screenshot "$out/$name.png" --command "$command" >/dev/null 2>&1
    code=$?
    rm -rf "$home"
    # A PNG file starts with 0x89 "PNG".
    if [ $code -ne 0 ] || [ ! -s "$out/$name.png" ] || [ "$(head -c 4 "$out/$name.png" | tail -c 3)" != "PNG" ]; then
        echo "could not draw $name (command $command, exit $code)"
        status=1
    fi
done <<LIST
main-window 0
camera-dialog 12
program-defaults 121
stretch-display 123
fits-details 20
auto-processing 24324
unsharp-mask 106
merge-dialog 111
guider-dialog 27
histogram 6
help-window 112
about 113
LIST

# Every picture the manual shows must be among them.
for picture in $(grep -o 'images/[A-Za-z0-9_-]*\.png' "$here/manual.md" | sort -u); do
    if [ ! -s "$out/$(basename "$picture")" ]; then
        echo "the manual shows $picture, which this script does not draw"
        status=1
    fi
done
[ $status -eq 0 ] && echo "pictures written to $out"
exit $status
