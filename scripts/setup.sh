#!/usr/bin/env bash
# Installs the Debian packages that building, testing and serving need (only
# those missing; one "apt-get update" first when anything is), then
# configures and builds build/.
#
#   scripts/setup.sh              install and build build/
#   SKIP_BUILD=1 scripts/setup.sh install only
#   BUILD_DIR=... scripts/setup.sh    build elsewhere
#   BUILD_TARGET=kavr scripts/setup.sh  build one target only
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}

packages=(
    build-essential cmake g++ python3 curl
    libgtest-dev googletest libbenchmark-dev
    unixodbc unixodbc-dev libsqliteodbc odbc-postgresql
    postgresql sqlite3
    lighttpd python3-aiosmtpd ccache
    libfcgi-dev libfcgi-bin nginx-light apache2-utils php-fpm
    chromium chromium-driver python3-selenium fonts-vlgothic
    clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo=sudo
    fi
    echo "setup: installing ${missing[*]}"
    $sudo apt-get update -q
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if [ "${SKIP_BUILD:-0}" != 1 ]; then
    cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
    cmake --build "$build_dir" -j2 ${BUILD_TARGET:+--target "$BUILD_TARGET"}
fi
