#pragma once
// Resource identifiers shared by Tarvo.rc and the code.

#define IDI_TARVO 1
#define IDR_MAINMENU 100
#define IDR_ACCELERATORS 101
#define IDD_ABOUT 200

#define IDM_EXIT 1001
#define IDM_ABOUT 1002
#define IDC_START 1101
#define IDC_STOP 1102
#define IDC_EXIT 1103

#define IDC_ABOUT_PANEL 201
#define IDC_ABOUT_ICON 202
#define IDC_ABOUT_PRODUCT 203
#define IDC_ABOUT_VERSION 204
#define IDC_ABOUT_MAKER 205
#define IDC_ABOUT_COMMENTS 206
