#pragma once

// The package file: the program image, the package INF, then data.cab to the end.
// Nothing in the file records these lengths; the build pads the image to the first.
#define PACKAGE_IMAGE_SIZE 57344
#define PACKAGE_INF_SIZE 2518
#define PACKAGE_CABINET_OFFSET (PACKAGE_IMAGE_SIZE + PACKAGE_INF_SIZE)

#define CABINET_FILE_NAME "data.cab"
#define UNINSTALLER_FILE_NAME "uninst.exe"
#define INF_FILE_NAME "install.inf"

// The INF directory id that stands for the destination folder.
#define DESTINATION_DIRID 32769
