// Ids of the setup's resources and dialog controls, shared by the resource script and the code.
// Plain macros: the resource compiler reads this file through the C preprocessor only.
#pragma once

// Wizard pages, in the order the sheet shows them: 101, 108, 104, 109, 110.
#define IDD_WELCOME 101
#define IDD_ASSOCIATIONS 104
#define IDD_WHATS_NEW 108
#define IDD_READY 109
#define IDD_FINISHED 110

#define IDI_SETUP 111
#define IDB_LOGO 113
// Custom-type resources: "TXT" 217, "ZIP" 1974 and the setup's check record "SETUPCRC" 1.
#define IDR_SETUP_CHECK 1
#define IDR_RELEASE_NOTES 217
#define IDR_PAYLOAD 1974

// The string table (res/string_table.inc holds the texts).
#define IDS_EXIT 1
#define IDS_DONE 2
#define IDS_EXIT_SETUP 3
#define IDS_INVALID_DESTINATION 5
#define IDS_DESTINATION_DIRECTORY 6
#define IDS_CANNOT_INSTALL_FILES 7
#define IDS_INSTALLATION_FOLDER 8
#define IDS_ASSOCIATION_QUESTION 9
#define IDS_VIEWER_RUNNING 10
#define IDS_CANNOT_CREATE_DESTINATION 11
#define IDS_SETUP_DAMAGED 12
#define IDS_INVALID_INI_FOLDER 13
#define IDS_CANNOT_WRITE_SETTINGS 14

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Welcome page (101).
#define IDC_DESTINATION_FOLDER 1000
#define IDC_BROWSE 1009
#define IDC_DESKTOP_SHORTCUT 1011
#define IDC_START_MENU_SHORTCUT 1012
#define IDC_WELCOME_TITLE 1013
#define IDC_CURRENT_USER 1016
#define IDC_ALL_USERS 1017
#define IDC_UNCHECK_ALL 1019
#define IDC_THUMBNAILS_SHORTCUT 1021
#define IDC_EULA_LINK 1045
#define IDC_VERSION_LINE 1056

// Associations page (104).
#define IDC_ASSOC_ALL_USERS 1037
#define IDC_SELECT_ALL 1080
#define IDC_SELECT_NONE 1081
#define IDC_IMAGES_ONLY 1091
#define IDC_FORMAT_LIST 1579
#define IDC_REGISTRY_ASSOC 3311

// What's-new page (108).
#define IDC_RELEASE_NOTES 1000

// Ready page (109).
#define IDC_DESTINATION_LINE 1010
#define IDC_READY_TITLE 1014
#define IDC_INI_IN_PROGRAM_FOLDER 1038
#define IDC_INI_IN_APPDATA 1039
#define IDC_INI_CUSTOM 1040
#define IDC_INI_CUSTOM_FOLDER 1000
#define IDC_INI_BROWSE 1042
#define IDC_INSTALLING 1044

// Finished page (110).
#define IDC_FINISHED_TITLE 1015
#define IDC_START_VIEWER 1020
#define IDC_OPEN_FAQ 1022
