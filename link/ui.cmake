# The communication page belongs to the window library; the engine it drives is tavrel_link.
target_sources(tavrel_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/cinitpage.h ${CMAKE_CURRENT_LIST_DIR}/cinitpage.cpp
)
