# robustez_ui: what every window shares: the message boxes, the error box,
# the busy cursor, the results windows' font and scrolling, copying tables to the clipboard and the program's pictures.
add_library(robustez_ui STATIC
    ${CMAKE_CURRENT_LIST_DIR}/messages.h
    ${CMAKE_CURRENT_LIST_DIR}/messages.cpp
    ${CMAKE_CURRENT_LIST_DIR}/table_copy.h
    ${CMAKE_CURRENT_LIST_DIR}/table_copy.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_parts.h
    ${CMAKE_CURRENT_LIST_DIR}/window_parts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pictures.h
    ${CMAKE_CURRENT_LIST_DIR}/pictures.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pictures.qrc
)
target_include_directories(robustez_ui PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(robustez_ui PUBLIC robustez_core Qt6::Widgets)
