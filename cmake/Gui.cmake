# The Qt program: the window code as a library of its own, so that the tests link exactly what
# the program runs, and the executable around it.

add_library(quorvane_gui OBJECT
    app/About.cpp
    app/Application.cpp
    app/GetDir.cpp
    app/MultiRowTabWidget.cpp
    app/PropSheet.cpp
    app/RtfHelp.cpp
    app/SingleInstance.cpp
    app/Startup.cpp
    app/TopLevel.cpp
    app/Version.cpp
    app/WindowRequests.cpp
    editor/DropTargetDelegate.cpp
    editor/EditorView.cpp
    editor/ErrorHandler.cpp
    editor/FileDialog.cpp
    editor/FollowingDialog.cpp
    editor/ImageStrip.cpp
    editor/MenuTreeItemModel.cpp
    editor/MessageBoxes.cpp
    editor/PanelSplitter.cpp
    editor/Quorvcfg.cpp
    editor/TreeSourceItemModel.cpp
    editor/WindowMessages.cpp
    editor/WindowPlacement.cpp
    resources/About.ui
    resources/GetDir.ui
    resources/PropSheet.ui
    resources/Quorvcfg.ui
    resources/RtfHelp.ui
    resources/Startup.ui
    resources/quorvane.qrc
)
set_target_properties(quorvane_gui PROPERTIES
    AUTOMOC ON
    AUTOUIC ON
    AUTORCC ON
    AUTOUIC_SEARCH_PATHS ${CMAKE_SOURCE_DIR}/resources
)
target_link_libraries(quorvane_gui PUBLIC quorvane_core Qt6::Widgets Qt6::Network)

add_executable(quorvane-setup app/main.cpp)
set_target_properties(quorvane-setup PROPERTIES AUTOMOC ON AUTOUIC ON AUTORCC ON)
target_link_libraries(quorvane-setup PRIVATE quorvane_gui)

include(GNUInstallDirs)
install(TARGETS quorvane-setup RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES resources/quorvane-setup.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/quorvane32.xpm DESTINATION ${CMAKE_INSTALL_DATADIR}/pixmaps
        RENAME quorvane-setup.xpm)
install(FILES resources/quorvane32.xpm DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps
        RENAME quorvane-setup.xpm)
install(FILES resources/quorvane16.xpm DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/16x16/apps
        RENAME quorvane-setup.xpm)
