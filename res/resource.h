// Resource ids, shared by the resource script and the code.
#pragma once

// Icon
#define IDI_APP 128

// Dialog templates
#define IDD_MAIN 129
#define IDD_UPDATE_PAGE 208
#define IDD_HOSTS_PAGE 209
#define IDD_NEWS_PAGE 210
#define IDD_ADD_SITE 211
#define IDD_MESSAGE 214
#define IDD_CONFIRM 215
#define IDD_PROGRESS 216
#define IDD_RESTORE 230
#define IDD_EXCEPTIONS 231
#define IDD_PAUSE 232

// Bitmaps: image strips cut left to right into equal cells
#define IDB_FRAME_BOTTOM 201     // 9 x 10, three 3 x 10 cells
#define IDB_FRAME_CAPTION 202    // 6 x 24, three 2 x 24 cells
#define IDB_FRAME_SIDE 203       // 6 x 1, two 3 x 1 cells
#define IDB_DIALOG_BUTTON 204    // 300 x 24, four 75 x 24 cells
#define IDB_FRAME_SPARE 205      // 9 x 10, three 3 x 10 cells
#define IDB_CLOSE_BUTTON 206     // 45 x 13, three 15 x 13 cells
#define IDB_LIST_SMALL 207       // 1 x 27
#define IDB_REMOVE_BUTTON 212    // 165 x 20, three 55 x 20 cells
#define IDB_ADD_BUTTON 213       // 165 x 20, three 55 x 20 cells
#define IDB_LOGO 217             // 195 x 70, one image
#define IDB_HEADER_SEPARATOR 218 // 2 x 20
#define IDB_HEADER_BACK 219      // 2 x 20
#define IDB_HEADER_SPARE 220     // 2 x 20
#define IDB_BAND 221             // 1 x 70
#define IDB_THIRD_BUTTON 222     // 45 x 13, three 15 x 13 cells
#define IDB_MINIMIZE_BUTTON 223  // 45 x 13, three 15 x 13 cells
#define IDB_TAB_UPDATE_ON 224    // 87 x 70
#define IDB_TAB_NEWS_OFF 225     // 87 x 70
#define IDB_TAB_NEWS_ON 226      // 87 x 70
#define IDB_TAB_HOSTS_OFF 227    // 87 x 70
#define IDB_TAB_HOSTS_ON 228     // 87 x 70
#define IDB_TAB_UPDATE_OFF 229   // 87 x 70
#define IDB_CHECK_OFF 243        // 13 x 13
#define IDB_CHECK_ON 244         // 13 x 13
#define IDB_SAVE_BUTTON 251      // 500 x 24, five 100 x 24 cells

// Controls
#define IDC_CAPTION_CLOSE 201
#define IDC_CAPTION_MINIMIZE 1013
#define IDC_CAPTION_THIRD 1014
#define IDC_LOGO 217
#define IDC_HOSTS_EDITOR 1003
#define IDC_SAVE 1005
#define IDC_OFFICIAL_CHECK 1006
#define IDC_CUSTOM_CHECK 1007
#define IDC_SITE_LIST 1008
#define IDC_OFFICIAL_LABEL 1009
#define IDC_CUSTOM_LABEL 1010
#define IDC_ADD_SITE 1011
#define IDC_REMOVE_SITES 1012
#define IDC_OFFICIAL_ADDRESS 1013
#define IDC_MESSAGE_TEXT 1015
#define IDC_SITE_ADDRESS 1044
#define IDC_BACKUP_LIST 1045
#define IDC_EXCEPTION_TEXT 1046
#define IDC_DAILY_CHECK 1016
#define IDC_DAILY_LABEL 1017
#define IDC_LAST_RUN 1018
#define IDC_OFFICIAL_STATUS 1019
#define IDC_LINK_HELP 101
#define IDC_LINK_IMPORT 102
#define IDC_LINK_EXPORT 103
#define IDC_LINK_SHARE 104
#define IDC_LINK_RESTORE 107
#define IDC_LINK_EXCEPTIONS 108
#define IDC_HOSTS_STATUS 109
#define IDC_LINK_COMPACT 110
#define IDC_LINK_PAUSE 111
#define IDC_PAUSE_TEN_MINUTES 1047
#define IDC_PAUSE_ONE_HOUR 1048
#define IDC_PAUSE_UNTIL_START 1049
#define IDC_LINK_OFFICIAL_LIST 105
#define IDC_LINK_RECOMMENDED 106
#define IDC_LINK_BUILD_SITE 101
