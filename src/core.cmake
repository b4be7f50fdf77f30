# robustez_core: study record, conversions, critical values, statistics,
# number format, study files, text report and page layouts. Plain C++ only.
add_library(robustez_core STATIC
    src/study/errors.h
    src/study/conversions.h
    src/study/conversions.cpp
    src/study/study_record.h
    src/study/study_record.cpp
    src/study/study_file.h
    src/study/study_file.cpp
    src/reports/text_report.h
    src/reports/text_report.cpp
    src/reports/page_canvas.h
    src/reports/page_layouts.h
    src/reports/page_layouts.cpp
    src/calc/dunnett_table.h
    src/calc/dunnett_table.cpp
    src/calc/dunnett_distribution.h
    src/calc/dunnett_distribution.cpp
    src/calc/number_format.h
    src/calc/number_format.cpp
    src/calc/robustness.h
    src/calc/robustness.cpp
    src/calc/results_tables.h
    src/calc/results_tables.cpp
    src/calc/evidence.h
    src/calc/evidence.cpp
    src/calc/evidence_tables.h
    src/calc/evidence_tables.cpp
    src/reports/evidence_figure.h
    src/reports/evidence_figure.cpp
    src/reports/detail_page.h
    src/reports/detail_page.cpp
)
target_include_directories(robustez_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/src)
