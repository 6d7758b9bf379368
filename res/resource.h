// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDS_TITLE 101
#define IDI_PROGRAM 105
#define IDI_SMALL 106
#define IDS_PROGRAM_NAME 107
