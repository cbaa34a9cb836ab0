# The shipped data files: the key they are encrypted with, the download folder
# that newer ones come from, and the build step that encrypts them.

set(GWR_DATA_KEY_HEX "b71ffa828170e1f30f0c55a6f4b8319d8c71fa006c82d562bd74f3abce65d999"
  CACHE STRING "Key of the shipped data files: 64 hex digits (32 bytes)")
set(GWR_DOWNLOAD_BASE_URL "https://gatewright.invalid/downloads/"
  CACHE STRING "Address of the download folder, ending in a slash")

if(NOT GWR_DATA_KEY_HEX MATCHES "^[0-9a-fA-F]+$")
  message(FATAL_ERROR "GWR_DATA_KEY_HEX must be 64 hex digits")
endif()
string(LENGTH "${GWR_DATA_KEY_HEX}" _gwr_key_length)
if(NOT _gwr_key_length EQUAL 64)
  message(FATAL_ERROR "GWR_DATA_KEY_HEX must be 64 hex digits, not ${_gwr_key_length}")
endif()
string(REGEX REPLACE "([0-9a-fA-F][0-9a-fA-F])" "0x\\1, " GWR_DATA_KEY_BYTES "${GWR_DATA_KEY_HEX}")

set(GWR_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/src/core/build_config.h.in ${GWR_GENERATED_DIR}/gwr/build_config.h @ONLY)

# Encrypts a plain data file into input/<name> of the program folder with the
# build's key. All such files hang off the target gwr_data.
function(gwr_pack_data plain name)
  if(NOT TARGET gwr_data)
    add_custom_target(gwr_data ALL)
  endif()
  set(_out ${GWR_PROGRAM_DIR}/input/${name})
  add_custom_command(OUTPUT ${_out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${GWR_PROGRAM_DIR}/input
    COMMAND gwr-pack encrypt ${plain} ${_out}
    DEPENDS ${plain} gwr-pack
    COMMENT "Encrypting ${name}"
    VERBATIM)
  string(MAKE_C_IDENTIFIER "gwr_data_${name}" _target)
  add_custom_target(${_target} DEPENDS ${_out})
  add_dependencies(gwr_data ${_target})
endfunction()
