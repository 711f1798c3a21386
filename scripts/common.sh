# Shared by scripts/test and scripts/run: install what the build needs, configure, build.
# shellcheck shell=bash

TAVREL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

TAVREL_PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev qt6-svg-dev
    poppler-utils xvfb xauth fonts-dejavu-core fonts-liberation2 clang libclang-rt-14-dev ccache
    python3-minimal ser2net libpaho-mqttpp-dev
    libpaho-mqtt-dev libssl-dev mosquitto)

tavrel_install_packages() {
    local missing=()
    for p in "${TAVREL_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

# tavrel_build <build-dir> [extra cmake args...]
tavrel_build() {
    local dir="$1"
    shift
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$TAVREL_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_EXPORT_COMPILE_COMMANDS=ON "${launcher[@]}" "$@"
    cmake --build "$dir" -j "$(nproc)"
}
