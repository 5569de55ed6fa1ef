# A Qt plugin for another interface, which the workbench must refuse.
add_library(tst_fakeplugin MODULE fakeplugin/fakeplugin.cpp)
target_link_libraries(tst_fakeplugin PRIVATE Qt5::Core project_options)
set_target_properties(tst_fakeplugin PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/fakeplugin)

add_qt_test(tst_workbench SOURCES tst_workbench.cpp LIBRARIES workbench_core)
target_compile_definitions(tst_workbench PRIVATE
    WORKBENCH_EXE="$<TARGET_FILE:workbench>"
    WORKBENCH_VERSION="${PROJECT_VERSION}"
    TOOL_PLUGIN="$<TARGET_FILE:tools_generic_stepper_position_mode>"
    FAKE_PLUGIN="$<TARGET_FILE:tst_fakeplugin>")
add_dependencies(tst_workbench workbench tools_generic_stepper_position_mode tst_fakeplugin)

add_qt_test(tst_motionrecorder SOURCES tst_motionrecorder.cpp LIBRARIES workbench_core)
target_compile_definitions(tst_motionrecorder PRIVATE
    TOOL_PLUGIN="$<TARGET_FILE:tools_generic_stepper_position_mode>")
add_dependencies(tst_motionrecorder tools_generic_stepper_position_mode)

add_qt_test(tst_settingsfile SOURCES tst_settingsfile.cpp LIBRARIES workbench_core)
target_compile_definitions(tst_settingsfile PRIVATE
    WORKBENCH_EXE="$<TARGET_FILE:workbench>"
    TOOL_PLUGIN="$<TARGET_FILE:tools_generic_stepper_position_mode>")
add_dependencies(tst_settingsfile workbench tools_generic_stepper_position_mode)
