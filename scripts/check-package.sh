#!/usr/bin/env bash
# The checks a distribution runs on a desktop package: lintian on the .deb, and the desktop entry and
# metainfo as the package holds them.
set -euo pipefail
build="${1:-build}"
deb=$(ls -1t "$build"/korvane_*_amd64.deb | head -n 1)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work"
desktop-file-validate "$work"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$work"/usr/share/metainfo/*.metainfo.xml
# Errors fail; the warnings kept are explained in README.md.
lintian --fail-on error --suppress-tags-from-file "$(dirname "$0")/lintian-kept-warnings" "$deb"
echo "$deb: lintian, desktop-file-validate and appstreamcli found no errors"
