# The Debian packages the project needs, in one place: `dev` and the scripts under .ci/ source this file.
#   ensure_packages NAME...   installs those of NAME... that are missing (apt-get, through sudo when not root)

# Build, run and test: compiler and CMake, Qt 6 with its SQLite driver and Slovak translations, SQLite,
# libpq and a PostgreSQL server for the server tests, libsodium, poppler's pdftotext for the report tests,
# xdg-utils for "&Text zmluvy", Liberation fonts (Arial's metrics for the reports), dbfread for the DBF tests.
mervana_packages=(cmake make g++ qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6svg6 libsqlite3-dev libpq-dev
                  libsodium-dev postgresql libgl-dev poppler-utils xdg-utils fonts-liberation python3-dbfread
                  qt6-translations-l10n)
# The fuzzers: clang with libFuzzer and the sanitizers' runtime.
mervana_fuzz_packages=(clang-14 libfuzzer-14-dev libclang-rt-14-dev)
# The habits' checks: clang-format and clang-tidy.
mervana_check_packages=(clang-format-14 clang-tidy-14)

ensure_packages() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# ccache shortens rebuilds where it is installed; CMake takes the launcher from the environment.
if command -v ccache >/dev/null && [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ]; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
