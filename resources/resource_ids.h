// Numbers shared by the resource script and the code. Plain #defines so the
// resource compiler can read this file too.
#pragma once

#define IDR_MAINMENU 101
#define IDR_ACCELERATORS 102
#define IDI_MAINICON 103
#define IDD_PORT 104
#define IDD_BAUDRATE 105

#define IDS_OPEN_FAILED 1
#define IDS_SEND_FAILED 2
#define IDS_PORT_OPENED 3
#define IDS_ABOUT 4
#define IDS_TEXT_COLOR_TITLE 8
#define IDS_BACK_COLOR_TITLE 9
#define IDS_COPY_ALL 10
#define IDS_DUPLICATE_SERVICE 11
#define IDS_LOG_FILTER 12
#define IDS_LOG_EXTENSION 13
#define IDS_PORT_WAITING 14
#define IDS_SETTINGS_NOT_SAVED 15

#define IDC_CHOICE_FIRST 1000
#define IDC_OTHER_PORTS 1010

#define IDM_DUPLICATE_NOTICE 39990
#define IDM_CONNECT 40016
#define IDM_OPEN_LOG 40032
#define IDM_ABOUT 40048
#define IDM_EXIT 40064
#define IDM_FONT 40080
#define IDM_TEXT_COLOR 40096
#define IDM_BACK_COLOR 40112
#define IDM_LOCAL_ECHO 40128
#define IDM_WRITE_LOG 40144
#define IDM_HIDE_INPUT 40160
#define IDM_IMS_LINK 40176
#define IDM_COPY_ALL 40192
#define IDM_ENABLE_UNDO 40208
