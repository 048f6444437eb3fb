// Resource and control ids of the product (dialogs, icon, bitmaps). Shared by the .rc files and the code.
#pragma once

#define IDR_MAINFRAME          128  // the program's icon

#define IDD_MAIN               141  // main window
#define IDD_MESSAGE            142  // message dialog

#define IDB_MSG_INFORMATION    152  // message dialog icons, 42 x 40, 24 bits
#define IDB_MSG_QUESTION       153
#define IDB_MSG_EXCLAMATION    154
#define IDB_MSG_HAND           155
#define IDB_SKIN               156  // main window skin, 527 x 338, 256 colours

// Main window controls.
#define IDC_MAIN_OK            1070
#define IDC_MAIN_CANCEL        2
#define IDC_SCAN               1052
#define IDC_DOWNLOAD           1053
#define IDC_CLOSEBOX           1054
#define IDC_RESULT_LIST        1055
#define IDC_STATUS_FRAME       1064
#define IDC_CURRENT_FILE       1065
#define IDC_FAMILY_LABEL       1068
#define IDC_NOTICE_LINE        1072
#define IDC_TITLE_LINE         1074
#define IDC_PRODUCT_LINE       1075
#define IDC_SEARCHING_LINE     1076
#define IDC_DOWNLOAD_LINK      1077
#define IDC_UTILITY_LINK       1080
#define IDC_LOGO               1085
#define IDC_LIST_FRAME         1034

// Message dialog controls.
#define IDC_MSG_OK             1
#define IDC_MSG_CANCEL         2
#define IDC_MSG_SINGLE_OK      3
#define IDC_MSG_YES            6
#define IDC_MSG_NO             7
#define IDC_MSG_ICON           1085
#define IDC_MSG_TEXT           1086
