# Shared set-up for the scripts: installs the Debian packages the build and the
# tests need when they are missing, then configures and builds incrementally.
# Sourced, not run.

FEATUREHUE_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

FEATUREHUE_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
    qt6-charts-dev qt6-svg-dev libqt6sql6-sqlite libqt6opengl6-dev
    xvfb xauth xdotool x11-utils imagemagick
    fonts-dejavu-core fonts-liberation
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

# featurehue_build BUILD_DIR [extra cmake arguments...]
featurehue_build() {
    local build_dir="$1"
    shift
    if [ ! -f "$build_dir/build.ninja" ]; then
        cmake -S "$FEATUREHUE_ROOT" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    fi
    cmake --build "$build_dir" --parallel "$(nproc)"
}

# Options for the sanitizer runtimes of a -DFEATUREHUE_SANITIZE=ON build:
# every finding ends the process with an error, leaks included. Leaks inside
# the system libraries (fontconfig's caches) are not ours and are suppressed.
# strndup is not checked: libxkbcommon-x11 hands it unterminated buffers that
# it bounds itself, which the checker reports as overflows on every start
# under X (the end-to-end run).
featurehue_sanitizer_environment() {
    local suppressions="$FEATUREHUE_ROOT/tests/fuzz/lsan.supp"
    export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:check_initialization_order=1:intercept_strndup=0"
    export LSAN_OPTIONS="suppressions=$suppressions:print_suppressions=0"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
}
