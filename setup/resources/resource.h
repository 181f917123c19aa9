/* Resource ids of the setup program, shared by the resource script and the code. */
#ifndef MURKLE_SETUP_RESOURCE_H
#define MURKLE_SETUP_RESOURCE_H

/* Dialog templates. */
#define IDD_SETUP           101
#define IDD_AGREEMENT       103
/* Their captions, each with its leading blank. */
#define CAPTION_SETUP       " Murkle setup options"
#define CAPTION_AGREEMENT   " Murkle shareware licence"

/* Bitmap and icon. */
#define IDB_SIDEBAR         109
#define IDI_SETUP           1

/* Agreement dialog. */
#define IDC_AGREEMENT_TEXT  1000

/* Setup options dialog. */
#define IDC_FILE_DIR        1000
#define IDC_SHORTCUT_DIR    1002
#define IDC_DESKTOP         1004
#define IDC_SPACE_FREE      1005
#define IDC_SPACE_REQUIRED  1006
#define IDC_SPACE_VERDICT   1007
#define IDC_STATUS          1008
#define IDC_BROWSE_GROUP    1009
#define IDC_BROWSE_DEST     1010

/* String table. */
#define IDS_DYSKWOLNE       1   /* free space line, %d kB */
#define IDS_DYSKWYMAGANE    2   /* required space line, %d kB */
#define IDS_DYSKDOSC        3   /* enough space */
#define IDS_DYSKZAMALO      4   /* not enough space */
#define IDS_NACISNIJ        5   /* press Install */
#define IDS_INSTALUJE       6   /* installation in progress */
#define IDS_GOTOWE          7   /* done */
#define IDS_BLADSETUPU      8   /* "Setup error! %s" */
#define IDS_ZLYKATALOG      9   /* wrong destination directory */
#define IDS_USZKODZONE      10  /* data corrupted */
#define IDS_BLADKOPIOWANIA  11  /* unable to copy */
#define IDS_BLADREJESTRU    12  /* registry access error */
#define IDS_ZLAGRUPA        13  /* wrong program group */
#define IDS_BRAKMIEJSCA     14  /* not enough space on destination drive */
#define IDS_BLADSKROTOW     15  /* could not create shortcuts */

#endif
