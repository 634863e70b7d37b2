// Resource and command identifiers of the viewer.
#pragma once

// String table
#define IDS_APP_TITLE 1
#define IDS_APP_CLASS 3
#define IDS_VERSION 40117
#define IDS_ABOUT_TEXT 50

// Icons
#define IDI_APP 101
#define IDI_TYPE_BMP 200
#define IDI_TYPE_GIF 201
#define IDI_TYPE_JPEG 202
#define IDI_TYPE_PNG 203
#define IDI_TYPE_OTHER 204
#define IDI_TYPE_WEBP 205
#define IDI_TYPE_HEIF 206
#define IDI_TYPE_AVIF 207

// Dialogs
#define IDD_SCREEN_CAP 188
#define IDD_CAPTURE_NOTICE 189
#define IDD_FILE_INFO 154
#define IDD_OPTIONS_START 132
#define IDD_OPTIONS_ETC 134
#define IDD_OPTIONS_KEY 135
#define IDD_SELECT_FOLDER 197

// Controls
#define IDC_ABOUT_VERSION 1010
#define IDC_ABOUT_TEXT 1011
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
#define IDC_AFTER_10_SEC 1097
// The file information dialog's lines
#define IDC_INFO_NAME 1050
#define IDC_INFO_FORMAT 1051
#define IDC_INFO_SIZE 1052
#define IDC_INFO_DIMENSIONS 1053
#define IDC_INFO_COLORS 1054
#define IDC_INFO_DATE 1056
#define IDC_INFO_TIME 1061
#define IDC_INFO_TAKEN 1062 // shown only for a camera photo
#define IDC_INFO_CAMERA 1063
// The folder selection dialog
#define IDC_FOLDER_PATH 1045
#define IDC_FOLDER_UP 1046
#define IDC_FOLDER_TITLE 1094
#define IDC_FOLDER_LIST 1096

// Options sheet: "Start" page
#define IDC_START_BROWSER 1014
#define IDC_START_VIEWER 1015
#define IDC_VIEW_POSITION 1092
// "Key" page
#define IDC_KEY1 1048
#define IDC_KEY2 1049
#define IDC_KEY3 1031
#define IDC_KEY4 1033
#define IDC_KEY5 1034
#define IDC_KEY_DEFAULT 1059
// "Etc" page
#define IDC_SLIDE_EFFECT 1029
#define IDC_SLIDE_TIME 1041
#define IDC_SLIDE_SPIN 1042
#define IDC_SLIDE_FORWARD 1068
#define IDC_SLIDE_BACKWARD 1069
#define IDC_CAPTURE_FOLDER 1093
#define IDC_CAPTURE_BROWSE 1094
#define IDC_SLIDE_LOOP 1095
#define IDC_ZOOM_QUALITY 1100
#define IDC_AUTO_ROTATE 1101
#define IDC_COLOR_MANAGE 1102

// Accelerator table
#define IDR_ACCELERATORS 3

// Full-screen buttons on the main window
#define IDC_FS_LEAVE 1001
#define IDC_FS_ZOOM_IN 1005
#define IDC_FS_ZOOM_OUT 1006
#define IDC_FS_FIT 1008

// Commands
#define IDC_CLOSE_ALT 1002
#define IDM_CTRL_A 40003
#define IDM_OPEN_ALT 40007
#define IDM_FILE_EXIT 40012

// Menus and menu bars: each bar's text buttons drop down the pop-ups of the
// menu with the bar's own number.
#define IDR_MENUBAR_REPORT 102
#define IDR_MENUBAR_THUMBS 156
#define IDR_MENUBAR_SMALL 157
#define IDR_MENUBAR_VIEWER 149
#define IDR_MENUBAR_VIEWER_SHOW 167
#define IDR_MENUBAR_VIEWER_FIT 168
#define IDR_MENUBAR_VIEWER_FIT_SHOW 169
#define IDR_MENUBAR_OPTIONS 214

// Text buttons of the menu bars: each button's command names its pop-up,
// and the string of the same number is its label.
#define IDM_FILE_POPUP 40057
#define IDM_TOOL_POPUP 40058
#define IDM_OPTIONS_BLANK 40127

// Bitmaps: 16 x 16 menu-bar images
#define IDB_ZOOM_IN 116
#define IDB_ZOOM_OUT 117
#define IDB_OPEN 150
#define IDB_INFORMATION 151
#define IDB_DELETE 153
#define IDB_LIST_VIEW 158
#define IDB_THUMBNAIL_VIEW 159
#define IDB_SMALL_LIST_VIEW 160
#define IDB_ORIGINAL_SIZE 162
#define IDB_SLIDESHOW_START 163
#define IDB_SLIDESHOW_STOP 164
#define IDB_NEXT 165
#define IDB_PREVIOUS 166
#define IDB_REFRESH 179
#define IDB_FILE_INFO 178 // 168 x 16 title band of the file information dialog
#define IDB_FIT_TO_SCREEN 196
// Image strips, magenta transparent
#define IDB_SPLITTER_BUTTONS 148   // three 11 x 6: middle, close tree, lowest
#define IDB_FULLSCREEN_BUTTONS 175 // five 12 x 12: zoom out, zoom in, fit, original size, leave
#define IDB_FOLDER_DIALOG 198      // two 16 x 16: folder, parent folder
#define IDB_FOLDER_TREE 199        // one 16 x 16: folder
#define IDB_THUMB_PENDING 136      // 11 x 8: a thumbnail still to come
#define IDB_THUMB_FAILED 205       // 32 x 32: a picture that could not be decoded

// Commands
#define IDM_DELETE_THUMBNAIL 40122
#define IDM_SCREEN_CAPTURE 40118
#define IDM_OPTION 40066
#define IDM_ABOUT 40015
#define IDM_REFRESH_VIEW 40095
#define IDM_FULL_SCREEN 40041
#define IDM_ROTATE_RIGHT 40073
#define IDM_ROTATE_LEFT 40074
#define IDM_FLIP_HORIZONTAL 40071
#define IDM_FLIP_VERTICAL 40072
#define IDM_LANDSCAPE 40065
#define IDM_TITLE_BAR 40070
#define IDM_FIT_TO_SCREEN 40040
#define IDM_FIT_TO_SCREEN_ON 40061
#define IDM_ORIGINAL_SIZE 40092
#define IDM_INFORMATION 40076
#define IDM_LIST_VIEW 40080
#define IDM_DELETE 40081
#define IDM_THUMBNAIL_VIEW 40082
#define IDM_NEXT 40084
#define IDM_SMALL_LIST_VIEW 40085
#define IDM_SLIDESHOW_START 40086
#define IDM_PREVIOUS 40087
#define IDM_OPEN 40088
#define IDM_ZOOM_IN 40089
#define IDM_ZOOM_OUT 40090
#define IDM_SLIDESHOW_STOP 40093
#define IDM_REFRESH_FOLDER 40111
#define IDM_PREVIOUS_ALT 40026
#define IDM_NEXT_ALT 40027
#define IDM_ZOOM_IN_ALT 40037
#define IDM_ZOOM_OUT_ALT 40038

// A screen capture that could not be saved
#define IDS_CAPTURE_NOT_SAVED 60
#define IDS_CAPTURE_CAPTION 61

// A file that Delete could not remove
#define IDS_DELETE_FAILED 62
