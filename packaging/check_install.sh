#!/bin/sh
# Installs the build tree BUILD into the scratch prefix PREFIX and checks that
# every file of the installation is there; then builds the Debian packages
# into PREFIX/packages and checks what each holds and depends on.
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
# The INDI driver and its list, when the build has the driver.
driver=no
[ -x "$build/indi/indi_velmora_ccd" ] && driver=yes
if [ $driver = yes ]; then
    for f in bin/indi_velmora_ccd share/indi/indi_velmora.xml; do
        [ -s "$prefix/$f" ] || { echo "missing: $f"; status=1; }
    done
fi

# cpack -G DEB: the package velmora with the programs, and velmora-indi with
# the driver; each with its copyright file and changelog.
if command -v cpack >/dev/null 2>&1 && command -v dpkg-deb >/dev/null 2>&1; then
    packages="$prefix/packages"
    (cd "$build" && cpack -G DEB -B "$packages" >"$prefix/cpack.log" 2>&1) || { cat "$prefix/cpack.log"; exit 1; }
    main=$(ls "$packages"/velmora_*.deb 2>/dev/null || true)
    indi=$(ls "$packages"/velmora-indi_*.deb 2>/dev/null || true)
    count=$(ls "$packages"/*.deb | wc -l)
    files() { dpkg-deb -c "$1" | awk '{print $6}' | sed 's|^\./|/|'; }
    has() { files "$1" | grep -qx "$2" || { echo "$(basename "$1") lacks $2"; status=1; }; }
    lacks() { ! files "$1" | grep -q "$2" || { echo "$(basename "$1") holds $2"; status=1; }; }
    [ -n "$main" ] || { echo "no velmora package"; exit 1; }
    for f in /usr/bin/velmora /usr/bin/velmora-cli /usr/lib/udev/rules.d/70-velmora.rules \
             /usr/share/applications/velmora.desktop /usr/share/icons/hicolor/scalable/apps/velmora.svg \
             /usr/share/doc/velmora/manual.md /usr/share/doc/velmora/images/main-window.png \
             /usr/share/doc/velmora/copyright /usr/share/doc/velmora/changelog.gz; do
        has "$main" "$f"
    done
    lacks "$main" indi
    dpkg-deb -f "$main" Depends | grep -q indi && { echo "velmora depends on INDI"; status=1; }
    # The post-install script reloads the udev rules, and succeeds where
    # udevadm is missing or fails.
    control=$(mktemp -d)
    dpkg-deb -e "$main" "$control"
    grep -q 'udevadm control --reload-rules && udevadm trigger' "$control/postinst" || { echo "postinst does not reload udev"; status=1; }
    [ -x "$control/postinst" ] || { echo "postinst not executable"; status=1; }
    mkdir "$control/bin"
    printf '#!/bin/sh\necho "udevadm $*" >>"%s/calls"\nexit 1\n' "$control" >"$control/bin/udevadm"
    chmod +x "$control/bin/udevadm"
    PATH="$control/bin:/usr/bin:/bin" sh "$control/postinst" configure || { echo "postinst fails when udevadm fails"; status=1; }
    grep -qx 'udevadm control --reload-rules' "$control/calls" || { echo "postinst did not call udevadm"; status=1; }
    rm "$control/bin/udevadm"
    PATH="$control/bin" /bin/sh "$control/postinst" configure || { echo "postinst fails without udev"; status=1; }
    rm -rf "$control"
    if [ $driver = yes ]; then
        [ "$count" -eq 2 ] || { echo "expected 2 packages, got $count"; status=1; }
        [ -n "$indi" ] || { echo "no velmora-indi package"; exit 1; }
        for f in /usr/bin/indi_velmora_ccd /usr/share/indi/indi_velmora.xml \
                 /usr/share/doc/velmora-indi/copyright /usr/share/doc/velmora-indi/changelog.gz; do
            has "$indi" "$f"
        done
        lacks "$indi" '/usr/bin/velmora$'
        lacks "$indi" udev
        depends=$(dpkg-deb -f "$indi" Depends)
        echo "$depends" | grep -q 'velmora (= ' || { echo "velmora-indi does not depend on velmora"; status=1; }
        echo "$depends" | grep -q libindi || { echo "velmora-indi does not depend on libindi"; status=1; }
    else
        [ "$count" -eq 1 ] || { echo "expected 1 package, got $count"; status=1; }
    fi
    dpkg-deb --fsys-tarfile "$main" | tar -xO ./usr/share/doc/velmora/changelog.gz | gzip -t || { echo "changelog is not gzip"; status=1; }
fi

[ $status -eq 0 ] && echo "installation complete under $prefix"
exit $status
