// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDS_TITLE 101
#define IDI_PROGRAM 105
#define IDI_SMALL 106
#define IDS_PROGRAM_NAME 107

// The main menu shares its number with IDS_PROGRAM_NAME; resource types
// keep separate name spaces.
#define IDR_MENU 107

// Menu commands.
#define IDM_EXIT 104
#define IDM_LANG 32771
#define IDM_VERSION 32772
#define IDM_TYPE 32773
#define IDM_OPTION 32774
#define IDM_SECTION 32775
#define IDM_IMAVO 32776
#define IDM_IPIER 32777

// Numbering-direction pictures beside the auto-set direction buttons.
#define IDB_DIR_RIGHT 129
#define IDB_DIR_DOWN 130
#define IDB_DIR_LEFT 131
#define IDB_DIR_UP 132

// Toolbar strips: five pictures, or six with the communication log button.
#define IDB_TOOLBAR5 133
#define IDB_TOOLBAR6 134
