kelpo_test(tst_web LABEL unit SOURCES tst_web.cpp LIBS kelpo_web)
kelpo_test(tst_drop LABEL unit SOURCES tst_drop.cpp support/MainFixture.h LIBS kelpo_app)
# A real drag from another program onto the real program's window.
add_executable(dragsource dragsource.cpp)
target_link_libraries(dragsource PRIVATE Qt6::Widgets)
kelpo_test(tst_drop_x11 LABEL x11 SOURCES tst_drop_x11.cpp support/KelpoX11.h LIBS Qt6::Core)
target_compile_definitions(tst_drop_x11 PRIVATE KELPO_EXE="$<TARGET_FILE:kelpo>" DRAG_SOURCE="$<TARGET_FILE:dragsource>")
add_dependencies(tst_drop_x11 kelpo dragsource)
