#!/usr/bin/env bash
# Installs what is missing, builds, creates a demo root and opens ORQDados on it.
# Entrar there starts the stand-in product (build/bin/ORQ7.exe), which shows what it was given.
# Without a display the window opens on a virtual one and a screenshot is saved instead.
set -euo pipefail
ORQ_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ORQ_ROOT/scripts/lib.sh"

headless=0
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || headless=1
if ((headless)); then
    ensure_packages imagemagick
else
    ensure_packages
fi
build build -DORQ_BENCH=OFF

# The bases are real Firebird databases on a private server (127.0.0.1:3055), which also lets
# "Renomear Pastas para UF" read each base's state. It runs while the demo runs.
firebird="$ORQ_ROOT/demo/firebird"
bash "$ORQ_ROOT/scripts/firebird.sh" start "$firebird"
trap 'bash "$ORQ_ROOT/scripts/firebird.sh" stop "$firebird"' EXIT
orqfb="$ORQ_ROOT/build/bin/orqfb"

demo="$ORQ_ROOT/demo/ORQ_7"
bash "$ORQ_ROOT/scripts/make-demo-root.sh" "$demo" "$orqfb"

# A server root, written the Windows way (\\servidor\orq\ORQ_7), lands in the demo's own Wine
# prefix; "Copiar para mim" fetches its bases into the ORQ_DADOS beside the program, which for
# the demo is the demo root's own.
export WINEPREFIX="$ORQ_ROOT/demo/wine"
bash "$ORQ_ROOT/scripts/make-demo-root.sh" "$WINEPREFIX/dosdevices/unc/servidor/orq/ORQ_7" "$orqfb" >/dev/null
[ -e "$ORQ_ROOT/build/bin/ORQ_DADOS" ] || ln -s "$demo/ORQ_DADOS" "$ORQ_ROOT/build/bin/ORQ_DADOS"
hosts="$ORQ_ROOT/build/bin/ORQDados.Hosts.txt"
[ -f "$hosts" ] || printf '%s\r\n%s\r\n' "$demo" '\\servidor\orq\ORQ_7' >"$hosts"

# The product's connection file lies beside the program; point it at a demo base once.
ini="$ORQ_ROOT/build/bin/orqcon.ini"
if [ ! -f "$ini" ]; then
    caminho="${demo//\//\\}\\ORQ_DADOS\\SP_CAPITAL\\ORQ.FDB"
    printf '[SERVIDOR]\r\nNOME=localhost\r\n[ORQ]\r\nCAMINHO=%s\r\n' "$caminho" >"$ini"
fi

if ((headless)); then
    shot="$ORQ_ROOT/build/demo.png"
    echo "No display: opening ORQDados on a virtual display and saving a screenshot to $shot"
    xvfb-run -a -s "-screen 0 800x600x24" bash -c '
        "$1" "$2" & pid=$!
        sleep 3
        import -window root "$3"
        kill $pid' _ "$ORQ_ROOT/build/bin/ORQDados" "$demo" "$shot"
else
    "$ORQ_ROOT/build/bin/ORQDados" "$demo"
fi
