// Resource ids of murkle.exe. The tests drive the window through the menu ids.
#ifndef MURKLE_RESOURCE_H
#define MURKLE_RESOURCE_H

#define IDI_MURKLE 1
#define IDR_MENU 100
#define IDR_ACCELERATORS 101

#define IDM_NEW_GAME 1001
#define IDM_HIGH_SCORES 1002
#define IDM_HOW_TO_PLAY 1003
#define IDM_SOUND 1004
#define IDM_EXIT 1005

#define IDD_NAME 200
#define IDC_NAME 201
#define IDC_NAME_SCORE 202

#define IDD_SCORES 210
#define IDC_SCORE_LIST 211

#endif
