# Qt parts: the QPainter canvas and the report tool, the results and report
# windows, the extra windows (splash, About, help, print dialogs), and the
# program with its main and study windows.
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)
include(src/ui/ui.cmake)
include(src/reports/figure_qt.cmake)
include(src/calc/detail_window.cmake)
include(src/reports/reports_qt.cmake OPTIONAL)
include(src/results_windows.cmake)
include(src/extras.cmake OPTIONAL)
include(src/app.cmake OPTIONAL)

# The program opens the detail window too.
target_link_libraries(robustez_program PUBLIC robustez_detail)
