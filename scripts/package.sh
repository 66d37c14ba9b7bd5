#!/usr/bin/env bash
# Builds the Debian package into build/ (zentrel-timer_1.0.0_amd64.deb). Install it with
#   sudo apt-get install ./build/zentrel-timer_1.0.0_amd64.deb
# The package is built in a folder of its own, build-package/, which builds only what the
# package holds (not the tests and benchmarks).
set -euo pipefail
cd "$(dirname "$0")/.."
ZENTREL_EXTRA_PACKAGES="dpkg-dev file" scripts/setup.sh program
if [[ ! -f build-package/build.ninja ]]; then
    # Debian's hardening flags, as a package built by Debian's own tools gets them.
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
        cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
fi
cmake --build build-package --target zentrel-timer zentrel_package_docs
mkdir -p build
(cd build-package && cpack -G DEB -B "$PWD/../build")
