# The GUI-free part of contact browsing: filter conditions, sort markers and the grid layout file.
add_library(korvane_browse_core STATIC
    ${CMAKE_CURRENT_LIST_DIR}/FilterConditions.cpp ${CMAKE_CURRENT_LIST_DIR}/FilterConditions.h
    ${CMAKE_CURRENT_LIST_DIR}/GridLayout.cpp ${CMAKE_CURRENT_LIST_DIR}/GridLayout.h
    ${CMAKE_CURRENT_LIST_DIR}/SortMarkers.cpp ${CMAKE_CURRENT_LIST_DIR}/SortMarkers.h
)
target_include_directories(korvane_browse_core PUBLIC ${CMAKE_CURRENT_LIST_DIR})
# The searched columns' one list (header-only) lives with the search index in the data layer.
target_include_directories(korvane_browse_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../data)
target_link_libraries(korvane_browse_core PUBLIC Qt6::Core korvane_platform)
