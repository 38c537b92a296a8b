# OpenVDB as Debian installs it (with TBB, Boost and Imath), found once for every folder that
# needs it. Debian keeps the find module outside CMake's own module path.
list(APPEND CMAKE_MODULE_PATH /usr/lib/x86_64-linux-gnu/cmake/OpenVDB)
find_package(OpenVDB REQUIRED)
