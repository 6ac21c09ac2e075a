# Outside libraries linked into the library objects (Debian packages; see scripts/setup-deps.sh).

# QR module counts for page-mode placement.
pkg_check_modules(QRENCODE REQUIRED IMPORTED_TARGET libqrencode)
target_link_libraries(velmora_objects PUBLIC PkgConfig::QRENCODE)
# Imaging: stb_image (header-only, compiled once in src/nzcommon/imgprocess/StbImage.c)
# and JBIG-KIT's T.85 codec.
find_path(VELMORA_STB_INCLUDE_DIR stb_image.h PATH_SUFFIXES stb REQUIRED)
find_path(VELMORA_JBIG85_INCLUDE_DIR jbig85.h REQUIRED)
find_library(VELMORA_JBIG_LIBRARY NAMES jbig REQUIRED)
include(CheckSymbolExists)
set(CMAKE_REQUIRED_INCLUDES ${VELMORA_JBIG85_INCLUDE_DIR})
set(CMAKE_REQUIRED_LIBRARIES ${VELMORA_JBIG_LIBRARY})
check_symbol_exists(jbg85_enc_lineout jbig85.h VELMORA_HAVE_JBIG85)
unset(CMAKE_REQUIRED_INCLUDES)
unset(CMAKE_REQUIRED_LIBRARIES)
if(NOT VELMORA_HAVE_JBIG85)
  message(FATAL_ERROR "libjbig at ${VELMORA_JBIG_LIBRARY} lacks the T.85 codec (jbg85_*)")
endif()
target_include_directories(velmora_objects SYSTEM PRIVATE ${VELMORA_STB_INCLUDE_DIR}
  ${VELMORA_JBIG85_INCLUDE_DIR})
target_link_libraries(velmora_objects PRIVATE ${VELMORA_JBIG_LIBRARY})
# The decoder is outside code: compiled as it comes, without the project's warning flags. On a PNG
# whose first data chunk is empty it computes `null + 0` and copies 0 bytes to null, both
# harmless; the sanitizer checks for those two constructs are off for this file only. Crafted
# JPEG coefficients can overflow its int sums: -fwrapv makes them wrap, so such a picture always
# decodes to the same (meaningless) pixels instead of being undefined.
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/nzcommon/imgprocess/StbImage.c
  TARGET_DIRECTORY velmora_objects PROPERTIES
  COMPILE_OPTIONS
  "-w;-fwrapv;-fno-sanitize=pointer-overflow;-fno-sanitize=nonnull-attribute;-fno-sanitize=signed-integer-overflow")

# Convenience classes: ICU compares and splits application text by user-perceived characters
# under canonical equivalence. The platform image decodes with the imaging code's stb_image and
# encodes PNG with stb_image_write (header-only, compiled once in src/platform/PngEncoder.c, as
# outside code without the project's warnings).
pkg_check_modules(ICU_UC REQUIRED IMPORTED_TARGET icu-uc)
target_link_libraries(velmora_objects PRIVATE PkgConfig::ICU_UC)
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/platform/PngEncoder.c
  TARGET_DIRECTORY velmora_objects PROPERTIES COMPILE_OPTIONS "-w")
