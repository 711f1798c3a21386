# What `cmake --install` puts beside the programs: the label files where the tool looks
# for them, and on freedesktop systems the desktop entry and the icon.
include(GNUInstallDirs)
set(tavrel_label_files ${PROJECT_SOURCE_DIR}/examples/Labels_2.nzw)
if(WIN32)
    # Next to the program, as the tool looks first there when it may write there.
    install(FILES ${tavrel_label_files} DESTINATION ${CMAKE_INSTALL_BINDIR})
else()
    # Copied into the user's data directory at the first start (the program's directory
    # is not the user's to write).
    install(FILES ${tavrel_label_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/tavrel)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/tavrel.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/tavrel.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/tavrel.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
endif()
