# Third-party libraries of both targets. On Linux they come from Debian's -dev
# packages; for the Windows target scripts/setup.sh cross-builds SQLite, libcurl,
# GoogleTest, OpenSSL and libpq from Debian's source packages into QLO_DEPS_PREFIX.

set(QLO_DEPS_PREFIX "${CMAKE_SOURCE_DIR}/build/deps/prefix" CACHE PATH
    "Prefix of the cross-built Windows dependencies")

if(CMAKE_CROSSCOMPILING)
  if(NOT EXISTS "${QLO_DEPS_PREFIX}/lib/libsqlite3.a")
    message(FATAL_ERROR "Windows dependencies missing in ${QLO_DEPS_PREFIX}: run scripts/setup.sh")
  endif()
  add_library(SQLite::SQLite3 STATIC IMPORTED GLOBAL)
  set_target_properties(SQLite::SQLite3 PROPERTIES
    IMPORTED_LOCATION "${QLO_DEPS_PREFIX}/lib/libsqlite3.a"
    INTERFACE_INCLUDE_DIRECTORIES "${QLO_DEPS_PREFIX}/include")
  find_package(CURL CONFIG REQUIRED PATHS "${QLO_DEPS_PREFIX}" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  find_package(GTest CONFIG REQUIRED PATHS "${QLO_DEPS_PREFIX}" NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  # libpq with what it needs: PostgreSQL's own port and common code, OpenSSL
  # and the Windows libraries of sockets, SSPI and certificates.
  if(NOT EXISTS "${QLO_DEPS_PREFIX}/lib/libpq.a")
    message(FATAL_ERROR "libpq missing in ${QLO_DEPS_PREFIX}: run scripts/setup.sh")
  endif()
  add_library(PostgreSQL::PostgreSQL STATIC IMPORTED GLOBAL)
  set_target_properties(PostgreSQL::PostgreSQL PROPERTIES
    IMPORTED_LOCATION "${QLO_DEPS_PREFIX}/lib/libpq.a"
    INTERFACE_INCLUDE_DIRECTORIES "${QLO_DEPS_PREFIX}/include"
    INTERFACE_LINK_LIBRARIES "${QLO_DEPS_PREFIX}/lib/libpgcommon_shlib.a;${QLO_DEPS_PREFIX}/lib/libpgport_shlib.a;${QLO_DEPS_PREFIX}/lib/libssl.a;${QLO_DEPS_PREFIX}/lib/libcrypto.a;secur32;ws2_32;crypt32;shell32;gdi32;advapi32;user32")
  # nlohmann/json: the prefix holds only a link to the headers, so that no
  # -isystem /usr/include (glibc headers) reaches the cross compiler.
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${QLO_DEPS_PREFIX}/include")
  # cpp-httplib: Debian builds it as a library for Linux only; the MinGW build
  # compiles the single header of Debian's source package (same version and
  # patches), which the set-up script puts in its own folder of the prefix.
  set(QLO_HTTPLIB_INCLUDE_DIR "${QLO_DEPS_PREFIX}/include/cpp-httplib" CACHE PATH
      "Folder of the header-only httplib.h for the Windows build")
  if(NOT EXISTS "${QLO_HTTPLIB_INCLUDE_DIR}/httplib.h")
    message(FATAL_ERROR "httplib.h missing in ${QLO_HTTPLIB_INCLUDE_DIR}: run scripts/setup.sh")
  endif()
  add_library(qlo_httplib INTERFACE IMPORTED GLOBAL)
  set_target_properties(qlo_httplib PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${QLO_HTTPLIB_INCLUDE_DIR}"
    INTERFACE_LINK_LIBRARIES "ws2_32")
else()
  find_package(SQLite3 REQUIRED)
  find_package(CURL REQUIRED)
  find_package(GTest REQUIRED)
  find_package(PostgreSQL REQUIRED)
  find_package(nlohmann_json REQUIRED)
  find_package(Threads REQUIRED)
  find_package(X11 REQUIRED)
  # sd-bus and sd-login: the session lock watch of the Linux collector.
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(SYSTEMD REQUIRED IMPORTED_TARGET libsystemd)
  # cpp-httplib as Debian builds it (the review page's server).
  pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
  add_library(qlo_httplib INTERFACE IMPORTED GLOBAL)
  set_target_properties(qlo_httplib PROPERTIES INTERFACE_LINK_LIBRARIES PkgConfig::HTTPLIB)
  # Wayland desktops: the compositor's protocols.
  include(${CMAKE_CURRENT_LIST_DIR}/qlo_wayland.cmake)
endif()
