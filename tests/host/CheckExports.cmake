# Fails unless the dynamic symbol table of LIBRARY defines exactly the library's exported functions.
# Run as: cmake -DLIBRARY=<path of libovrloader.so> -P CheckExports.cmake
set(expected
  "FumaraSDKGetVersionNumber()"
  "initalizeOvraLoader(char const*, char const*, int)"
  "initalizeOvraLoader(char const*, char const*, int, ZUtils::ThreadManager*)"
  "finalizeOvraLoader()"
  "newIOvr(char const*)"
  "newIOvrMaxVox(char const*, long long, bool)"
  "newIOvrWithChannelsMapping(char const*, char const*)"
  "newIOvrWithChannelsMappingMaxVox(char const*, char const*, long long, bool)"
  "deleteIOvr(IOvr*)"
  "createDefaultThreadManager()"
  "destroyDefaultThreadManager(ZUtils::ThreadManager*)"
  "ovrGet3rdPartyChannelName(char*, int, int*, char const*, int)"
  "ovrComposeChannelMappingsString(char*, int, int*, char const* const*, int)"
  "ovrDecomposeChannelMappingsString(int*, char*, int, char const*, int)"
  "ovrGenerateDefaultChannelMappings(char*, int, char const*)")

execute_process(COMMAND nm -D --defined-only --demangle ${LIBRARY}
                OUTPUT_VARIABLE table RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()

set(found)
string(REPLACE "\n" ";" lines "${table}")
foreach(line IN LISTS lines)
  if(line MATCHES "^[0-9a-f]+ ([A-Za-z]) (.+)$")
    set(type "${CMAKE_MATCH_1}")
    set(name "${CMAKE_MATCH_2}")
    if(NOT type STREQUAL "T")
      message(SEND_ERROR "not an exported function: ${type} ${name}")
    endif()
    list(APPEND found "${name}")
  elseif(NOT line STREQUAL "")
    message(SEND_ERROR "unexpected line: ${line}")
  endif()
endforeach()

list(SORT expected)
list(SORT found)
if(NOT found STREQUAL expected)
  message(FATAL_ERROR "exports differ\n  expected: ${expected}\n  found:    ${found}")
endif()
list(LENGTH found count)
message(STATUS "${count} exports, as declared")
