# Shared by the scripts: install what is missing, configure and build.
# Debian 12 packages only; nothing is downloaded from anywhere else.

ORQ_PACKAGES=(build-essential cmake qt6-base-dev libbenchmark-dev fonts-dejavu-core xvfb xauth libx11-dev
    firebird3.0-server firebird3.0-utils firebird-dev)

# scripts/install.sh and its test: the desktop entry's validator and the icon's SVG renderer.
ORQ_PACKAGES+=(desktop-file-utils librsvg2-bin)

# scripts/fuzz.sh: clang and its runtime libraries, which hold libFuzzer and the sanitizers.
ORQ_PACKAGES+=(clang-14 libclang-rt-14-dev)

ensure_packages() {
    local missing=()
    local pkg
    for pkg in "${ORQ_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        local sudo=()
        ((EUID == 0)) || sudo=(sudo)
        "${sudo[@]}" apt-get update -q
        # The server package would start (or restart) a system Firebird on port 3050; tests and
        # the demo run a private one (scripts/firebird.sh), and a system server someone already
        # runs must be left as it is. A policy-rc.d that refuses every action keeps invoke-rc.d
        # away from it during the install; one the machine already has is kept, not replaced.
        local policy=/usr/sbin/policy-rc.d placed=0
        if [ ! -e "$policy" ]; then
            printf '#!/bin/sh\n# Placed by ORQDados scripts/lib.sh for one apt-get install.\nexit 101\n' |
                "${sudo[@]}" tee "$policy" >/dev/null
            "${sudo[@]}" chmod 755 "$policy"
            placed=1
        fi
        local rc=0
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" || rc=$?
        ((placed)) && "${sudo[@]}" rm -f "$policy"
        return "$rc"
    fi
}

# build DIR [cmake options...]
build() {
    local dir=$1
    shift
    cmake -S "$ORQ_ROOT" -B "$ORQ_ROOT/$dir" "$@" >/dev/null
    cmake --build "$ORQ_ROOT/$dir" -j"$(nproc)"
}
