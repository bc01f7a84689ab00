// Resource numbers shared by the .rc file and the code.
#pragma once

#define IDI_SETUP 1
#define IDB_SIDE 100
#define IDR_LICENSE 101
