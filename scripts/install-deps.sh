#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, only those that are missing.
set -euo pipefail

PACKAGES=(
    g++ cmake make pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-image-formats-plugins
    libqt6svg6 adwaita-icon-theme
    firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-utils firebird3.0-server
    fonts-dejavu-core xvfb xauth xdg-utils gstreamer1.0-plugins-good
    python3-xlrd poppler-utils
    qt6-translations-l10n
    libxlsxwriter-dev python3-openpyxl
    libphonenumber-dev python3-vobject
    clang libclang-rt-14-dev
    ccache
    dpkg-dev lintian desktop-file-utils appstream librsvg2-bin qt6-qpa-plugins
    qtkeychain-qt6-dev radicale xandikos
    openssl git
    gnome-keyring dbus-daemon
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

# The Firebird server package asks for a SYSDBA password; the tests of the remote path use this one.
preseed='firebird3.0-server shared/firebird/sysdba_password/first_install password masterkey'
if [ "$(id -u)" -eq 0 ]; then
    SUDO=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    SUDO=(sudo)
else
    echo "Missing packages. Run as root:"
    echo "  echo '$preseed' | debconf-set-selections && apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y ${missing[*]}"
    exit 1
fi
echo "Installing: ${missing[*]}"
echo "$preseed" | "${SUDO[@]}" debconf-set-selections
"${SUDO[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
