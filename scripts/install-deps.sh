#!/usr/bin/env bash
# Installs the Debian packages tsuzuri needs to build, test and run.
# Does nothing when every package is already present, so it is cheap to call
# before every build.
set -euo pipefail

packages=(
  # Toolchain and build.
  build-essential cmake make pkg-config ccache
  # Clang builds the fuzz targets (libFuzzer comes with compiler-rt).
  clang libclang-rt-dev
  # Libraries.
  zlib1g-dev libsdl2-dev libonig-dev libpng-dev libjpeg-dev libepoxy-dev
  libfreetype-dev libfontconfig-dev
  # Ogg Vorbis: decoding in the engine, encoding in the sound tool.
  libogg-dev libvorbis-dev
  # Free Japanese faces: what the Windows "ＭＳ ゴシック" and "ＭＳ 明朝" of
  # games fall back to, and what the text tests draw with.
  fonts-ipafont-gothic fonts-ipafont-mincho
  # OpenGL without a GPU or a display: Mesa's EGL and its software renderer
  # (llvmpipe), which the headless runner and the rendering tests draw with.
  libegl1 libegl-mesa0 libgl1-mesa-dri
  # Tests and benchmarks.
  libgtest-dev libgmock-dev libbenchmark-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
