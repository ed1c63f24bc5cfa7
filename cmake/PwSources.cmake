# What every build of this project shares: the core's sources, the portable
# part of the simulated radio, the fuzz targets and the warning flags. The
# product build, the fuzz project and the soak project include this file
# with PW_ROOT set to the repository's top folder, so a source added to the
# core is compiled everywhere at once.

# The core: standard C++ only.
# Its folders, bottom to top (scripts/check-layers keeps includes pointing down).
set(PW_CORE_LAYERS base platform settings serial clone console layout model instruments align record shell)
set(PW_CORE_SOURCES)
foreach(_layer IN LISTS PW_CORE_LAYERS)
  file(GLOB_RECURSE _layer_sources CONFIGURE_DEPENDS ${PW_ROOT}/src/${_layer}/*.cpp)
  list(APPEND PW_CORE_SOURCES ${_layer_sources})
endforeach()

# The simulated radio on virtual time, on every platform.
set(PW_SIM_SOURCES
  ${PW_ROOT}/sim/Analog.cpp ${PW_ROOT}/sim/Channels.cpp ${PW_ROOT}/sim/Fault.cpp ${PW_ROOT}/sim/MemoryMap.cpp
  ${PW_ROOT}/sim/Radio.cpp ${PW_ROOT}/sim/TestSet.cpp ${PW_ROOT}/sim/Transmitter.cpp)
# What puts it on a pseudo-terminal and its test set on a TCP port: POSIX only.
set(PW_SIM_POSIX_SOURCES ${PW_ROOT}/sim/LogQueue.cpp ${PW_ROOT}/sim/PtyLink.cpp ${PW_ROOT}/sim/TcpTestSet.cpp
  ${PW_ROOT}/sim/WakePipe.cpp)

# One name a line; scripts/fuzz-common.sh reads the same file.
file(STRINGS ${PW_ROOT}/fuzz/targets.txt PW_FUZZ_TARGETS)

# Warnings are errors in every build, with every compiler we use.
set(PW_WARNING_FLAGS -Wall -Wextra -Wpedantic -Werror)
