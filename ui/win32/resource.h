#pragma once

// Identifiers shared by tolvane.rc and the Win32 window.

#define IDI_TOLVANE 1
#define IDR_MAIN_MENU 100
#define IDD_INPUT_BOX 200

// The menu entries.
#define IDM_FUNCTION_MAKE 1001
#define IDM_FUNCTION_ABOUT 1002
#define IDM_FUNCTION_EXIT 1003
#define IDM_SETUP_NAME 1101
#define IDM_SETUP_COMMENT 1102
#define IDM_SETUP_FILTER 1103

// The input box's prompt and answer.
#define IDC_INPUT_PROMPT 201
#define IDC_INPUT_TEXT 202

// The main window's controls.
#define IDC_RESULT_FRAME 300
#define IDC_RESULT_DRIVE 301
#define IDC_RESULT_DIR 302
#define IDC_RESULT_FILE 303
#define IDC_PROGRESS_LABEL 304
#define IDC_COMMENT_CHECK 305
#define IDC_RECURSE_CHECK 306
#define IDC_FILTER_CHECK 307
#define IDC_MAKE_BUTTON 308
