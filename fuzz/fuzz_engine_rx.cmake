# The monitor's polling engine needs no widgets: its sources are built in.
foreach(_f monitor_engine.cpp monitor_engine_poll.cpp monitor_reply.cpp poll_table.cpp register_map.cpp
           status_display.cpp recording_monitor_view.cpp)
  target_sources(${fuzz_target} PRIVATE ${CMAKE_SOURCE_DIR}/src/monitor/${_f})
endforeach()
