#pragma once
#define IDD_DDX_TEST 200
#define IDC_T_RADIO_A 201
#define IDC_T_RADIO_B 202
#define IDC_T_COMBO 203
#define IDC_T_RADIO_C 204
#define IDC_T_FIRST 205
#define IDC_T_RANGED 206
#define IDC_T_LAST 207
#define IDC_T_TEXT 208
