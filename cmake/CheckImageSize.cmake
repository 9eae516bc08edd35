# cmake -DIMAGE=path -DLIMIT=bytes -P CheckImageSize.cmake
file(SIZE ${IMAGE} size)
if(size GREATER LIMIT)
    message(FATAL_ERROR "${IMAGE} is ${size} bytes, over the ${LIMIT}-byte budget of the package image")
endif()
message(STATUS "${IMAGE}: ${size} of ${LIMIT} bytes")
