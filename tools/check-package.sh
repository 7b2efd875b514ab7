#!/usr/bin/env bash
# Builds the Debian package and tries it in a throw-away root: its files are unpacked into a
# temporary tree and the program is started from there, on a private display and session bus.
# Nothing is installed, so a tavlin package the developer installed stays exactly as it was.
set -euo pipefail
cd "$(dirname "$0")/.."

deb=$(tools/package.sh)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

# Its dependencies resolve here (a simulation: apt changes nothing).
apt-get install --simulate -qq "./$deb" >/dev/null || fail "$deb cannot be installed here"
lintian --fail-on error "$deb" >&2 || fail "lintian finds errors in $deb"

root=$work/root
dpkg-deb -x "$deb" "$root"
tavlin=$root/usr/bin/tavlin
share=$root/usr/share

version=$(dpkg-deb -f "$deb" Version)
upstream=${version%-*} # without the packaging revision
[[ $("$tavlin" --version) == "tavlin $upstream" ]] || fail "--version does not say $upstream"
# Read by man and distributions' checks: no roff warnings.
roff=$(zcat "$share/man/man1/tavlin.1.gz" | groff -man -ww -z 2>&1)
[[ -z $roff ]] || fail "tavlin.1: $roff"

# Completion, one row per case: the words typed so far, then what must be offered.
while IFS='|' read -r typed offered; do
    read -ra words <<<"$typed"
    [[ $typed == *' ' ]] && words+=('')
    got=$(bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _tavlin
                   echo "${COMPREPLY[*]}"' _ "$share/bash-completion/completions/tavlin" "${words[@]}")
    [[ $got == "$offered" ]] || fail "bash completion of '$typed' offers '$got', not '$offered'"
done <<'ROWS'
tavlin sp|spotlight
tavlin cover t|toggle
tavlin spotlight on |
tavlin tidy --d|--desktop --dry-run
tavlin undo -|--desktop
tavlin --|--help --version
ROWS

home=$work/home
mkdir -p "$home/run" "$home/.config/tavlin" && chmod 700 "$home/run"
# The cover shows a built-in picture, which must come from the tree: a picture that is not found
# silently shows the gradient instead.
picture=$(basename "$(ls "$share"/tavlin/backdrops/bg-* | head -n 1)")
echo "{\"backdrop\": \"$picture\"}" >"$home/.config/tavlin/settings.json"
# Only the tree's data, so pictures or entries of an installed package cannot stand in for it.
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home/run \
    XDG_DATA_HOME=$home/.local/share XDG_DATA_DIRS=$share TAVLIN=$tavlin ROOT=$root \
    PICTURE=$picture MANPAGE=$share/man/man1/tavlin.1.gz
# The tray program, traced for the files it opens, runs until it answers the command line through
# the bus: proof that it started, took its name and built its model. Ten seconds at most. Then the
# methods it serves must be the ones its man page describes, and the cover must open the picture
# in the tree.
# A container may forbid tracing; then everything but the picture's origin is still checked.
if strace -qq -o /dev/null true 2>/dev/null; then
    export TRACE=true
else
    export TRACE=false
    echo "check-package: strace may not trace here, so where the picture comes from is not checked" >&2
fi
dbus-run-session -- xvfb-run -a bash -c '
    if $TRACE; then
        strace -f -qq -e trace=openat -o "$HOME/trace" "$TAVLIN" 2>"$HOME/tavlin.log" & pid=$!
    else
        "$TAVLIN" 2>"$HOME/tavlin.log" & pid=$!
    fi
    # strace shields itself from signals while it writes to a file: end the program instead.
    stop() {
        $TRACE && kill $(ps -o pid= --ppid "$pid") 2>/dev/null || kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    }
    trap stop EXIT
    answered=false
    for _ in $(seq 50); do
        "$TAVLIN" spotlight off >/dev/null 2>&1 && answered=true && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.2
    done
    $answered && served=$(dbus-send --session --print-reply --dest=io.github.tavlin.Tavlin \
                 /io/github/tavlin/Tavlin org.freedesktop.DBus.Introspectable.Introspect |
             sed -n "/interface name=\"io.github.tavlin.Tavlin1\"/,/<\/interface>/p" |
             grep -o "method name=\"[A-Za-z]*\"" | cut -d\" -f2 | sort)
    described=$(zcat "$MANPAGE" | sed -nE "s/^\.BI? \"?([A-Z][A-Za-z]*)\(.*/\1/p" | sort)
    if [[ -z $served ]]; then
        cat "$HOME/tavlin.log" >&2; echo "it did not answer on the bus" >&2; exit 1
    elif [[ $served != "$described" ]]; then
        echo "bus methods: $(echo $served); man page: $(echo $described)" >&2; exit 1
    fi
    "$TAVLIN" cover on >/dev/null || exit 1
    $TRACE || exit 0
    for _ in $(seq 50); do
        grep -qE "openat\(.*\"$ROOT/.*/tavlin/backdrops/$PICTURE\", O_RDONLY.*= [0-9]+$" \
            "$HOME/trace" && exit 0
        sleep 0.1
    done
    echo "the cover did not open $PICTURE from the package" >&2; exit 1' ||
    fail "the unpacked program failed its check"
echo "package works from a throw-away root: $deb"
