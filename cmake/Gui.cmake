# The Qt program: the window code as a library of its own, so that the tests link exactly what
# the program runs, and the executable around it.

add_library(quorvane_gui OBJECT
    app/AboutBox.cpp
    app/Application.cpp
    app/DeferredIconStyle.cpp
    app/EscapeKey.cpp
    app/DirectoryChooser.cpp
    app/MultiRowTabWidget.cpp
    app/PropertiesDialog.cpp
    app/ReadableColour.cpp
    app/HelpWindow.cpp
    app/SingleInstance.cpp
    app/FirstStartNotice.cpp
    app/TopLevel.cpp
    app/Version.cpp
    app/WindowRequests.cpp
    editor/CaptionEditing.cpp
    editor/ClosePrompt.cpp
    editor/DragDropController.cpp
    editor/DropTargetDelegate.cpp
    editor/EditActions.cpp
    editor/EditSession.cpp
    editor/EditorView.cpp
    editor/ErrorHandler.cpp
    editor/FileDialog.cpp
    editor/FollowingDialog.cpp
    editor/ImageStrip.cpp
    editor/ListSelectionSync.cpp
    editor/MenuPreview.cpp
    editor/MenuTreeItemModel.cpp
    editor/MessageBoxes.cpp
    editor/PanelSplitter.cpp
    editor/MainWindow.cpp
    editor/AvailableEntriesItemModel.cpp
    editor/TargetAssignment.cpp
    editor/WindowMessages.cpp
    editor/WindowPlacement.cpp
    resources/AboutBox.ui
    resources/DirectoryChooser.ui
    resources/PropertiesDialog.ui
    resources/MainWindow.ui
    resources/HelpWindow.ui
    resources/FirstStartNotice.ui
)
# The pictures' pixels, made from their XPM files by a tool built here (olive in the strip of
# small images is transparent).
add_executable(picture_pixels tools/PicturePixels.cpp)
target_link_libraries(picture_pixels PRIVATE Qt6::Gui)
set_target_properties(picture_pixels PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
set(QUORVANE_PICTURES ${CMAKE_BINARY_DIR}/generated/PicturePixels.cpp)
add_custom_command(
    OUTPUT ${QUORVANE_PICTURES}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:picture_pixels>
            ${QUORVANE_PICTURES}
            "smallImages=${CMAKE_SOURCE_DIR}/resources/SmallImages.xpm,#808000"
            icon32=${CMAKE_SOURCE_DIR}/resources/quorvane32.xpm
            icon16=${CMAKE_SOURCE_DIR}/resources/quorvane16.xpm
    DEPENDS picture_pixels
            ${CMAKE_SOURCE_DIR}/resources/SmallImages.xpm
            ${CMAKE_SOURCE_DIR}/resources/quorvane32.xpm
            ${CMAKE_SOURCE_DIR}/resources/quorvane16.xpm
    COMMENT "Making the pictures' pixels"
    VERBATIM)
target_sources(quorvane_gui PRIVATE ${QUORVANE_PICTURES})

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
