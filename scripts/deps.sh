# Installs, with apt-get, whatever the build, the tests and the program need and
# the machine lacks. Sourced by ./test and ./run; pass extra package names as
# arguments to need_packages.
need_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# Build tools, Qt 6 (widgets, printing, network, test helpers), zlib, the test
# and benchmark frameworks, fonts so that offscreen text has real metrics, the
# Liberation fonts (the metrics of the Windows fonts the windows are laid out
# for) and Qt's translations (its own dialogs in Polish).
BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev zlib1g-dev libgtest-dev libbenchmark-dev
                fonts-dejavu-core fonts-liberation2 qt6-translations-l10n)
# libFuzzer and the sanitizer runtimes of clang, for the fuzz targets.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
# A virtual display and a screenshot tool, for running the program without a display.
DISPLAY_PACKAGES=(xvfb xauth imagemagick)
# The desktop's launcher (xdg-open), through which the program opens the
# matrix document, its exports, the mail program and the web page.
DESKTOP_PACKAGES=(xdg-utils)
