// Ids of dialog 101 and its controls; shared by the resource script and the code.
#pragma once

#define IDD_PREFERENCES 101
#define IDC_FOOTER 1001
#define IDC_HEADER 1002
#define IDC_FORMAT 1003
#define IDC_AUTOCRLF 1004
#define IDC_LOAD_CONFIG 1006
#define IDC_SAVE_CONFIG 1007
#define IDC_RESET_CONFIG 1008
