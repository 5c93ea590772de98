#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Varnok developers
# SPDX-License-Identifier: MIT
# Installs the build into a temporary prefix and checks that everything a
# desktop needs lands where it looks for it, naming the project's version.
set -euo pipefail
build=$1 version=$2
prefix=$(mktemp -d); trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
app_id=org.example.varnok
for f in bin/varnok share/varnok/varnok.html share/man/man1/varnok.1.gz \
         share/applications/$app_id.desktop share/metainfo/$app_id.metainfo.xml \
         share/doc/varnok/copyright share/doc/varnok/changelog.gz \
         share/icons/hicolor/48x48/apps/varnok.png share/icons/hicolor/256x256/apps/varnok.png; do
  [ -e "$prefix/$f" ] || { echo "missing: $f"; exit 1; }
done
# A PNG's width and height are the big-endian words at bytes 16 and 20.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{print $3*256+$4 "x" $7*256+$8}'; }
for s in 48 256; do
  got=$(png_size "$prefix/share/icons/hicolor/${s}x${s}/apps/varnok.png")
  [ "$got" = "${s}x${s}" ] || { echo "the ${s} px icon is $got"; exit 1; }
done
# The manual page must be roff that man reads without complaint.
if command -v man >/dev/null; then
  warnings=$(man --warnings -l "$prefix/share/man/man1/varnok.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "man: $warnings"; exit 1; }
fi
# The metainfo's launchable must name the desktop entry installed beside it.
if command -v appstreamcli >/dev/null; then
  report=$(appstreamcli validate-tree --no-net "$prefix") || { echo "$report"; exit 1; }
fi
# The files made from a template name the version and keep no placeholder.
names() { grep -q -F -- "$2" "$1" || zcat -f "$1" | grep -q -F -- "$2" || { echo "$1 does not name $2"; exit 1; }; }
names "$prefix/share/varnok/varnok.html" "<title>Varnok $version - Help</title>"
names "$prefix/share/man/man1/varnok.1.gz" "Varnok $version"
names "$prefix/share/metainfo/$app_id.metainfo.xml" "<release version=\"$version.0\""
names "$prefix/share/doc/varnok/changelog.gz" "varnok ($version.0)"
if left=$(find "$prefix/share" -type f \( -name '*.html' -o -name '*.xml' -o -name '*.desktop' \) -exec grep -l '@[A-Z_]*@' {} +); then
  echo "placeholders left in: $left"; exit 1
fi
echo "install layout ok"
