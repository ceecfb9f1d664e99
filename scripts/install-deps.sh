#!/usr/bin/env bash
# Installs the Debian packages Quillmark2 needs to build, test and run.
# Idempotent and quick when everything is present; works as root or via sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config python3
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libdeflate-dev libturbojpeg0-dev libjpeg-turbo-progs libfreetype-dev libfontconfig-dev libsane-dev libsane1 sane-utils
  qt6-base-dev qt6-base-private-dev libgl-dev
  xvfb x11-apps x11-utils x11-xkb-utils xdotool imagemagick fonts-noto-cjk fonts-dejavu-core tango-icon-theme
  clang libclang-rt-14-dev
  desktop-file-utils xdg-utils libfile-mimeinfo-perl shared-mime-info librsvg2-bin dpkg-dev file man-db
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
