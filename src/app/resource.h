#pragma once
// Identifiers of the collector's resources (collector.rc) and of its menu
// commands. Plain macros: the resource compiler reads this file too. The
// numbers are fixed; other programs find the window by the class name that
// string 109 holds.

// Strings: the window title and the window class name.
#define IDS_APP_TITLE 103
#define IDS_WINDOW_CLASS 109

// Icon groups: the class icon (also shown in the About box) and the small one.
#define IDI_COLLECTOR 107
#define IDI_COLLECTOR_SMALL 108

// The class menu and the accelerator table share one number.
#define IDR_MAIN_MENU 109
#define IDR_ACCELERATORS 109

// The About box.
#define IDD_ABOUTBOX 103

// Menu and accelerator commands.
#define IDM_ABOUT 104
#define IDM_EXIT 105
