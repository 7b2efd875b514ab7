#!/usr/bin/env bash
# Installs the Debian packages Tavlin needs to build; with --test also what its tests need, with
# --tools what the picture tools need (tools/backdrop-scores.sh measures with ImageMagick).
# Only missing packages are installed, so a second run costs nothing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins
    libxcb-ewmh-dev libxcb-keysyms1-dev libxcb-shape0-dev libxcb-randr0-dev libxcb-xfixes0-dev
    libx11-dev shared-mime-info libglib2.0-dev
    libwayland-dev libwayland-bin wayland-protocols
)
test=false
tools=false
for arg in "$@"; do
    case "$arg" in
    --test) test=true ;;
    --tools) tools=true ;;
    *) echo "usage: tools/deps.sh [--test] [--tools]" >&2; exit 2 ;;
    esac
done
if $test; then
    # A real X session for the window tests: server, window manager, compositor, desktop
    # icons, tray, and the tools that drive and inspect them; gio starts desktop entries.
    # dbusmock stands in for a desktop portal with global shortcuts, which Debian 12 has only
    # inside KDE. dconf holds GNOME's Do Not Disturb setting, as on a GNOME desktop.
    packages+=(faketime xvfb xauth dbus-x11 openbox picom pcmanfm trayer xdotool x11-utils
               x11-xserver-utils feh xterm procps libglib2.0-bin python3-dbusmock
               dconf-service dconf-gsettings-backend dconf-cli)
    # A headless Wayland session: sway with its wallpaper painter, screenshots, weston (no
    # layer shell) and Qt's Wayland platform; waybar for a tray.
    packages+=(sway swaybg grim weston qt6-wayland waybar)
    # Notification services whose Do Not Disturb Tavlin switches, run for real (about 10 MB with
    # what they pull in beyond the above): dunst, Xfce's daemon with xfconfd, GNOME's settings
    # schema (read through a private keyfile), mako and SwayNotificationCenter on sway.
    packages+=(dunst xfconf xfce4-notifyd gsettings-desktop-schemas mako-notifier
               sway-notification-center)
    # Headless KWin with Xwayland for the Plasma tests, and the description of its fake-input
    # protocol for their clicks.
    packages+=(kwin-wayland xwayland plasma-wayland-protocols)
    # The package's own checks: lintian, groff for its man page, strace for the files it opens.
    packages+=(lintian groff-base strace)
    # Headless GNOME Shell (about 140 packages, 2 minutes) runs our extension in the GNOME tests.
    packages+=(gnome-shell)
fi
if $tools; then
    packages+=(imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
