# The Debian packages the scripts install (sourced): those that build and run
# the programs, and those the test suite needs besides.
build_packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libgl-dev zlib1g-dev
  tzdata qt6-translations-l10n
)
test_packages=(
  libgtest-dev libbenchmark-dev
  locales fonts-dejavu-core fonts-liberation2 fonts-comfortaa
  python3 unzip p7zip-full libarchive-tools gdal-bin libxml2-utils gpsbabel util-linux
  valgrind strace
  clang-14 libclang-rt-14-dev
)
