#!/usr/bin/env bash
# Installs ORQDados into a product folder (beside the product's orqcon.ini, ORQ7.exe and
# ORQ_DADOS, where the program looks for them) and registers it with the desktop for this user:
# a menu entry and its icon in the freedesktop folders. --uninstall takes back exactly what the
# install added, from the manifest the install kept.
#
#   scripts/install.sh [PRODUCT_FOLDER]   default c:\Varnelo\ORQ_7, through the Wine prefix
#   scripts/install.sh --uninstall
#
# PRODUCT_FOLDER may be written the Windows way (c:\..., \\host\share\...), mapped through
# $WINEPREFIX (default ~/.wine) as the program maps roots. --from-build DIR installs what the
# build DIR holds as it is, without installing packages or building (the tests use it).
set -euo pipefail
ORQ_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ORQ_ROOT/scripts/lib.sh"

die() {
    echo "install.sh: $*" >&2
    exit 1
}

usage() {
    sed -n '2,13s/^# \{0,1\}//p' "$0"
}

uninstall=0
from_build=
product=
while (($#)); do
    case $1 in
    --uninstall) uninstall=1 ;;
    --from-build)
        (($# >= 2)) || die "--from-build needs a build folder"
        from_build=$2
        shift
        ;;
    -h | --help)
        usage
        exit 0
        ;;
    --) shift; break ;;
    -*) die "unknown option $1 (see --help)" ;;
    *)
        [ -z "$product" ] || die "one product folder only (see --help)"
        product=$1
        ;;
    esac
    shift
done
if (($#)); then
    [ -z "$product" ] && (($# == 1)) || die "one product folder only (see --help)"
    product=$1
fi
((uninstall)) && [ -n "$product$from_build" ] && die "--uninstall takes no other argument"

# The user's data folder as the XDG base directory rules give it: a relative XDG_DATA_HOME is
# ignored.
data_home=${XDG_DATA_HOME:-}
[[ $data_home == /* ]] || data_home=$HOME/.local/share
applications=$data_home/applications
icons=$data_home/icons/hicolor
manifest_dir=$data_home/ORQDados
manifest=$manifest_dir/install-manifest

# ---------------------------------------------------------------------------------------------
# The manifest: one line per folder made ("dir<TAB>path"), per file placed ("file<TAB>path") and
# per temporary file on its way there ("temp<TAB>path"), in order. Each line is saved before the
# change it names, so an install cut short by a crash or a kill is still undone whole.

entries=()

save_manifest() {
    local tmp
    tmp=$(mktemp "$manifest_dir/.install-manifest.XXXXXX")
    printf '%s\n' "${entries[@]}" >"$tmp"
    mv -f "$tmp" "$manifest"
}

record() {
    entries+=("$1"$'\t'"$2")
    [ ! -d "$manifest_dir" ] || save_manifest
}

# Makes a folder and every missing one above it, recording each one made.
make_folder() {
    local dir=$1 missing=()
    while [ ! -d "$dir" ]; do
        [ ! -e "$dir" ] && [ ! -L "$dir" ] || die "$dir is in the way: it is not a folder"
        missing=("$dir" "${missing[@]}")
        dir=$(dirname "$dir")
    done
    for dir in "${missing[@]}"; do
        record dir "$dir"
        mkdir "$dir"
    done
}

# Copies a file into place through a temporary file beside its target, so no half file is ever
# seen under the target's name.
place() {
    local source=$1 target=$2 mode=$3 tmp
    tmp=$(mktemp "$(dirname "$target")/.$(basename "$target").XXXXXX")
    record temp "$tmp"
    cp "$source" "$tmp"
    chmod "$mode" "$tmp"
    record file "$target"
    mv -f "$tmp" "$target"
}

do_uninstall() {
    [ -f "$manifest" ] || {
        echo "ORQDados is not installed for this user (no $manifest)."
        return 0
    }
    local kind path dirs=()
    while IFS=$'\t' read -r kind path; do
        case $kind in
        file)
            rm -f -- "$path"
            echo "Removed $path"
            ;;
        temp) rm -f -- "$path" ;;
        dir) dirs+=("$path") ;;
        esac
    done <"$manifest"
    # With the manifest, any copy of it a kill left on its way into place.
    rm -f -- "$manifest" "$manifest_dir"/.install-manifest.??????
    # Folders the install made, the deepest first; one that now holds something else stays.
    local i
    for ((i = ${#dirs[@]} - 1; i >= 0; i--)); do
        if rmdir -- "${dirs[i]}" 2>/dev/null; then
            echo "Removed ${dirs[i]}/"
        elif [ -d "${dirs[i]}" ]; then
            echo "Kept ${dirs[i]}/: it holds files the install did not put there"
        fi
    done
}

if ((uninstall)); then
    do_uninstall
    exit 0
fi

# ---------------------------------------------------------------------------------------------
# Install

if [ -z "$product" ]; then
    product='c:\Varnelo\ORQ_7'
fi
# Windows-form folders go through the Wine prefix, as the program's roots do.
wine=${WINEPREFIX:-$HOME/.wine}
slashed=${product//\\//}
if [[ $slashed =~ ^[A-Za-z]: ]]; then
    drive=${slashed:0:1}
    product=$wine/dosdevices/${drive,,}:${slashed:2}
elif [[ $slashed == //* ]]; then
    product=$wine/dosdevices/unc/${slashed:2}
fi
[[ $product == /* ]] || product=$PWD/$product
while [[ $product == */ && $product != / ]]; do product=${product%/}; done
# Paths end up in the manifest, one a line, and in the desktop entry.
for path in "$product" "$data_home"; do
    [[ $path != *[$'\n\t\r']* ]] || die "a path with a line break or a tab cannot be installed to"
done

if [ -n "$from_build" ]; then
    build_dir=$(cd "$from_build" && pwd)
    [ -f "$build_dir/cmake_install.cmake" ] || die "$from_build is not a configured build"
else
    ensure_packages
    build build -DORQ_BENCH=OFF
    build_dir=$ORQ_ROOT/build
fi
command -v rsvg-convert >/dev/null || die "rsvg-convert is missing (Debian package librsvg2-bin)"
command -v desktop-file-validate >/dev/null ||
    die "desktop-file-validate is missing (Debian package desktop-file-utils)"

# One installation per user: installing again first takes the last one back.
if [ -f "$manifest" ]; then
    echo "Replacing the previous installation:"
    do_uninstall
fi

stage=$(mktemp -d)
trap 'rm -rf -- "$stage"' EXIT
cmake --install "$build_dir" --prefix "$stage/product" --strip >/dev/null

# Everything the build installs, and the desktop files: none of them may already be there, or
# the uninstall could not leave the folders as they were.
mapfile -t installed < <(cd "$stage/product" && find . -type f -printf '%P\n' | sort)
((${#installed[@]})) || die "the build installs nothing"
desktop_file=$applications/orqdados.desktop
svg_icon=$icons/scalable/apps/orqdados.svg
png_icon=$icons/64x64/apps/orqdados.png
targets=("$desktop_file" "$svg_icon" "$png_icon")
for file in "${installed[@]}"; do targets+=("$product/$file"); done
for target in "${targets[@]}"; do
    [ ! -e "$target" ] && [ ! -L "$target" ] ||
        die "$target is already there and was not installed by this script; move it away first"
done

# The entry's Exec quotes the program (its folder may hold blanks, "$" or quotes); the value is
# then escaped as a desktop string, which doubles each backslash once more, and a literal "%"
# is doubled so it is not taken for a field code.
program=$product/ORQDados
exec_arg=$program
exec_arg=${exec_arg//\\/\\\\}
exec_arg=${exec_arg//\"/\\\"}
exec_arg=${exec_arg//\`/\\\`}
exec_arg=${exec_arg//\$/\\\$}
exec_arg="\"$exec_arg\""
exec_arg=${exec_arg//\\/\\\\}
exec_arg=${exec_arg//%/%%}
try_exec=${program//\\/\\\\}
mkdir "$stage/desktop"
entry=$stage/desktop/orqdados.desktop
# Replacements quoted, or bash would read "&" and "\" in them as pattern syntax.
while IFS= read -r line; do
    line=${line//@TRYEXEC@/"$try_exec"}
    printf '%s\n' "${line//@EXEC@/"$exec_arg"}"
done <"$ORQ_ROOT/packaging/orqdados.desktop.in" >"$entry"
desktop-file-validate "$entry" || die "the desktop entry does not validate"
rsvg-convert -w 64 -h 64 -f png -o "$stage/orqdados.png" "$ORQ_ROOT/packaging/orqdados.svg"

make_folder "$manifest_dir"
save_manifest
for file in "${installed[@]}"; do
    make_folder "$(dirname "$product/$file")"
    mode=644
    [ ! -x "$stage/product/$file" ] || mode=755
    place "$stage/product/$file" "$product/$file" "$mode"
done
make_folder "$applications"
place "$entry" "$desktop_file" 644
make_folder "$(dirname "$svg_icon")"
place "$ORQ_ROOT/packaging/orqdados.svg" "$svg_icon" 644
make_folder "$(dirname "$png_icon")"
place "$stage/orqdados.png" "$png_icon" 644

echo "ORQDados installed; scripts/install.sh --uninstall takes back:"
while IFS=$'\t' read -r kind path; do
    [ "$kind" = file ] && echo "  $path"
done <"$manifest"
echo "  $manifest"
if [ ! -e "$product/ORQ7.exe" ]; then
    echo "Note: there is no ORQ7.exe in $product yet; Entrar needs the product there."
fi
