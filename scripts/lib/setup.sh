# Shared set-up for the scripts: installs the Debian packages the build and the
# tests need when they are missing, then configures and builds incrementally.
# Sourced, not run.

FEATUREHUE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# dpkg-dev and file: the package target (CPack) fills in the .deb's
# dependencies with dpkg-shlibdeps, and finds the programs to ask about with file.
FEATUREHUE_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
    qt6-charts-dev qt6-svg-dev libqt6sql6-sqlite libsqlite3-dev libssl-dev
    libqt6opengl6-dev
    xvfb xauth xdotool x11-utils imagemagick openbox
    fonts-dejavu-core fonts-liberation
    dpkg-dev file
)

featurehue_missing_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$pkg")
    done
    echo "${missing[@]}"
}

featurehue_install_packages() {
    local missing
    missing=$(featurehue_missing_packages "$@")
    [ -z "$missing" ] && return 0
    echo "Installing Debian packages: $missing"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo=(sudo)
        else
            echo "error: need root or sudo to install: $missing" >&2
            return 1
        fi
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    # shellcheck disable=SC2086
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends $missing
}

# The folder a preset of CMakePresets.json builds in.
featurehue_build_dir() {
    if [ "$1" = default ]; then
        echo "$FEATUREHUE_ROOT/build"
    else
        echo "$FEATUREHUE_ROOT/build-$1"
    fi
}

# featurehue_build PRESET [extra arguments of cmake --build...]
# Configures the preset's folder once (CMakePresets.json: default, sanitize,
# fuzz, bench), then builds it incrementally.
featurehue_build() {
    local preset="$1"
    shift
    if [ ! -f "$(featurehue_build_dir "$preset")/build.ninja" ]; then
        (cd "$FEATUREHUE_ROOT" && cmake --preset "$preset")
    fi
    (cd "$FEATUREHUE_ROOT" && cmake --build --preset "$preset" --parallel "$(nproc)" "$@")
}
