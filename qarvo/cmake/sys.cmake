# Files, directory listings, time, threads and locks, INI files and the trace log. The
# platform calls they need sit behind qarvo/platform/{clock,thread,file,dir,dl,environment,interrupt,instance_lock,
# user_folders,local_socket,process}.h.
add_library(qarvo_sys STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/time/clock.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/time/time.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/thread/critical_section.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/thread/event.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/thread/thread.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/thread/thread_ex.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/file/path_encoding.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/file/path.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/file/file_stream.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/file/find.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/file/library.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/file/content_type.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/ini/ini_file.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/trace/trace.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix/clock.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix/thread.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix/file.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix/dir.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix/dl.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix/environment.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix/interrupt.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix/content_types.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix/instance_lock.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix/user_folders.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix/local_socket.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix/process.cpp
)
target_link_libraries(qarvo_sys PUBLIC qarvo_text Threads::Threads ${CMAKE_DL_LIBS})
target_link_libraries(qarvo INTERFACE qarvo_sys)
