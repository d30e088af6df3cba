#!/usr/bin/env bash
# Sets up a Debian 12 machine for KIVO Meriview (run as root) and builds it.
#   tools/setup.sh run    packages, build, then the main job on the built-in sample product
#   tools/setup.sh test   packages, normal and sanitizer builds, then the whole test suite
# Both are idempotent: packages already installed and build trees up to date cost little.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libhdf5-dev hdf5-tools libhdf4-alt-dev hdf4-tools zlib1g-dev tzdata
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-image-formats-plugins libgl-dev libglx-dev
  qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-translations-l10n
  fonts-ipafont-gothic gmt gmt-gshhg-low
  xvfb xauth python3-pil
  libgdal-dev gdal-bin python3-gdal python3-h5py unzip libtiff-tools
  ffmpeg parallel slurm-wlm munge libdeflate-dev
)
SAMPLE_L1B=GW1AM2_201207031905_234A_L1SGBTBR_2220220.h5
JOBS=$(nproc)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y --no-install-recommends "${missing[@]}" ||
    { apt-get update && apt-get install -y --no-install-recommends "${missing[@]}"; }
}

# configure_and_build DIR [cmake options...]
configure_and_build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$JOBS"
}

build_release() {
  configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
}

run_main_job() {
  build_release
  local sample="build/samples/$SAMPLE_L1B"
  echo
  echo "== kivo-dump $sample"
  build/bin/kivo-dump "$sample"
  echo
  echo "== 89 GHz A horizontal brightness temperatures of scan 1 (first 8 of 486)"
  build/bin/kivo-dump "$sample" --label 11180 --scans 1 1 > build/sample_scan1.txt
  head -n 10 build/sample_scan1.txt
  echo
  echo
  echo "== kivo-render: the 89 GHz A horizontal channel of the orbit on an equirectangular map"
  build/bin/kivo-render "$sample" --channel 20 --projection EQR --size 800 550 -o build/sample_89GHz_EQR.png
  echo "Picture: $(pwd)/build/sample_89GHz_EQR.png"
  echo
  echo "== kivo-meriview with the sample Level 1B product"
  if [ -n "${DISPLAY:-}" ]; then
    build/bin/kivo-meriview "$sample"
  else
    # No display: the same start in a virtual one, with a screenshot of the main window once
    # the map view shows the product.
    KIVO_SCREENSHOT="$(pwd)/build/kivo-meriview-main-window.png" KIVO_SETTINGS="$(pwd)/build/kivo-meriview-run.ini" \
      xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/kivo-meriview "$sample"
    echo "Screenshot of the main window: $(pwd)/build/kivo-meriview-main-window.png"
  fi
  echo "The sample products are in $(pwd)/build/samples; kivo-meriview, kivo-dump and kivo-render are in $(pwd)/build/bin."
}

run_tests() {
  build_release
  configure_and_build build-asan -DCMAKE_BUILD_TYPE=Debug -DKIVO_SANITIZE=ON -DKIVO_BENCHMARKS=OFF \
    -DKIVO_SAMPLES=OFF -DKIVO_SAMPLE_DIR="$(pwd)/build/samples"
  echo "== tests (release build)"
  ctest --test-dir build --output-on-failure -j "$JOBS"
  echo "== tests (AddressSanitizer + UndefinedBehaviorSanitizer build)"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS=suppressions="$(pwd)/tests/lsan.supp" \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j "$JOBS"
  # The tests of code shared between threads, under ThreadSanitizer.
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKIVO_SANITIZE_THREAD=ON -DKIVO_BENCHMARKS=OFF \
    -DKIVO_SAMPLES=OFF -DKIVO_SAMPLE_DIR="$(pwd)/build/samples" >/dev/null
  cmake --build build-tsan -j "$JOBS" --target test_product_model test_map grid_files
  echo "== concurrency tests (ThreadSanitizer build)"
  QT_QPA_PLATFORM=offscreen TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure \
    -R "ProductObject|ScanTimeThreads|Projections.ScreenPositionTable|Rendering.GridCopy"
}

case "${1:-}" in
  run) install_packages; run_main_job ;;
  test) install_packages; run_tests ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac
