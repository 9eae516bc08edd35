#pragma once

// Message catalogue: string table block 1, in German and English.
#define IDS_CONFIRM_INSTALL 1
#define IDS_COPY_FAILED 2
#define IDS_INSTALL_FAILED 4
#define IDS_INSTALL_DONE 5
#define IDS_FOLDER_MISSING 6
#define IDS_FOLDER_INVALID 7
#define IDS_FOLDER_NOT_CREATED 8
#define IDS_SELECT_FOLDER 9

#define IDI_SETUP 128
