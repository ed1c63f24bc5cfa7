# The desktop program's Windows resources (icon and version information),
# made from src/qt/win/pwr4tadj.rc.in. Sets PW_WINDOWS_RESOURCES to the
# resource script for the executable. The front end is not built in the
# cross build of the core, so there the script is compiled on its own
# (pwr4tadj_resources) to keep it building.
set(PW_WINDOWS_ICON ${CMAKE_SOURCE_DIR}/src/qt/win/pwr4tadj.ico)
set(PW_WINDOWS_RESOURCES ${CMAKE_BINARY_DIR}/pwr4tadj.rc)
configure_file(${CMAKE_SOURCE_DIR}/src/qt/win/pwr4tadj.rc.in ${PW_WINDOWS_RESOURCES} @ONLY)
if(NOT PW_BUILD_GUI)
  enable_language(RC)
  add_library(pwr4tadj_resources OBJECT ${PW_WINDOWS_RESOURCES})
endif()
