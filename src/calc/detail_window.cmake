# The window "Detalle estadístico": the evidence of one computation, its
# figure drawn by robustez_figure.
add_library(robustez_detail STATIC
    ${CMAKE_CURRENT_LIST_DIR}/detail_window.h
    ${CMAKE_CURRENT_LIST_DIR}/detail_window.cpp
)
target_include_directories(robustez_detail PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(robustez_detail PUBLIC robustez_figure robustez_ui Qt6::Widgets)
