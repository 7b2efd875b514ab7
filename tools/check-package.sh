#!/usr/bin/env bash
# Builds the Debian package, installs it, starts the installed program once on a private display
# and session bus, checks that it answers its command line, and removes the package again.
set -euo pipefail
cd "$(dirname "$0")/.."
sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)

deb=$(tools/package.sh)
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "./$deb" >/dev/null
trap 'DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get remove -y -qq tavlin >/dev/null' EXIT

/usr/bin/tavlin --version
home=$(mktemp -d)
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# The tray program runs until asked to switch spotlight mode off through the bus: proof that it
# started, took its name on the bus and built its model. Ten seconds at most.
dbus-run-session -- xvfb-run -a bash -c '
    /usr/bin/tavlin 2>"$HOME/tavlin.log" & pid=$!
    for _ in $(seq 50); do
        if /usr/bin/tavlin spotlight off >/dev/null 2>&1; then
            kill "$pid"; wait "$pid" 2>/dev/null; exit 0
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.2
    done
    cat "$HOME/tavlin.log" >&2; kill "$pid" 2>/dev/null; exit 1'
echo "installed package works: $deb"
rm -rf "$home"
