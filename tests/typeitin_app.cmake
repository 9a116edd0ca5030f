# Type It In on the main window: the Variables tab, the Type button with the
# editor window and the player.
kelpo_test(tst_variables LABEL unit SOURCES tst_variables.cpp support/MainFixture.h support/ScriptedTii.h LIBS kelpo_app)
kelpo_test(tst_typeitin_main LABEL unit SOURCES tst_typeitin_main.cpp support/MainFixture.h support/ScriptedTii.h
           support/RecordingKeyboard.h LIBS kelpo_app)

# The real program typing into a separate target program in a real X server.
kelpo_test(tst_kelpo_type_x11 LABEL x11 SOURCES tst_kelpo_type_x11.cpp LIBS kelpo_store Qt6::Gui)
target_compile_definitions(tst_kelpo_type_x11 PRIVATE KELPO_EXE="$<TARGET_FILE:kelpo>"
                           TYPETARGET_EXE="$<TARGET_FILE:kelpo_typetarget>")
add_dependencies(tst_kelpo_type_x11 kelpo kelpo_typetarget)

# The real program as a native Wayland client typing into a separate
# program's window under a private headless sway (label wayland).
add_executable(tst_kelpo_type_wayland tst_kelpo_type_wayland.cpp support/KelpoTypeRun.h support/Sway.h
               support/VirtualPointer.cpp support/VirtualPointer.h)
kelpo_wayland_protocol(tst_kelpo_type_wayland ${CMAKE_CURRENT_SOURCE_DIR}/protocols/wlr-virtual-pointer-unstable-v1.xml)
target_link_libraries(tst_kelpo_type_wayland PRIVATE Qt6::Test kelpo_store Qt6::Gui PkgConfig::WAYLAND_CLIENT)
target_include_directories(tst_kelpo_type_wayland PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(tst_kelpo_type_wayland PRIVATE KELPO_EXE="$<TARGET_FILE:kelpo>"
                           TYPETARGET_EXE="$<TARGET_FILE:kelpo_typetarget>" KELPO_APP_ID="${KELPO_APP_ID}")
add_dependencies(tst_kelpo_type_wayland kelpo kelpo_typetarget)
add_test(NAME tst_kelpo_type_wayland
         COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-sway.sh $<TARGET_FILE:tst_kelpo_type_wayland>)
set_tests_properties(tst_kelpo_type_wayland PROPERTIES LABELS wayland TIMEOUT 120)

# The real program typing through the desktop portal of a private headless
# GNOME (label wayland), its Type button and the portal's dialog pressed
# through AT-SPI.
add_executable(tst_kelpo_type_gnome tst_kelpo_type_gnome.cpp support/KelpoTypeRun.h support/TypeTarget.h)
target_link_libraries(tst_kelpo_type_gnome PRIVATE Qt6::Test kelpo_store Qt6::Gui)
target_include_directories(tst_kelpo_type_gnome PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(tst_kelpo_type_gnome PRIVATE KELPO_EXE="$<TARGET_FILE:kelpo>"
                           TYPETARGET_EXE="$<TARGET_FILE:kelpo_typetarget>"
                           ATSPI_PY="${CMAKE_CURRENT_SOURCE_DIR}/support/atspi.py")
add_dependencies(tst_kelpo_type_gnome kelpo kelpo_typetarget)
add_test(NAME tst_kelpo_type_gnome
         COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-gnome.sh $<TARGET_FILE:tst_kelpo_type_gnome>)
set_tests_properties(tst_kelpo_type_gnome PROPERTIES LABELS wayland TIMEOUT 180)
