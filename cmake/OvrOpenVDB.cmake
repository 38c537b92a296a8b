# OpenVDB, found once for every folder that needs it, as the target OpenVDB::openvdb.
if(NOT WIN32)
  # Debian's OpenVDB (with TBB, Boost and Imath). Debian keeps the find module outside CMake's
  # own module path.
  list(APPEND CMAKE_MODULE_PATH /usr/lib/x86_64-linux-gnu/cmake/OpenVDB)
  find_package(OpenVDB REQUIRED)
  return()
endif()

# Windows: the static OpenVDB, c-blosc, LZ4 and oneTBB that scripts/build-windows-deps.sh builds
# with mingw-w64 into the folder OVR_WINDOWS_DEPS. Linked statically, the programs and the
# plug-in need no DLL beside the system's own. Without the folder there is no OpenVDB target.
set(OVR_WINDOWS_DEPS "" CACHE PATH "Static Windows OpenVDB and its libraries (scripts/build-windows-deps.sh)")
if(NOT OVR_WINDOWS_DEPS)
  return()
endif()
set(ovr_openvdb_libraries)
foreach(name openvdb blosc lz4 tbb12)
  set(library ${OVR_WINDOWS_DEPS}/lib/lib${name}.a)
  if(NOT EXISTS ${library})
    message(FATAL_ERROR "${library} is missing: run scripts/build-windows-deps.sh")
  endif()
  list(APPEND ovr_openvdb_libraries ${library})
endforeach()
add_library(OpenVDB::openvdb INTERFACE IMPORTED)
target_include_directories(OpenVDB::openvdb INTERFACE ${OVR_WINDOWS_DEPS}/include)
target_compile_definitions(OpenVDB::openvdb INTERFACE OPENVDB_STATICLIB)
# OpenVDB's templates exceed the 32768 sections of a plain COFF object.
target_compile_options(OpenVDB::openvdb INTERFACE -Wa,-mbig-obj)
target_link_libraries(OpenVDB::openvdb INTERFACE ${ovr_openvdb_libraries} ZLIB::ZLIB Threads::Threads)
