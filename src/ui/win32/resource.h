// Identifiers of the program's resources and dialog controls, shared by the
// resource script and the code.
#pragma once

#define IDR_MAINFRAME 128
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_QUARVELIN_DIALOG 102
#define IDD_MESDLG 129

#define IDM_ABOUTBOX 0x0010

#define IDC_START 1000
#define IDC_PROGRESS 1001
#define IDC_DONE_COUNT 1002
#define IDC_TOTAL_POINTS 1003
#define IDC_TRIANGLE_COUNT 1004
#define IDC_MAX_EDGE 1005
#define IDC_BUILD_TIME 1005
#define IDC_TOTAL_COUNT 1006
#define IDC_BUILD_SPEED 1006
#define IDC_STATUS 1007
#define IDC_CONTOURS 1008
#define IDC_TOTAL_CAPTION 1009
#define IDC_DONE_CAPTION 1010
#define IDC_WRITE_SJW 1011

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
