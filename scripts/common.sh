# Shared by scripts/run and scripts/test: installs what the build needs and
# builds incrementally. Source it; it defines functions only.

KAV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KAV_BUILD="${KAV_BUILD:-$KAV_ROOT/build}"

# Debian packages for building, running and testing the program.
KAV_PACKAGES=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-serialport-dev libgl-dev
    fonts-liberation
    xvfb xdotool poppler-utils desktop-file-utils shared-mime-info libglib2.0-bin
    lintian appstream
)

# What scripts/windows needs beyond that: the MinGW-w64 cross compilers, Wine to run
# the result, NSIS and zip to package it, and the icon's converters.
KAV_WINDOWS_PACKAGES=(
    cmake ninja-build qt6-base-dev qt6-base-dev-tools xz-utils
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    wine wine64 xvfb nsis zip librsvg2-bin icoutils
)

# What scripts/fuzz needs beyond that: clang 14 with libFuzzer and the sanitizer runtimes.
KAV_FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev llvm-14)

say() { printf '\033[1m== %s\033[0m\n' "$*"; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        echo "error: installing packages needs root or sudo: $*" >&2
        return 1
    fi
}

# install_packages PKG...: installs those not yet installed.
install_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    if [ "${#missing[@]}" -eq 0 ]; then
        return 0
    fi
    say "Installing Debian packages: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build_in DIR [CMAKE ARGS...]: configures once, then builds incrementally.
build_in() {
    local dir="$1"
    shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        say "Configuring $dir"
        local launcher=()
        # A compiler cache, where the machine has one, makes rebuilds of other checkouts cheap.
        if command -v ccache >/dev/null 2>&1; then
            launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
        fi
        cmake -S "$KAV_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@"
    fi
    say "Building $dir"
    cmake --build "$dir" -j "$(nproc)"
}
