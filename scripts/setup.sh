#!/usr/bin/env bash
# Installs the Debian packages that building and testing TALVEN² need.
# Quick when everything is already there: it asks dpkg first and runs apt-get
# only for what is missing. Safe to run any number of times.
set -euo pipefail

PACKAGES=(
    # native build
    build-essential
    g++
    cmake
    ninja-build
    ccache
    git
    # unit tests
    googletest
    libgtest-dev
    # golden test runner (the tests call /usr/bin/python3, not whatever is on PATH)
    python3
    # the console host on a real terminal (text screen and key checks)
    tmux
    # table interoperability tests: peer readers and writers of DBF/DBT/NDX
    python3-dbf
    libdbd-xbase-perl
    # device tests: the recorded MIDI file is read back, a serial port's
    # peer is one end of a pseudo-terminal pair
    python3-mido
    socat
    # fuzz targets: libFuzzer needs clang 16 (14 cannot compile our C++20)
    # and its runtime libraries; llvm-16 brings the symbolizer for reports
    clang-16
    libclang-rt-16-dev
    llvm-16
    # Windows builds (posix thread model: std::thread, std::mutex and GoogleTest need it)
    g++-mingw-w64-x86-64-posix
    g++-mingw-w64-i686-posix
    # Win32 tests: the 64-bit Wine loader (never wine32: 32-bit code cannot
    # run here), a virtual display, a German locale, screenshots
    wine
    wine64
    xvfb
    locales
    imagemagick
    # printing under Wine: CUPS with a printer that writes PDF files, and
    # the tools that read the pages back (page count, text, pixels)
    cups
    printer-driver-cups-pdf
    poppler-utils
    # ODBC: the driver manager, loaded at run time, and the SQLite driver the
    # tests connect through (natively and from Wine's odbc32)
    unixodbc
    odbcinst
    libsqliteodbc
    sqlite3
    # a second ODBC driver: a private PostgreSQL cluster that
    # scripts/odbc-postgres.sh starts for its tests and stops again
    postgresql
    odbc-postgresql
)

missing=()
for pkg in "${PACKAGES[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    if [[ "$status" != "install ok installed" ]]; then
        missing+=("$pkg")
    fi
done

# Wine follows the locale for code pages and number formats; the runtime's
# home is German.
german_locale() {
    locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' && return 0
    local sudo=()
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    "${sudo[@]}" sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
    "${sudo[@]}" locale-gen >/dev/null
}

if [[ ${#missing[@]} -eq 0 ]]; then
    german_locale
    echo "setup: all ${#PACKAGES[@]} packages are installed"
    exit 0
fi

echo "setup: installing ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then
    SUDO=()
else
    SUDO=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -q
"${SUDO[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
german_locale
echo "setup: done"
