# The communication page belongs to the window library; the engine it drives is tavrel_link.
target_sources(tavrel_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/cinitpage.h ${CMAKE_CURRENT_LIST_DIR}/cinitpage.cpp
)
target_sources(tavrel_gui PRIVATE
    ${PROJECT_SOURCE_DIR}/app/filecommands.h ${PROJECT_SOURCE_DIR}/app/filecommands.cpp
)
target_link_libraries(tavrel_gui PUBLIC tavrel_link)
