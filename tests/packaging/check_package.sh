#!/usr/bin/env bash
# Builds the Debian package from the already built binaries into a temporary folder, validates its
# desktop entry and AppStream metadata, and checks that it holds what the program needs at run time.
# Exit status 77 (skipped) when a tool is missing; `make test` installs them through scripts/setup.sh.
set -uo pipefail
build_dir=$1

missing=()
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if [[ ${#missing[@]} -gt 0 ]]; then
    echo "SKIPPED: the package check needs ${missing[*]} (packages dpkg-dev, desktop-file-utils, appstream)."
    echo "Run scripts/setup.sh (make test does) to install them."
    exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! cpack --config "$build_dir/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAIL: cpack did not build the package"
    exit 1
fi
debs=("$work"/out/tarnwick_*_*.deb)
[[ -f "${debs[0]}" ]] || { cat "$work/cpack.log"; echo "FAIL: no tarnwick_VERSION_ARCH.deb"; exit 1; }
deb=${debs[0]}
echo "built $(basename "$deb")"

dpkg-deb -x "$deb" "$work/root" || { echo "FAIL: the package does not unpack"; exit 1; }
root=$work/root
appdir=$(dirname "$(find "$root/usr/lib" -type f -name tarnwick -perm -u+x | head -n1)")

# What the program opens beside itself, and what the desktop finds in the shared folders.
needed=(
    "$appdir/tarnwick" "$appdir/Tarnwick.hlp" "$appdir/Tarnwick.qch" "$appdir/tarnwick-home.html"
    "$root/usr/share/applications/org.tarnwick.Tarnwick.desktop"
    "$root/usr/share/metainfo/org.tarnwick.Tarnwick.metainfo.xml"
    "$root/usr/share/icons/hicolor/scalable/apps/tarnwick.svg"
)
for size in 16 32 48 64 128 256; do
    needed+=("$root/usr/share/icons/hicolor/${size}x${size}/apps/tarnwick.png")
done
# The modules the program loads on first use, each with the entry point it looks for.
declare -A modules=([tarnwick_network]=tarnwick_start_exchange [tarnwick_helpviewer]=tarnwick_create_help_engine)
if grep -q 'TARNWICK_WITH_WEBENGINE:BOOL=ON' "$build_dir/CMakeCache.txt"; then
    modules[tarnwick_webengine]=tarnwick_create_browser_engine
fi
for module in "${!modules[@]}"; do
    needed+=("$appdir/lib$module.so")
done
for file in "${needed[@]}"; do
    [[ -s "$file" ]] || fail "missing from the package: ${file#"$root"}"
done
for module in "${!modules[@]}"; do
    file=$appdir/lib$module.so
    [[ -f "$file" ]] || continue
    nm -D --defined-only "$file" | grep -qw "${modules[$module]}" || fail "lib$module.so does not export ${modules[$module]}"
    if ldd "$file" | grep -q 'not found'; then
        fail "lib$module.so needs libraries that are not installed: $(ldd "$file" | grep 'not found' | tr -s ' \t' ' ')"
    fi
done
for size in 16 32 48 64 128 256; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/tarnwick.png
    # Width and height are the big-endian words at bytes 16-23 of a PNG header.
    [[ -f "$png" ]] && [[ $(od -An -tu4 --endian=big -j16 -N8 "$png" | tr -s ' ') == " $size $size" ]] ||
        fail "icon ${size}x${size} is not $size pixels square"
done

# The command on PATH is a link into the program folder, so the program finds what lies beside it.
link=$root/usr/bin/tarnwick
if [[ -L "$link" ]]; then
    [[ $(readlink -f "$link") == "$appdir/tarnwick" ]] || fail "usr/bin/tarnwick points to $(readlink "$link")"
else
    fail "usr/bin/tarnwick is not a link into the program folder"
fi

desktop-file-validate "$root/usr/share/applications/org.tarnwick.Tarnwick.desktop" || fail "desktop entry invalid"
grep -qx 'Exec=tarnwick %F' "$root/usr/share/applications/org.tarnwick.Tarnwick.desktop" || fail "Exec takes no files"
for type in application/rtf text/plain text/html; do
    grep -q "^MimeType=.*$type;" "$root/usr/share/applications/org.tarnwick.Tarnwick.desktop" ||
        fail "desktop entry does not offer $type"
done
appstreamcli validate --no-net "$root/usr/share/metainfo/org.tarnwick.Tarnwick.metainfo.xml" ||
    fail "AppStream metadata invalid"

# Depends comes from the binaries; what they load without linking is named by hand.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for package in libqt6widgets6 libqt6network6 libqt6printsupport6 libqt6help6 libqt6svg6 libqt6sql6-sqlite libc6; do
    [[ ",$depends" == *", $package"* || ",$depends" == *",$package"* ]] || fail "Depends lacks $package"
done
if [[ " ${needed[*]} " == *libtarnwick_webengine.so* ]]; then
    for package in libqt6webenginewidgets6 libqt6webenginecore6-bin; do
        [[ "$depends" == *"$package"* ]] || fail "Depends lacks $package"
    done
fi
# Nothing of the build machine leaks in.
if dpkg-deb -c "$deb" | grep -E '/(tst_|bench|bare_mdi|tarnwick_render_icon)|\.a$|/include/'; then
    fail "the package carries build or test files"
fi

# The packaged program answers without a display.
version=$(env -u DISPLAY -u WAYLAND_DISPLAY "$appdir/tarnwick" --version 2>&1)
[[ "$version" == "Tarnwick 1.0" ]] || fail "tarnwick --version said: $version"

[[ $failures -eq 0 ]] || exit 1
echo "package contents, metadata and Depends as needed"
