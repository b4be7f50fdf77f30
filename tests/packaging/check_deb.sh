#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree into a scratch
# directory and checks that it holds the program, the report tool and its
# drawing program, the help file, the desktop entry, the MIME type and the
# icon, and that the report tool itself loads no Qt.
# Usage: check_deb.sh <build-dir> <scratch-dir>
set -euo pipefail
build_dir=$1
scratch=$2

if ! command -v dpkg-deb >/dev/null; then
    echo "dpkg-deb missing: skipped"
    exit 77
fi

rm -rf "$scratch"
mkdir -p "$scratch"
cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1 || {
    cat "$scratch/cpack.log"
    exit 1
}
deb=$(ls "$scratch"/robustez_*.deb)
listing=$(dpkg-deb -c "$deb")
control=$(dpkg-deb -f "$deb")

status=0
for path in ./usr/bin/robustez ./usr/bin/robustez-informe ./usr/lib/robustez/robustez-informe-qt \
    ./usr/share/robustez/AYUDA11TC.rcc \
    ./usr/share/applications/robustez.desktop ./usr/share/mime/packages/robustez.xml \
    ./usr/share/icons/hicolor/scalable/apps/robustez.svg; do
    if ! grep -qE "[[:space:]]${path//./\\.}\$" <<<"$listing"; then
        echo "missing from the package: $path"
        status=1
    fi
done
for dependency in libqt6widgets6 libqt6gui6 libqt6printsupport6 libqt6svg6 \
    qt6-translations-l10n fonts-liberation2; do
    if ! grep -q "^Depends:.*$dependency" <<<"$control"; then
        echo "missing dependency: $dependency"
        status=1
    fi
done
grep -q '^Package: robustez$' <<<"$control" || { echo "wrong package name"; status=1; }

# The installed tool runs its drawing program from ../lib/robustez/ and links
# no Qt itself.
unpacked="$scratch/unpacked"
dpkg-deb -x "$deb" "$unpacked"
if readelf -d "$unpacked/usr/bin/robustez-informe" 2>/dev/null | grep -q 'NEEDED.*libQt'; then
    echo "robustez-informe links Qt"
    status=1
fi
example="$(dirname "$0")/../../examples/ejemplo.w1o"
if ! QT_QPA_PLATFORM=offscreen "$unpacked/usr/bin/robustez-informe" --pdf "$scratch/check.pdf" \
    "$example" >"$scratch/pdf.log" 2>&1 || [ ! -s "$scratch/check.pdf" ]; then
    echo "the installed robustez-informe does not draw a PDF:"
    cat "$scratch/pdf.log"
    status=1
fi
if [ $status -ne 0 ]; then
    echo "$listing"
    echo "$control"
fi
exit $status
