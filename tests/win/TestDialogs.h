#pragma once
#define IDD_TEST_EMPTY 1
#define IDD_TEST_BUTTON 2
#define IDC_TEST_BUTTON 100
