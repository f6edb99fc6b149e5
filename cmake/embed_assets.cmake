# Writes a C++ source that holds every file under a folder, for the studio's
# server to answer from (see src/tools/studio/studio_assets.h). Run as a script:
#
#   cmake -DWEB_DIR=<folder> -DOUTPUT=<file.cpp> -P embed_assets.cmake
#
# Each file is served at its path under "/". Hidden files and folders (a name
# starting with '.') and editors' backups (a name ending in '~') are left out.
if(NOT WEB_DIR OR NOT OUTPUT)
  message(FATAL_ERROR "embed_assets.cmake needs -DWEB_DIR=... and -DOUTPUT=...")
endif()

file(GLOB_RECURSE _names LIST_DIRECTORIES false RELATIVE "${WEB_DIR}" "${WEB_DIR}/*")
list(FILTER _names EXCLUDE REGEX "(^|/)\\.")
list(FILTER _names EXCLUDE REGEX "~$")
list(SORT _names)

# CMake's regular expressions have no {n}: the pattern of 64 escaped bytes.
string(REPEAT "\\\\x[0-9a-f][0-9a-f]" 64 _line_pattern)

set(_data "")
set(_table "")
set(_index 0)
foreach(_name IN LISTS _names)
  file(READ "${WEB_DIR}/${_name}" _hex HEX)
  string(LENGTH "${_hex}" _digits)
  math(EXPR _size "${_digits} / 2")
  # Every byte as a \xNN escape, 64 bytes to a line of adjacent literals.
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" _escaped "${_hex}")
  string(REGEX REPLACE "(${_line_pattern})" "\\1\"\n    \"" _escaped "${_escaped}")
  string(REPLACE "\\" "\\\\" _path "/${_name}")
  string(REPLACE "\"" "\\\"" _path "${_path}")
  string(APPEND _data "// ${_name}\nconst char kFile${_index}[] =\n    \"${_escaped}\";\n\n")
  string(APPEND _table "        {\"${_path}\", {kFile${_index}, ${_size}}},\n")
  math(EXPR _index "${_index} + 1")
endforeach()

if(_index EQUAL 0)
  set(_body "    return {};\n")
else()
  set(_body "    static const EmbeddedFile files[] = {\n${_table}    };\n    return files;\n")
endif()

file(WRITE "${OUTPUT}" "// Generated from web/ by cmake/embed_assets.cmake at build time; do not edit.
#include \"studio_assets.h\"

namespace opbaff::tools {
namespace {

${_data}}  // namespace

std::span<const EmbeddedFile> embeddedFiles() {
${_body}}

}  // namespace opbaff::tools
")
