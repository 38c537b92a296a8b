# Fails unless the export table of ovrloader.dll holds exactly the library's functions, each under
# its GCC name and under its Microsoft-decorated name, both names leading to the same code.
# Run as: cmake -DLIBRARY=<ovrloader.dll> -DOBJDUMP=<objdump> -DCXXFILT=<c++filt> -P CheckDllExports.cmake
cmake_minimum_required(VERSION 3.18)
set(pairs
  "?FumaraSDKGetVersionNumber@@YAIXZ|FumaraSDKGetVersionNumber()"
  "?initalizeOvraLoader@@YAHPEBD0H@Z|initalizeOvraLoader(char const*, char const*, int)"
  "?initalizeOvraLoader@@YAHPEBD0HPEAVThreadManager@ZUtils@@@Z|initalizeOvraLoader(char const*, char const*, int, ZUtils::ThreadManager*)"
  "?finalizeOvraLoader@@YAXXZ|finalizeOvraLoader()"
  "?newIOvr@@YAPEAVIOvr@@PEBD@Z|newIOvr(char const*)"
  "?newIOvrMaxVox@@YAPEAVIOvr@@PEBD_J_N@Z|newIOvrMaxVox(char const*, long long, bool)"
  "?newIOvrWithChannelsMapping@@YAPEAVIOvr@@PEBD0@Z|newIOvrWithChannelsMapping(char const*, char const*)"
  "?newIOvrWithChannelsMappingMaxVox@@YAPEAVIOvr@@PEBD0_J_N@Z|newIOvrWithChannelsMappingMaxVox(char const*, char const*, long long, bool)"
  "?deleteIOvr@@YAXPEAVIOvr@@@Z|deleteIOvr(IOvr*)"
  "?createDefaultThreadManager@@YAPEAVThreadManager@ZUtils@@XZ|createDefaultThreadManager()"
  "?destroyDefaultThreadManager@@YAXPEAVThreadManager@ZUtils@@@Z|destroyDefaultThreadManager(ZUtils::ThreadManager*)"
  "?ovrGet3rdPartyChannelName@@YAHPEADHPEAHPEBDH@Z|ovrGet3rdPartyChannelName(char*, int, int*, char const*, int)"
  "?ovrComposeChannelMappingsString@@YAHPEADHPEAHPEBQEBDH@Z|ovrComposeChannelMappingsString(char*, int, int*, char const* const*, int)"
  "?ovrDecomposeChannelMappingsString@@YAHPEAHPEADHPEBDH@Z|ovrDecomposeChannelMappingsString(int*, char*, int, char const*, int)"
  "?ovrGenerateDefaultChannelMappings@@YAHPEADHPEBD@Z|ovrGenerateDefaultChannelMappings(char*, int, char const*)")

execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} failed on ${LIBRARY}")
endif()

# The export address table gives each ordinal index its address; the name table names the indices.
string(REPLACE "\n" ";" lines "${dump}")
set(section "")
set(names)
foreach(line IN LISTS lines)
  if(line MATCHES "^Export Address Table")
    set(section addresses)
  elseif(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
    set(section names)
  elseif(line STREQUAL "")
    set(section "")
  elseif(section STREQUAL "addresses" AND line MATCHES "^\t\\[ *([0-9]+)\\] \\+base\\[ *[0-9]+\\] ([0-9a-f]+) Export RVA")
    set(address_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
  elseif(section STREQUAL "names" AND line MATCHES "^\t\\[ *([0-9]+)\\] (.+)$")
    set(name "${CMAKE_MATCH_2}")
    set(index "${CMAKE_MATCH_1}")
    if(name MATCHES "^_Z")
      execute_process(COMMAND ${CXXFILT} "${name}" OUTPUT_VARIABLE name OUTPUT_STRIP_TRAILING_WHITESPACE)
    endif()
    list(APPEND names "${name}")
    set("rva_${name}" "${address_${index}}")
  endif()
endforeach()

set(expected)
foreach(pair IN LISTS pairs)
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 microsoft)
  list(GET pair 1 gcc)
  list(APPEND expected "${microsoft}" "${gcc}")
  if(NOT DEFINED "rva_${microsoft}" OR NOT "${rva_${microsoft}}" STREQUAL "${rva_${gcc}}")
    message(SEND_ERROR "${microsoft} does not lead to ${gcc}")
  endif()
endforeach()

list(SORT expected)
list(SORT names)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "exports differ\n  expected: ${expected}\n  found:    ${names}")
endif()
list(LENGTH names count)
message(STATUS "${count} exports: every function under both names")
