// Resource identifiers, shared by velmora.rc and the program.
#pragma once

// The platform names a cursor IDC_HELP; here it is the help button.
#include <windows.h>
#undef IDC_HELP

// Dialogs
#define IDD_CONTROL 103
#define IDD_ABOUT 131
#define IDD_IMAGE 132
#define IDD_HELP 133

// Menu and accelerator table
#define IDR_MAINMENU 109

// Icon
#define IDI_VELMORA 130

// Strings
#define IDS_APP_NAME 103
#define IDS_VERSION 110
#define IDS_NOISE_OFF 114
#define IDS_NOISE_ON 115
#define IDS_THIN 116
#define IDS_THICK 117
#define IDS_NOTICE 111
#define IDS_HELP_STEPS 118
#define IDS_HELP_OPTIONS 119
#define IDS_SETTINGS_FILE 120
#define IDS_SOFTWARE_ID 121
#define IDS_COPYRIGHT 122
#define IDS_HELP_FEATURES 123
#define IDS_STYLE_EDGES 124
#define IDS_STYLE_INK 125
#define IDS_STYLE_PHOTO 126

// Control window (IDD_CONTROL), in tab order
#define IDC_OPEN 1006
#define IDC_SAVE 1000
#define IDC_EXECUTE 1002
#define IDC_HELP 1001
#define IDC_STYLE 1012
#define IDC_NOISE 1003
#define IDC_THICKNESS 1004
#define IDC_CONTRAST 1005
#define IDC_STYLE_LABEL 1013
#define IDC_NOISE_LABEL 1009
#define IDC_THICKNESS_LABEL 1010
#define IDC_CONTRAST_LABEL 1011
#define IDC_ZOOM_OUT 1019
#define IDC_ZOOM_IN 1020

// Help dialog (IDD_HELP)
#define IDC_HELP_TEXT 1008
#define IDC_HELP_CLOSE 1015
#define IDC_HELP_STEPS 1016
#define IDC_HELP_FEATURES 1017
#define IDC_HELP_OPTIONS 1018

// Version box (IDD_ABOUT)
#define IDC_ABOUT_NOTICE 1008
#define IDC_ABOUT_TITLE 1018
#define IDC_ABOUT_COPYRIGHT 1019
#define IDC_ABOUT_VERSION 1020

// Menu commands; shortcuts from the accelerator table beside them
#define IDM_ABOUT 104        // Alt+"/", Alt+"?"
#define IDM_EXIT 105
#define IDM_OPEN 32771
#define IDM_SAVE 32772
#define IDM_HELP 32773
#define IDM_COPY 32774       // Ctrl+C
#define IDM_PASTE 32775      // Ctrl+V
#define IDM_ZOOM_IN 32776    // Ctrl++ (main keyboard and numeric pad)
#define IDM_ZOOM_OUT 32777   // Ctrl+- (main keyboard and numeric pad)
#define IDM_UNDO 32779       // Ctrl+Z
#define IDM_REDO 32780       // Ctrl+Y
#define IDM_AUTO 32781
