# Builds the package file in dist/: padded image, package INF and data.cab.
set(VELMORA_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
set(VELMORA_IMAGE_PADDED ${VELMORA_PACKAGE_DIR}/uninst.exe)
set(VELMORA_INF_FILE ${VELMORA_PACKAGE_DIR}/install.inf)
set(VELMORA_CABINET_FILE ${VELMORA_PACKAGE_DIR}/data.cab)
set(VELMORA_PACKAGE_FILE ${VELMORA_DIST_DIR}/${VELMORA_PACKAGE_NAME})

set(VELMORA_APP_FILES
    $<TARGET_FILE:velmora_app>
    ${CMAKE_SOURCE_DIR}/app/readme.txt
    ${CMAKE_SOURCE_DIR}/app/license.txt)

add_custom_command(OUTPUT ${VELMORA_INF_FILE}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/make_inf.py
            ${CMAKE_SOURCE_DIR}/package/package.inf.in ${VELMORA_INF_FILE} --size ${VELMORA_INF_SIZE}
    DEPENDS ${CMAKE_SOURCE_DIR}/package/package.inf.in ${CMAKE_SOURCE_DIR}/tools/make_inf.py
    COMMENT "Making the package INF")

add_custom_command(OUTPUT ${VELMORA_CABINET_FILE}
    COMMAND ${CMAKE_SOURCE_DIR}/tools/make_cab.sh ${VELMORA_CABINET_FILE} ${VELMORA_APP_FILES}
    DEPENDS ${VELMORA_APP_FILES} ${CMAKE_SOURCE_DIR}/tools/make_cab.sh
    COMMENT "Making data.cab")

add_custom_command(OUTPUT ${VELMORA_PACKAGE_FILE} ${VELMORA_IMAGE_PADDED}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMORA_DIST_DIR}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/pack.py
            --image $<TARGET_FILE:velmora_setup> --inf ${VELMORA_INF_FILE}
            --cabinet ${VELMORA_CABINET_FILE}
            --image-size ${VELMORA_IMAGE_SIZE} --inf-size ${VELMORA_INF_SIZE}
            --padded-image ${VELMORA_IMAGE_PADDED} --output ${VELMORA_PACKAGE_FILE}
    DEPENDS velmora_setup ${VELMORA_INF_FILE} ${VELMORA_CABINET_FILE} ${CMAKE_SOURCE_DIR}/tools/pack.py
    COMMENT "Packing ${VELMORA_PACKAGE_NAME}")

# Both targets share the dist folder; each rewrites the one list of every package there.
set(VELMORA_SUMS_FILE ${VELMORA_DIST_DIR}/SHA256SUMS)
add_custom_command(OUTPUT ${VELMORA_SUMS_FILE}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/write_sums.py ${VELMORA_DIST_DIR}
    DEPENDS ${VELMORA_PACKAGE_FILE} ${CMAKE_SOURCE_DIR}/tools/write_sums.py
    COMMENT "Writing SHA256SUMS")

add_custom_target(velmora_package ALL DEPENDS ${VELMORA_PACKAGE_FILE} ${VELMORA_SUMS_FILE})
