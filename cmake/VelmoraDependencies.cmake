# Outside libraries, all from Debian packages (scripts/setup-deps.sh installs them).
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)

if(VELMORA_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
if(VELMORA_BUILD_BENCHMARKS)
  find_package(benchmark REQUIRED)
endif()
