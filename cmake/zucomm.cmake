# One library per source folder: every .cpp in it belongs to the library, so
# adding a file needs no edit here.
function(zu_library name dir)
  file(GLOB _src CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.qrc)
  file(GLOB _hdr CONFIGURE_DEPENDS ${dir}/*.h)
  if(_src)
    add_library(${name} STATIC ${_src} ${_hdr})
    set(_scope PUBLIC)
  else()
    add_library(${name} INTERFACE)
    set(_scope INTERFACE)
  endif()
  target_include_directories(${name} ${_scope} ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} ${_scope} ${ARGN})
endfunction()

# Every tests/<folder>/tst_*.cpp becomes one QtTest binary run offscreen by CTest.
function(zu_tests folder)
  file(GLOB _tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/tst_*.cpp)
  foreach(_t ${_tests})
    get_filename_component(_n ${_t} NAME_WE)
    add_executable(${_n} ${_t})
    target_include_directories(${_n} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${_n} PRIVATE Qt6::Test ${ARGN})
    add_test(NAME ${folder}/${_n} COMMAND ${_n})
    set_tests_properties(${folder}/${_n} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZUCOMM_BUILD_DIR=${CMAKE_BINARY_DIR}"
      TIMEOUT 300)
  endforeach()
endfunction()
