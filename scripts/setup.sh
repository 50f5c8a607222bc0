#!/usr/bin/env bash
# Installs everything both targets need on a Debian 12 machine and cross-builds
# the Windows dependencies into build/deps/prefix. Idempotent: every step checks
# first and skips what is already there. Run as root (or with sudo available).
# With --linux-only it installs only what the Linux target needs to build and
# run (./run.sh): no Windows packages, cross builds or Wine prefix.
set -euo pipefail

linux_only=0
[ "${1:-}" = "--linux-only" ] && linux_only=1

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deps="$repo/build/deps"
prefix="$deps/prefix"
toolchain="$repo/cmake/mingw-i686.cmake"

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
log() { printf '[setup] %s\n' "$*"; }

packages=(
  # Linux target
  cmake ninja-build g++ pkg-config libsqlite3-dev libcurl4-openssl-dev nlohmann-json3-dev
  libgtest-dev googletest libbenchmark-dev libx11-dev libxss-dev libsystemd-dev sqlite3
  # the tests of both targets run in an Xvfb display; the Linux desktop tests fake input through XTEST
  xvfb xauth libxtst-dev
  # the Linux session lock tests run a private D-Bus
  dbus-daemon
  # qloreport's HTML page is checked in headless Chromium (screenshots read with libpng)
  chromium libpng-dev
  # Wayland desktops: client library, protocol descriptions and code generator;
  # the tests run a headless sway
  libwayland-dev libwayland-bin wayland-protocols plasma-wayland-protocols sway
  # the review page's server (qlorules serve); test helpers: local HTTP(S) server, certificates,
  # fuzzing with clang's libFuzzer
  libcpp-httplib-dev openssl clang libclang-rt-14-dev
  # the team store: libpq for qlosync and qloreport --server; the tests start a PostgreSQL server of their own,
  # and a pooler in transaction mode in front of it
  libpq-dev postgresql pgbouncer
)
windows_packages=(
  # Windows target
  mingw-w64 g++-mingw-w64-i686 wine wine32:i386 wine64
  # source-package builds
  dpkg-dev tcl
  # the Windows installer, and the checks of the Debian package
  nsis lintian
  # the review page under Wine is asked from the Linux side
  curl jq
)
# The browser extension's end-to-end test runs Debian's Chromium; ./run.sh does not need it.
test_packages=(chromium)
[ $linux_only -eq 1 ] || packages+=("${windows_packages[@]}" "${test_packages[@]}")

install_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
  done
  local need_update=0
  # The i386 architecture and the source packages serve the Windows target only.
  [ $linux_only -eq 1 ] || enable_windows_sources
  if [ ${#missing[@]} -gt 0 ] || [ $need_update -eq 1 ]; then
    log "apt-get update"
    as_root apt-get update -qq
  fi
  if [ ${#missing[@]} -gt 0 ]; then
    log "installing ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# Sets need_update (of install_packages) when it changed apt's sources.
enable_windows_sources() {
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    log "adding the i386 architecture"
    as_root dpkg --add-architecture i386
    need_update=1
  fi
  local sources=/etc/apt/sources.list.d/debian.sources
  if [ -f "$sources" ] && grep -q '^Types: deb$' "$sources"; then
    log "enabling source packages in $sources"
    as_root sed -i 's/^Types: deb$/Types: deb deb-src/' "$sources"
    need_update=1
  elif [ -f /etc/apt/sources.list ] && ! grep -q '^deb-src' /etc/apt/sources.list &&
       grep -q '^deb ' /etc/apt/sources.list; then
    log "enabling source packages in /etc/apt/sources.list"
    as_root sed -i -n 'p; s/^deb /deb-src /p' /etc/apt/sources.list
    need_update=1
  fi
  if ! ls /var/lib/apt/lists/*Sources* >/dev/null 2>&1; then need_update=1; fi
}

# Fetches (once) the Debian source package $1 into build/deps/src and prints its folder.
fetch_source() {
  local name=$1
  mkdir -p "$deps/src"
  local dir
  dir=$(find "$deps/src" -maxdepth 1 -mindepth 1 -type d -name "$name-[0-9]*" | head -n 1)
  if [ -z "$dir" ]; then
    # The newest version first; a mirror that no longer holds it may still
    # hold an older one that the package lists name.
    local version got=0
    for version in "" $(apt-cache showsrc "$name" 2>/dev/null | sed -n 's/^Version: //p' | sort -urV); do
      (cd "$deps/src" && apt-get source -qq "$name${version:+=$version}" >/dev/null 2>&1) && { got=1; break; }
    done
    [ $got -eq 1 ] || { echo "apt-get source $name failed" >&2; return 1; }
    dir=$(find "$deps/src" -maxdepth 1 -mindepth 1 -type d -name "$name-[0-9]*" | head -n 1)
  fi
  echo "$dir"
}

build_sqlite() {
  [ -f "$prefix/lib/libsqlite3.a" ] && { log "sqlite (mingw) already built"; return; }
  local src; src=$(fetch_source sqlite3)
  local b="$deps/build-sqlite"
  rm -rf "$b"; mkdir -p "$b"
  (cd "$b" && "$src/configure" -q >/dev/null && make -s sqlite3.c >/dev/null 2>&1)
  i686-w64-mingw32-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION \
    -c "$b/sqlite3.c" -o "$b/sqlite3.o"
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$b/sqlite3.h" "$b/sqlite3ext.h" "$prefix/include/"
  i686-w64-mingw32-ar rcs "$prefix/lib/libsqlite3.a.tmp" "$b/sqlite3.o"
  mv "$prefix/lib/libsqlite3.a.tmp" "$prefix/lib/libsqlite3.a"
  log "sqlite (mingw) built"
}

# cross_cmake_install NAME SOURCE [CMAKE OPTION...]: configures, builds and
# installs a CMake project of a Debian source package into the prefix.
cross_cmake_install() {
  local name=$1 src=$2; shift 2
  local b="$deps/build-$name"
  rm -rf "$b"
  cmake -S "$src" -B "$b" -G Ninja -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF "$@" >/dev/null
  cmake --build "$b" >/dev/null
  cmake --install "$b" >/dev/null
  log "$name (mingw) built"
}

build_curl() {
  [ -f "$prefix/lib/cmake/CURL/CURLConfig.cmake" ] && { log "curl (mingw) already built"; return; }
  local src; src=$(fetch_source curl)
  cross_cmake_install curl "$src" \
    -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF -DCURL_USE_SCHANNEL=ON \
    -DCURL_USE_OPENSSL=OFF -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF \
    -DCURL_USE_LIBPSL=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF -DUSE_LIBIDN2=OFF \
    -DUSE_NGHTTP2=OFF -DCURL_DISABLE_LDAP=ON -DHTTP_ONLY=ON -DCURL_CA_BUNDLE=none \
    -DCURL_CA_PATH=none
}

build_gtest() {
  [ -f "$prefix/lib/cmake/GTest/GTestConfig.cmake" ] && { log "googletest (mingw) already built"; return; }
  local src; src=$(fetch_source googletest)
  cross_cmake_install googletest "$src" -Dgtest_disable_pthreads=OFF
}

# OpenSSL for libpq's TLS: static libraries only, without assembler (the
# Windows flavour of its x86 assembler does not build here) and without what
# a PostgreSQL client never uses.
build_openssl() {
  [ -f "$prefix/lib/libssl.a" ] && { log "openssl (mingw) already built"; return; }
  local src; src=$(fetch_source openssl)
  local b="$deps/build-openssl"
  rm -rf "$b"; mkdir -p "$b"
  (cd "$b" && "$src/Configure" mingw no-asm no-shared no-tests no-module no-legacy no-engine no-comp no-dso \
     no-async no-ssl3 no-dtls no-srp no-idea no-mdc2 no-rc5 no-rc2 no-rc4 no-camellia no-aria no-seed no-sm2 \
     no-sm3 no-sm4 no-whirlpool no-ts no-cms no-ct no-ocsp no-siphash no-blake2 no-cmac no-des no-md4 no-bf \
     no-cast no-scrypt no-gost no-ui-console no-autoload-config --cross-compile-prefix=i686-w64-mingw32- \
     CC=gcc-posix --prefix="$prefix" --libdir=lib >/dev/null &&
   make -s -j2 build_libs >/dev/null 2>&1 && make -s install_dev >/dev/null 2>&1)
  log "openssl (mingw) built"
}

# libpq, the PostgreSQL client library, as a static library with OpenSSL.
# PostgreSQL's own Windows build makes libpq.dll, with libpq.a only its import
# library: the static library is made here of the same objects.
build_libpq() {
  [ -f "$prefix/lib/libpq.a" ] && { log "libpq (mingw) already built"; return; }
  local src; src=$(fetch_source postgresql-15)
  local b="$deps/build-libpq"
  rm -rf "$b"; mkdir -p "$b"
  (cd "$b" && "$src/configure" --host=i686-w64-mingw32 --without-readline --without-zlib --without-icu \
     --without-llvm --disable-nls --with-ssl=openssl CC=i686-w64-mingw32-gcc-posix CPPFLAGS="-I$prefix/include" \
     LDFLAGS="-L$prefix/lib" LIBS="-lcrypt32 -lws2_32" >configure.log 2>&1 &&
   make -s -j2 -C src/interfaces/libpq libpq.a >/dev/null 2>&1)
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$src/src/interfaces/libpq/libpq-fe.h" "$src/src/include/postgres_ext.h" "$b/src/include/pg_config_ext.h" \
    "$prefix/include/"
  cp "$b/src/common/libpgcommon_shlib.a" "$b/src/port/libpgport_shlib.a" "$prefix/lib/"
  rm -f "$prefix/lib/libpq.a.tmp"
  # Without libpq's own pthread emulation: the POSIX-thread MinGW toolchain
  # links winpthreads, which defines the same functions with the same sizes.
  i686-w64-mingw32-ar rcs "$prefix/lib/libpq.a.tmp" $(ls "$b"/src/interfaces/libpq/*.o | grep -v -e libpqrc -e pthread-win32)
  mv "$prefix/lib/libpq.a.tmp" "$prefix/lib/libpq.a"
  log "libpq (mingw) built"
}

build_openssl_and_libpq() {
  build_openssl
  build_libpq
}

# nlohmann/json for the MinGW build: a folder holding only a link to the headers,
# so that no -isystem /usr/include (glibc headers) reaches the cross compiler.
link_json() {
  mkdir -p "$prefix/include"
  [ -e "$prefix/include/nlohmann" ] || ln -s /usr/include/nlohmann "$prefix/include/nlohmann"
}

# cpp-httplib for the MinGW build: the single header of Debian's source
# package (Debian's binary package is a Linux library).
fetch_httplib() {
  [ -f "$prefix/include/cpp-httplib/httplib.h" ] && { log "httplib.h (mingw) already there"; return; }
  local src; src=$(fetch_source cpp-httplib)
  mkdir -p "$prefix/include/cpp-httplib"
  cp "$src/httplib.h" "$prefix/include/cpp-httplib/"
}

prepare_wine() {
  local wp="$repo/build/wineprefix"
  [ -f "$wp/.qlo-ready" ] && { log "wine prefix ready"; return; }
  export WINEPREFIX="$wp" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$wp"
  wineboot -i >/dev/null 2>&1 || true
  # No window manager under Xvfb: without this every DestroyWindow of a visible window waits 2 s.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
  touch "$wp/.qlo-ready"
  log "wine prefix prepared"
}

start=$(date +%s)
install_packages
if [ $linux_only -eq 1 ]; then
  log "done in $(( $(date +%s) - start )) s"
  exit 0
fi
mkdir -p "$deps"
link_json
fetch_httplib
# The builds and the Wine prefix are independent (libpq needs OpenSSL): run them side by side.
pids=()
build_openssl_and_libpq & pids+=($!)
build_sqlite & pids+=($!)
build_curl & pids+=($!)
build_gtest & pids+=($!)
prepare_wine & pids+=($!)
status=0
for p in "${pids[@]}"; do wait "$p" || status=1; done
[ $status -eq 0 ] || { echo "[setup] a dependency build failed" >&2; exit 1; }
log "done in $(( $(date +%s) - start )) s"
