// Written by make_test_bitmaps.py: ids and colours of the test bitmaps.
#pragma once
#include "res/resource.h"

#define IDB_TEST_TAB_A_ON 900
#define IDB_TEST_TAB_A_OFF 901
#define IDB_TEST_TAB_B_ON 902
#define IDB_TEST_TAB_B_OFF 903
#define IDB_TEST_TAB_C_ON 904
#define IDB_TEST_TAB_C_OFF 905
#define IDB_TEST_FILLER 906

#ifndef RC_INVOKED
#include <windows.h>

constexpr COLORREF kTestCheckOnColor = RGB(220, 40, 40);
constexpr COLORREF kTestCheckOffColor = RGB(40, 180, 180);
constexpr COLORREF kTestHeaderSeparatorColor = RGB(250, 160, 0);
constexpr COLORREF kTestHeaderBackColor = RGB(160, 200, 240);
constexpr COLORREF kTestListSmallColor = RGB(10, 10, 10);
constexpr COLORREF kTestTabAOnColor = RGB(200, 0, 100);
constexpr COLORREF kTestTabAOffColor = RGB(240, 170, 200);
constexpr COLORREF kTestTabBOnColor = RGB(0, 120, 60);
constexpr COLORREF kTestTabBOffColor = RGB(150, 220, 180);
constexpr COLORREF kTestTabCOnColor = RGB(60, 60, 160);
constexpr COLORREF kTestTabCOffColor = RGB(170, 170, 230);
constexpr COLORREF kTestFillerColor = RGB(130, 90, 20);
#endif
