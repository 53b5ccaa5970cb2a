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
# the driver (when built); each with its copyright file and changelog.
if command -v cpack >/dev/null 2>&1 && command -v dpkg-deb >/dev/null 2>&1; then
    out="$prefix/packages"
    (cd "$build" && cpack -G DEB -B "$out" >"$prefix/cpack.log" 2>&1) || { cat "$prefix/cpack.log"; exit 1; }
    # package, then the files it must hold; "!pattern": a file it must not.
    holds() {
        deb="$out/$1"; shift
        [ -f "$deb" ] || { echo "no package $(basename "$deb")"; status=1; return; }
        list=$(dpkg-deb -c "$deb" | awk '{print substr($6, 2)}')
        for f in "$@"; do
            case "$f" in
                !*) ! echo "$list" | grep -q "${f#!}" || { echo "$(basename "$deb") holds ${f#!}"; status=1; } ;;
                *) echo "$list" | grep -qx "$f" || { echo "$(basename "$deb") lacks $f"; status=1; } ;;
            esac
        done
    }
    holds velmora_1.0.0_amd64.deb /usr/bin/velmora /usr/bin/velmora-cli /usr/lib/udev/rules.d/70-velmora.rules \
        /usr/share/applications/velmora.desktop /usr/share/icons/hicolor/scalable/apps/velmora.svg \
        /usr/share/doc/velmora/manual.md /usr/share/doc/velmora/copyright /usr/share/doc/velmora/changelog.gz '!indi'
    main="$out/velmora_1.0.0_amd64.deb"
    ! dpkg-deb -f "$main" Depends | grep -q indi || { echo "velmora depends on INDI"; status=1; }
    dpkg-deb --fsys-tarfile "$main" | tar -xO ./usr/share/doc/velmora/changelog.gz | gzip -t || status=1
    # The post-install script reloads the udev rules, and succeeds where
    # udevadm fails or is missing.
    control=$(mktemp -d)
    dpkg-deb -e "$main" "$control"
    mkdir "$control/bin"
    printf '#!/bin/sh\necho "$*" >>"%s/calls"; exit 1\n' "$control" >"$control/bin/udevadm"
    chmod +x "$control/bin/udevadm"
    PATH="$control/bin:/usr/bin:/bin" "$control/postinst" configure || { echo "postinst fails with udevadm failing"; status=1; }
    grep -qx 'control --reload-rules' "$control/calls" || { echo "postinst does not reload the udev rules"; status=1; }
    rm "$control/bin/udevadm"
    PATH="$control/bin" /bin/sh "$control/postinst" configure || { echo "postinst fails without udev"; status=1; }
    rm -rf "$control"
    if [ $driver = yes ]; then
        holds velmora-indi_1.0.0_amd64.deb /usr/bin/indi_velmora_ccd /usr/share/indi/indi_velmora.xml \
            /usr/share/doc/velmora-indi/copyright /usr/share/doc/velmora-indi/changelog.gz '!/usr/bin/velmora$' '!udev'
        depends=$(dpkg-deb -f "$out/velmora-indi_1.0.0_amd64.deb" Depends || true)
        echo "$depends" | grep -q 'velmora (= 1.0.0)' || { echo "velmora-indi does not need velmora"; status=1; }
        echo "$depends" | grep -q libindi || { echo "velmora-indi does not depend on libindi"; status=1; }
    fi
    [ "$(ls "$out"/*.deb | wc -l)" -eq "$([ $driver = yes ] && echo 2 || echo 1)" ] || { echo "wrong package count"; status=1; }
fi

[ $status -eq 0 ] && echo "installation complete under $prefix"
exit $status
