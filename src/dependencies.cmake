# Outside libraries linked into the library objects (Debian packages; see scripts/setup-deps.sh).

# QR module counts for page-mode placement.
pkg_check_modules(QRENCODE REQUIRED IMPORTED_TARGET libqrencode)
target_link_libraries(velmora_objects PUBLIC PkgConfig::QRENCODE)
