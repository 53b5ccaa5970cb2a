#!/bin/sh
# Installs the build tree BUILD into the scratch prefix PREFIX and checks that
# every file of the installation is there.
set -e
build="$1"
prefix="$2"
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
status=0
for f in bin/velmora bin/velmora-cli lib/udev/rules.d/70-velmora.rules \
         share/applications/velmora.desktop share/icons/hicolor/scalable/apps/velmora.svg \
         share/doc/velmora/manual.md share/doc/velmora/images/main-window.png; do
    if [ ! -s "$prefix/$f" ]; then
        echo "missing: $f"
        status=1
    fi
done
for f in bin/velmora bin/velmora-cli; do
    [ -x "$prefix/$f" ] || { echo "not executable: $f"; status=1; }
done
grep -q '^Exec=velmora$' "$prefix/share/applications/velmora.desktop" || { echo "desktop entry runs the wrong program"; status=1; }
grep -q '^Icon=velmora$' "$prefix/share/applications/velmora.desktop" || { echo "desktop entry has no icon"; status=1; }
if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$prefix/share/applications/velmora.desktop" || status=1
fi
# Every picture the manual shows is installed with it.
for picture in $(grep -o 'images/[A-Za-z0-9_-]*\.png' "$prefix/share/doc/velmora/manual.md" | sort -u); do
    [ -s "$prefix/share/doc/velmora/$picture" ] || { echo "manual picture missing: $picture"; status=1; }
done
[ $status -eq 0 ] && echo "installation complete under $prefix"
exit $status
