// Resource and control ids of RivovaZiv.exe.
#pragma once

#define IDR_MAINFRAME            128   // icon
#define IDD_ABOUTBOX             100
#define IDS_ABOUTBOX             101   // system-menu entry text
#define IDD_RIVOVAZIV_DIALOG     102
#define IDD_CONFIG_DIALOG        129
#define IDD_IMPORT_DIALOG        130
#define IDM_ABOUTBOX             0x0010

// Main window.
#define IDC_MAIN_TAB             1000

// Settings page: port panel and information box.
#define IDC_CFG_PORT             1001
#define IDC_CFG_OPEN             1002
#define IDC_CFG_REFRESH          1035
#define IDC_CFG_INFO             1016
// Settings page: the form.
#define IDC_CFG_HOST_TYPE        1003
#define IDC_CFG_HEADSET_EARHOOK  1007
#define IDC_CFG_HEADSET_HEADBAND 1008
#define IDC_CFG_VOX_NORMAL       1011
#define IDC_CFG_VOX_SMART        1029
#define IDC_CFG_VOX_LOCK         1012
#define IDC_CFG_SET              1015
#define IDC_CFG_CHANNEL          1023
#define IDC_CFG_SCENE_LEVEL      1024
#define IDC_CFG_EXTENSION        1025
#define IDC_CFG_NOISE_LEVEL      1026
#define IDC_CFG_PASSWORD         1028
#define IDC_CFG_PTT_NORMAL       1032
#define IDC_CFG_PTT_LOCK         1010
#define IDC_CFG_GROUP            1034
#define IDC_CFG_POWER            1036

// Import page.
#define IDC_IMP_PATH             1023
#define IDC_IMP_IMPORT           1020
#define IDC_IMP_OPEN             1026
#define IDC_IMP_OUTPUT           1016

#ifndef IDC_STATIC
#define IDC_STATIC               (-1)
#endif
