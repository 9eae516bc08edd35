# Builds the package file in dist/ with tools/packaging/make_package.py: the sample
# application by default, or a release's own files named by the cache variables.
set(VELMORA_PAYLOAD_DIR "" CACHE PATH
    "Package this folder's files in place of the sample application (a flat folder)")
set(VELMORA_DISPLAY_NAME "" CACHE STRING
    "With VELMORA_PAYLOAD_DIR: the name in the list of installed programs")
set(VELMORA_SHORTCUTS "" CACHE STRING
    "With VELMORA_PAYLOAD_DIR: the Start-menu items, TITLE=FILE;TITLE=FILE...")
set(VELMORA_SETTINGS_KEY "" CACHE STRING
    "With VELMORA_PAYLOAD_DIR: the key below HKEY_CURRENT_USER that uninstall removes (none if empty)")

set(VELMORA_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
set(VELMORA_IMAGE_PADDED ${VELMORA_PACKAGE_DIR}/uninst.exe)
set(VELMORA_INF_FILE ${VELMORA_PACKAGE_DIR}/install.inf)
set(VELMORA_CABINET_FILE ${VELMORA_PACKAGE_DIR}/data.cab)
set(VELMORA_PACKAGE_FILE ${VELMORA_DIST_DIR}/${VELMORA_PACKAGE_NAME})
set(packagingTools
    ${CMAKE_SOURCE_DIR}/tools/packaging/make_package.py ${CMAKE_SOURCE_DIR}/tools/packaging/names.py
    ${CMAKE_SOURCE_DIR}/tools/packaging/package_inf.py ${CMAKE_SOURCE_DIR}/tools/packaging/write_cabinet.py)

if(VELMORA_PAYLOAD_DIR)
    if(NOT VELMORA_DISPLAY_NAME)
        message(FATAL_ERROR "VELMORA_PAYLOAD_DIR needs VELMORA_DISPLAY_NAME, the name of the release")
    endif()
    set(VELMORA_PAYLOAD ${VELMORA_PAYLOAD_DIR})
    file(GLOB payloadInputs CONFIGURE_DEPENDS ${VELMORA_PAYLOAD_DIR}/*)
    set(displayName ${VELMORA_DISPLAY_NAME})
    set(shortcuts ${VELMORA_SHORTCUTS})
    set(settingsKey ${VELMORA_SETTINGS_KEY})
else()
    # The sample application: its files, name, Start-menu items and settings key.
    set(sampleFiles
        $<TARGET_FILE:velmora_app>
        ${CMAKE_SOURCE_DIR}/app/readme.txt
        ${CMAKE_SOURCE_DIR}/app/license.txt)
    set(displayName "Karvenko's Velmora for Win32 1.0")
    set(shortcuts "Velmora=velmora.exe" "Velmora Readme=readme.txt")
    set(settingsKey "Software\\Karvenko\\Velmora")

    # Staged afresh, so that the folder holds exactly these files.
    set(VELMORA_PAYLOAD ${VELMORA_PACKAGE_DIR}/payload)
    set(payloadInputs ${VELMORA_PACKAGE_DIR}/payload.stamp)
    add_custom_command(OUTPUT ${payloadInputs}
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${VELMORA_PAYLOAD}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMORA_PAYLOAD}
        COMMAND ${CMAKE_COMMAND} -E copy ${sampleFiles} ${VELMORA_PAYLOAD}
        COMMAND ${CMAKE_COMMAND} -E touch ${payloadInputs}
        DEPENDS ${sampleFiles}
        COMMENT "Staging the sample application")
endif()

set(releaseOptions --display-name ${displayName})
foreach(shortcut IN LISTS shortcuts)
    list(APPEND releaseOptions --shortcut ${shortcut})
endforeach()
if(settingsKey)
    list(APPEND releaseOptions --settings-key ${settingsKey})
endif()

add_custom_command(OUTPUT ${VELMORA_PACKAGE_FILE} ${VELMORA_IMAGE_PADDED} ${VELMORA_INF_FILE} ${VELMORA_CABINET_FILE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMORA_DIST_DIR} ${VELMORA_PACKAGE_DIR}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/packaging/make_package.py
            --image $<TARGET_FILE:velmora_setup> --payload ${VELMORA_PAYLOAD}
            --output ${VELMORA_PACKAGE_FILE} --pieces ${VELMORA_PACKAGE_DIR} ${releaseOptions}
    DEPENDS velmora_setup ${payloadInputs} ${packagingTools}
    COMMENT "Packing ${VELMORA_PACKAGE_NAME}"
    VERBATIM)

# Both targets share the dist folder; each rewrites the one list of every package there.
set(VELMORA_SUMS_FILE ${VELMORA_DIST_DIR}/SHA256SUMS)
add_custom_command(OUTPUT ${VELMORA_SUMS_FILE}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/packaging/write_sums.py ${VELMORA_DIST_DIR}
    DEPENDS ${VELMORA_PACKAGE_FILE} ${CMAKE_SOURCE_DIR}/tools/packaging/write_sums.py
    COMMENT "Writing SHA256SUMS")

add_custom_target(velmora_package ALL DEPENDS ${VELMORA_PACKAGE_FILE} ${VELMORA_SUMS_FILE})
