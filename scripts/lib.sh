# Shared by the scripts: install what is missing, configure and build.
# Debian 12 packages only; nothing is downloaded from anywhere else.

ORQ_PACKAGES=(build-essential cmake qt6-base-dev libbenchmark-dev fonts-dejavu-core xvfb xauth)

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
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
    fi
}

# build DIR [cmake options...]
build() {
    local dir=$1
    shift
    cmake -S "$ORQ_ROOT" -B "$ORQ_ROOT/$dir" "$@" >/dev/null
    cmake --build "$ORQ_ROOT/$dir" -j"$(nproc)"
}
