#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Varnok developers
# SPDX-License-Identifier: MIT
#
# Builds the Debian package from the build tree, as the README's install steps
# do, and checks it the way a distribution would: lintian must print no error
# and no warning, and the changelog and the AppStream release must name the
# package's own version.
set -euo pipefail
build=$1
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >/dev/null
deb=$(echo "$work"/varnok_*.deb)

version=$(dpkg-deb -f "$deb" Version)
dpkg-deb -x "$deb" "$work/root"
changelog_version=$(zcat "$work/root/usr/share/doc/varnok/changelog.gz" | sed -n '1s/^varnok (\([^)]*\)).*/\1/p')
release_version=$(grep -o -m1 '<release version="[^"]*"' "$work"/root/usr/share/metainfo/*.metainfo.xml | cut -d'"' -f2)
[ "$changelog_version" = "$version" ] || { echo "the changelog's newest entry is $changelog_version, the package $version"; exit 1; }
[ "$release_version" = "$version" ] || { echo "the metainfo's newest release is $release_version, the package $version"; exit 1; }

report=$(lintian "$deb" 2>&1 || true)
echo "$report"
if grep -q '^[EW]: ' <<<"$report"; then
  echo "lintian reports errors or warnings"
  exit 1
fi
echo "package ok: varnok $version"
