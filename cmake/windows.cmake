# The product, its test fixtures and the Windows unit tests, all run under Wine.
enable_language(RC)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-run)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# Small and self-contained: only Windows system DLLs are imported.
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-static -Wl,--gc-sections -s)

# The events' message table: event_messages.mc compiled by windmc into a resource script, its
# binary and the header of the event ids.
find_program(QELT_WINDMC x86_64-w64-mingw32-windmc REQUIRED)
set(QELT_EVENTS_DIR ${CMAKE_BINARY_DIR}/events)
set(QELT_EVENT_MESSAGES ${QELT_EVENTS_DIR}/event_messages.h ${QELT_EVENTS_DIR}/event_messages.rc
    ${QELT_EVENTS_DIR}/MSG00409.bin)
add_custom_command(OUTPUT ${QELT_EVENT_MESSAGES}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QELT_EVENTS_DIR}
    COMMAND ${QELT_WINDMC} -h ${QELT_EVENTS_DIR} -r ${QELT_EVENTS_DIR} ${CMAKE_SOURCE_DIR}/src/events/event_messages.mc
    DEPENDS src/events/event_messages.mc
    VERBATIM)
add_custom_target(qelt_event_messages DEPENDS ${QELT_EVENT_MESSAGES})

set(QELT_WINDOWS_SOURCES
    src/common/global_objects.cpp
    src/common/launch_hidden.cpp
    src/common/module_path.cpp
    src/common/process_list.cpp
    src/common/same_path.cpp
    src/events/event_report.cpp
    src/events/event_source.cpp
    src/events/summary_report.cpp
    src/hotfix/apply_hotfix.cpp
    src/hotfix/descriptor_file.cpp
    src/hotfix/hotfix_objects.cpp
    src/hotfix/installer_wait.cpp
    src/hotfix/program_wait.cpp
    src/hotfix/run_and_wait.cpp
    src/hotfix/system_program.cpp
    src/log/log_file.cpp
    src/log/logger.cpp
    src/service/install_service.cpp
    src/service/restart_pace.cpp
    src/service/service_main.cpp
    src/service/service_settings.cpp
    src/service/service_state.cpp
    src/service/service_stop.cpp
    src/supervision/find_monitor_process.cpp
    src/supervision/monitor_path.cpp
    src/supervision/supervise_monitor.cpp
    src/supervision/supervisor_lock.cpp
    src/trust/exposed_folders.cpp
    src/trust/held_object.cpp
    src/trust/module_path_check.cpp
    src/trust/process_identity.cpp
    src/trust/program_trust.cpp
    src/trust/token_facts.cpp
    src/trust/trust_check.cpp
)

add_library(qelt_windows STATIC ${QELT_WINDOWS_SOURCES})
add_dependencies(qelt_windows qelt_event_messages)
target_include_directories(qelt_windows PUBLIC ${QELT_EVENTS_DIR})
target_link_libraries(qelt_windows PUBLIC qelt_portable advapi32 shell32)
target_compile_options(qelt_windows PRIVATE ${QELT_WARNINGS})

add_executable(QeltWatch WIN32 src/app/main.cpp src/app/QeltWatch.rc)
set_source_files_properties(src/app/QeltWatch.rc PROPERTIES COMPILE_DEFINITIONS
    "QELT_VERSION_MAJOR=${PROJECT_VERSION_MAJOR};QELT_VERSION_MINOR=${PROJECT_VERSION_MINOR};QELT_VERSION_PATCH=${PROJECT_VERSION_PATCH}"
    OBJECT_DEPENDS "${QELT_EVENT_MESSAGES};${CMAKE_SOURCE_DIR}/src/app/QeltWatch.manifest")
target_link_libraries(QeltWatch PRIVATE qelt_windows)
target_compile_options(QeltWatch PRIVATE ${QELT_WARNINGS})

# The custom actions that the installer package carries (packaging/QeltWatch.wxs).
add_subdirectory(packaging)
# The service-manager helper of the system tests, bench and soak.
add_subdirectory(tools)
