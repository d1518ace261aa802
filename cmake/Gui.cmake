# The Qt program: the window code as a library of its own, so that the tests link exactly what
# the program runs, and the executable around it.

add_library(quorvane_gui OBJECT
    app/About.cpp
    app/Application.cpp
    app/DeferredIconStyle.cpp
    app/EscapeKey.cpp
    app/GetDir.cpp
    app/MultiRowTabWidget.cpp
    app/PropSheet.cpp
    app/ReadableColour.cpp
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
    editor/Pictures.cpp
    editor/MenuPreview.cpp
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
)
set_target_properties(quorvane_gui PROPERTIES
    AUTOMOC ON
    AUTOUIC ON
    AUTOUIC_SEARCH_PATHS ${CMAKE_SOURCE_DIR}/resources
)
target_link_libraries(quorvane_gui PUBLIC quorvane_core Qt6::Widgets)
# The single-instance guard listens on a named pipe on Windows; elsewhere on a plain local socket,
# so that start-up does not load Qt's network module.
if(WIN32)
    target_sources(quorvane_gui PRIVATE app/SingleInstanceLocalServer.cpp)
    target_link_libraries(quorvane_gui PUBLIC Qt6::Network)
else()
    target_sources(quorvane_gui PRIVATE app/SingleInstanceSocket.cpp)
endif()

add_executable(quorvane-setup app/main.cpp)
set_target_properties(quorvane-setup PROPERTIES AUTOMOC ON AUTOUIC ON)
target_link_libraries(quorvane-setup PRIVATE quorvane_gui)

install(TARGETS quorvane-setup RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The desktop's view of the program: its launcher, its AppStream description and its icon in every
# size the icon theme asks for, the larger ones drawn from the scalable image.
set(QUORVANE_APP_ID org.quorvane.QuorvaneSetup)
set(QUORVANE_HOMEPAGE "https://quorvane.org/" CACHE STRING "The project's home page, for the metainfo")
set(QUORVANE_SCREENSHOT "${QUORVANE_HOMEPAGE}screenshots/main-window.png"
    CACHE STRING "Where the metainfo's screenshot (resources/screenshots/main-window.png) is published")
configure_file(resources/${QUORVANE_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/${QUORVANE_APP_ID}.metainfo.xml @ONLY)
install(FILES resources/${QUORVANE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/${QUORVANE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES resources/icons/hicolor/${size}x${size}/apps/quorvane-setup.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES resources/icons/quorvane-setup.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
