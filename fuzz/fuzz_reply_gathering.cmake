# The reply gathering lives with the main window but needs no widgets.
target_sources(${fuzz_target} PRIVATE ${CMAKE_SOURCE_DIR}/src/shell/reply_gathering.cpp)
