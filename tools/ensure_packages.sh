# Sourced by ./run and ./test: installs the Debian packages the build needs, and Qt's Russian
# translations, which the program loads and the tests check.
KALVIMO_PACKAGES=(cmake g++ ninja-build libgtest-dev qt6-base-dev qt6-charts-dev qt6-svg-dev qt6-translations-l10n)

# ensure_packages [EXTRA_PACKAGE...]
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "${KALVIMO_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "Устанавливаются пакеты: ${missing[*]}" >&2
        DEBIAN_FRONTEND=noninteractive apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
    else
        echo "Не хватает пакетов: ${missing[*]}" >&2
        echo "Установите их командой: sudo apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
}

generator() {
    if command -v ninja >/dev/null 2>&1; then echo Ninja; else echo "Unix Makefiles"; fi
}
