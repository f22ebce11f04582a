// Ids of the uninstaller's resources, shared by its resource script and the code. Plain macros:
// the resource compiler reads this file through the C preprocessor only.
#pragma once

#define IDI_UNINSTALLER 1
#define IDD_UNINSTALL_CONFIRM 100
#define IDC_CONFIRM_FOLDER 1001
#define IDC_PURGE_SETTINGS 1002
#define IDC_SETTINGS_FILES 1003

// The string table (uninstall/uninstall_strings.inc holds the texts).
#define IDS_UNINSTALL_CAPTION 1
#define IDS_UNINSTALL_VIEWER_RUNNING 2
#define IDS_UNINSTALL_REMOVED 3
#define IDS_UNINSTALL_INCOMPLETE 4
#define IDS_UNINSTALL_NOT_REMOVED 5
#define IDS_UNINSTALL_LOG_NOTE 6
#define IDS_UNINSTALL_NO_SETTINGS 7
#define IDS_UNINSTALL_NO_CONFIRMATION 8
#define IDS_UNINSTALL_SETTINGS_IN_USE 9
#define IDS_UNINSTALL_NOT_THE_COPY 10
