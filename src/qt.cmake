# Qt parts: the QPainter canvas and the report tool, the program and its
# windows, and the extra windows (splash, About, help, print dialogs).
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)
include(src/reports/reports_qt.cmake OPTIONAL)
include(src/extras.cmake OPTIONAL)
include(src/app.cmake OPTIONAL)
