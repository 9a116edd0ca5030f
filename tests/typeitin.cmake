kelpo_test(tst_player LABEL unit SOURCES tst_player.cpp LIBS kelpo_typeitin)
kelpo_test(tst_sessionkeyboard LABEL unit SOURCES tst_sessionkeyboard.cpp support/RecordingKeyboard.h LIBS kelpo_typeitin)

# Types into a separate small program in a real X server.
add_executable(kelpo_typetarget support/typetarget.cpp)
target_link_libraries(kelpo_typetarget PRIVATE Qt6::Widgets)
# The same as a plain Xlib program that does not answer the window manager's ping.
find_package(X11 REQUIRED)
add_executable(kelpo_xlibtarget support/xlibtarget.cpp)
target_link_libraries(kelpo_xlibtarget PRIVATE X11::X11)
kelpo_test(tst_typeitin_x11 LABEL x11 SOURCES tst_typeitin_x11.cpp LIBS kelpo_x11keyboard Qt6::Widgets)
target_compile_definitions(tst_typeitin_x11 PRIVATE TYPETARGET_EXE="$<TARGET_FILE:kelpo_typetarget>"
                           XLIBTARGET_EXE="$<TARGET_FILE:kelpo_xlibtarget>")
add_dependencies(tst_typeitin_x11 kelpo_typetarget kelpo_xlibtarget)

# The keymaps of the Wayland virtual keyboard, read back with xkbcommon.
kelpo_test(tst_virtualkeymap LABEL unit SOURCES tst_virtualkeymap.cpp LIBS kelpo_waylandkeyboard PkgConfig::XKBCOMMON)

# Types into a separate program's native Wayland window under a private
# headless sway (scripts/with-sway.sh); label "wayland", run by the test
# command's real-window stage.
add_executable(tst_typeitin_wayland tst_typeitin_wayland.cpp support/TypeTarget.h)
target_link_libraries(tst_typeitin_wayland PRIVATE Qt6::Test kelpo_waylandkeyboard kelpo_app Qt6::Widgets)
target_include_directories(tst_typeitin_wayland PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(tst_typeitin_wayland PRIVATE TYPETARGET_EXE="$<TARGET_FILE:kelpo_typetarget>")
add_dependencies(tst_typeitin_wayland kelpo_typetarget)
add_test(NAME tst_typeitin_wayland
         COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-sway.sh $<TARGET_FILE:tst_typeitin_wayland>)
set_tests_properties(tst_typeitin_wayland PROPERTIES LABELS wayland TIMEOUT 120)

# The desktop portal keyboard against a scripted fake portal on a private
# session bus (dbus-daemon); needs no display.
find_package(Qt6 REQUIRED COMPONENTS DBus)
add_executable(kelpo_fakeportal support/fakeportal.cpp)
target_link_libraries(kelpo_fakeportal PRIVATE Qt6::DBus)
target_include_directories(kelpo_fakeportal PRIVATE ${PROJECT_SOURCE_DIR}/typeitin)
kelpo_test(tst_portalkeyboard LABEL unit SOURCES tst_portalkeyboard.cpp
           LIBS kelpo_portalkeyboard kelpo_waylandkeyboard PkgConfig::XKBCOMMON)
target_compile_definitions(tst_portalkeyboard PRIVATE FAKEPORTAL_EXE="$<TARGET_FILE:kelpo_fakeportal>")
add_dependencies(tst_portalkeyboard kelpo_fakeportal)

# Types through the desktop portal of a private headless GNOME
# (scripts/with-gnome.sh) into a separate program's native Wayland window,
# answering the portal's dialog through AT-SPI; label "wayland", run by the
# test command's real-window stage.
add_executable(tst_portal_gnome tst_portal_gnome.cpp support/TypeTarget.h)
target_link_libraries(tst_portal_gnome PRIVATE Qt6::Test kelpo_portalkeyboard kelpo_app Qt6::Widgets)
target_include_directories(tst_portal_gnome PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(tst_portal_gnome PRIVATE TYPETARGET_EXE="$<TARGET_FILE:kelpo_typetarget>"
                           ATSPI_PY="${CMAKE_CURRENT_SOURCE_DIR}/support/atspi.py")
add_dependencies(tst_portal_gnome kelpo_typetarget)
add_test(NAME tst_portal_gnome COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-gnome.sh $<TARGET_FILE:tst_portal_gnome>)
set_tests_properties(tst_portal_gnome PROPERTIES LABELS wayland TIMEOUT 180)
