# One library per source folder: every .cpp in it belongs to the library, so
# adding a file needs no edit here. Its headers are seen as "<prefix>/name.h"
# through a link of its own under the build tree, and a library's include path
# holds only its own link and those of the libraries it links: an include that
# reaches up a layer, or sideways into a library not linked, does not compile.
function(zu_library name dir prefix)
  file(GLOB _src CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.qrc)
  file(GLOB _hdr CONFIGURE_DEPENDS ${dir}/*.h)
  set(_root ${CMAKE_BINARY_DIR}/include/${name})
  get_filename_component(_parent ${_root}/${prefix} DIRECTORY)
  file(MAKE_DIRECTORY ${_parent})
  file(CREATE_LINK ${dir} ${_root}/${prefix} SYMBOLIC)
  if(_src)
    add_library(${name} STATIC ${_src} ${_hdr})
    set(_scope PUBLIC)
  else()
    add_library(${name} INTERFACE)
    set(_scope INTERFACE)
  endif()
  target_include_directories(${name} ${_scope} ${_root})
  target_link_libraries(${name} ${_scope} ${ARGN})
endfunction()

# Programs, tests, benchmarks and fuzz targets stand on top of every layer;
# they may also include the test rigs as "tests/..." or from their own folder.
function(zu_top_includes target)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
endfunction()

# Every tests/<folder>/tst_*.cpp becomes one QtTest binary run offscreen by CTest.
function(zu_tests folder)
  file(GLOB _tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/tst_*.cpp)
  foreach(_t ${_tests})
    get_filename_component(_n ${_t} NAME_WE)
    add_executable(${_n} ${_t})
    zu_top_includes(${_n})
    target_link_libraries(${_n} PRIVATE Qt6::Test ${ARGN})
    add_test(NAME ${folder}/${_n} COMMAND ${_n})
    set_tests_properties(${folder}/${_n} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZUCOMM_BUILD_DIR=${CMAKE_BINARY_DIR}"
      TIMEOUT 300)
  endforeach()
endfunction()
