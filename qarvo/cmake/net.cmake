# Sockets, the proxy tunnel, TLS, the HTTP and WebSocket clients. OpenSSL is used only from tls/, zlib
# only from the content decoder.
find_package(OpenSSL 3 REQUIRED)
find_package(ZLIB REQUIRED)

add_library(qarvo_net STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/posix/socket.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/net/state_message.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/net/connection.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/net/connect_to.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/net/resolver.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/net/socket.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/net/proxy_tunnel.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/net/stream_connect.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/net/websocket_frame.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/net/websocket.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/tls/ssl.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/tls/digest.cpp
)
file(GLOB _qarvo_http_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/http/*.cpp)
target_sources(qarvo_net PRIVATE ${_qarvo_http_sources})
target_link_libraries(qarvo_net PUBLIC qarvo_sys qarvo_charcode qarvo_text OpenSSL::SSL OpenSSL::Crypto ZLIB::ZLIB)
target_link_libraries(qarvo INTERFACE qarvo_net)
