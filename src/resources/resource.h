// Resource, control and command ids of Pagewick. Shared by the .rc files and the code.
#pragma once

// Frame resources: menu, accelerators, icon and document string.
#define IDR_MAINFRAME            128
#define IDR_TOOLBAR              142
#define IDR_POPMENU              156   // folder tree popup "PopMenu"
#define IDR_POPLIST              159   // file list popup "POPList"
#define IDR_POPICON              160   // tray popup "POPICON"

// Dialog templates.
#define IDD_ABOUTBOX             100
#define IDD_TREEBAR              148
#define IDD_LISTBAR              150
#define IDD_FILENAME             162
#define IDD_APPCONFIGS           163

// Icons and cursors.
#define IDI_TB_SAVE              129
#define IDI_TB_BROWSE            130
#define IDI_TB_FOLDER            131
#define IDI_TB_SETTINGS          134
#define IDI_TB_FONT              135
#define IDI_TREE_ROOT            136
#define IDI_TREE_OPEN            137
#define IDI_PANE_CLOSE           138
#define IDI_TB_ABOUT             139
#define IDI_TB_EXIT              140
#define IDI_TREE_FOLDER          141
#define IDC_SIZE_WE              149
#define IDI_LIST_ROW             151
#define IDC_SIZE_NS              153

// Controls and control bars.
#define IDC_TREE                 124
#define IDC_TREEBAR              132
#define IDC_LISTBAR              133
#define IDC_FILELIST             231
#define IDC_PASTEVIEW            323
#define IDC_STATIC               (-1)
#define IDC_LEN                  1001   // settings: name length
#define IDC_FILE_NAME            1001   // file-name dialog: name field
#define IDC_APPLY                1002
#define IDC_CANCEL_CFG           1003
#define IDC_BSHOW                1010
#define IDC_ABOUT_NAME           1012
#define IDC_SAVE_MOD             1015
#define IDC_SAVE_KEY             1016
#define IDC_GET_MOD              1017
#define IDC_GET_KEY              1018
#define IDC_HOTKEY_WARNING       1019   // settings: Shift and a letter alone

// Commands.
#define ID_TB_SAVE               32771
#define ID_TB_BROWSE             32772
#define ID_TB_FOLDER             32773
#define ID_TB_SETTINGS           32774
#define ID_TB_FONT               32775
#define ID_TB_ABOUT              32776
#define ID_TB_EXIT               32777
#define ID_TREE_RENAME           32778
#define ID_TREE_ADD_SIBLING      32779
#define ID_TREE_DELETE           32780
#define ID_LIST_OPEN             32781
#define ID_LIST_DELETE           32782
#define ID_LIST_RENAME           32783
#define ID_LIST_FOLDER           32784
#define ID_TREE_OPEN             32785
#define ID_TRAY_SHOW             32786
#define ID_TRAY_EXIT             32787
#define ID_FILE_BROWSE           32793
#define ID_FILE_SAVE_TEXT        32794
#define ID_FILE_EXIT             32795
#define ID_FILE_OPEN_FOLDER      32797
#define ID_TRAY_BROWSE           32798
#define ID_TRAY_OPEN_FOLDER      32799
#define ID_TRAY_SAVE             32800
#define ID_HELP_CONTENTS         32801
#define ID_LIST_EDIT             32802
#define ID_LIST_CUT              32803
#define ID_LIST_PASTE            32804
#define ID_TREE_ADD_CHILD        32805
#define ID_SEARCH_RUN            32810   // search the library for the search box's text
#define IDC_SEARCH_BOX           240     // the search box beside the toolbar

// Standard framework command ids.
#define ID_FILE_NEW              0xE100
#define ID_FILE_OPEN             0xE101
#define ID_FILE_SAVE             0xE103
#define ID_FILE_MRU_FILE1        0xE110   // to 0xE113: the recent-file entries
#define ID_EDIT_COPY             57634
#define ID_EDIT_CUT              57635
#define ID_EDIT_PASTE            57637
#define ID_EDIT_UNDO             57643
#define ID_APP_ABOUT             57664
#define ID_NEXT_PANE             0xE150
#define ID_PREV_PANE             0xE151
#define ID_VIEW_TREEBAR          59392
#define ID_VIEW_LISTBAR          59393
#define AFX_IDW_TOOLBAR          0xE800
#define AFX_IDW_STATUS_BAR       0xE801
#define AFX_IDW_PANE_FIRST       0xE900

// Strings.
#define IDS_APP_TITLE            0xE000   // AFX_IDS_APP_TITLE
#define IDS_INDICATOR_CAPS       0xE701
#define IDS_INDICATOR_NUM        0xE702
#define IDS_INDICATOR_SCRL       0xE703
#define IDS_IDLEMESSAGE          0xE001
