#pragma once
// Resource ids of the executable.
#define IDR_MAINFRAME 128  // application icon, and the game window's document template

// The launcher main window and its controls.
#define IDD_WAYFRONT3_DIALOG 102
#define IDC_BTN_HIDE 1001
#define IDC_BTN_SOUND 1002
#define IDC_BTN_MENU 1003
#define IDC_STC_OTHER_ACCOUNT 1005
// The add-account question and its text.
#define IDD_ADD_ACCOUNT 161
#define IDC_STC_ADD_QUESTION 1023

// Login background with its alpha channel.
#define IDB_PNG_LOGIN_BACK 129
// The skinned message box: an empty pop-up sized at run time.
#define IDD_MESSAGE_BOX 130
// Skin pictures: PNG resources, magenta transparent.
#define IDB_PNG_DIALOG_BACK 131
#define IDB_PNG_CLOSE 132
#define IDB_PNG_BUTTON 133
#define IDB_PNG_MAIN_BACK 134
#define IDB_PNG_MAXIMIZE 135
#define IDB_PNG_MINIMIZE 136
#define IDB_PNG_RESTORE 137
#define IDB_PNG_HIDE 138
#define IDB_PNG_MENU 139
#define IDB_PNG_TABS 140
#define IDB_PNG_TAB_CLOSE 141
#define IDB_PNG_LINK 142
#define IDB_PNG_NOTICE_BACK 143
#define IDB_PNG_NOTICE_CLOSE 144
#define IDB_PNG_NOTICE_PICTURE_CLOSE 145
#define IDB_PNG_NOTICE_PICTURE_BACK 146
#define IDB_PNG_NOTICE_TEXT_BACK 147
#define IDB_PNG_SOUND_MUTED 148
#define IDB_PNG_SOUND_ON 149
#define IDB_PNG_PROGRESS_TROUGH 152
#define IDB_PNG_PROGRESS_FILL 153
#define IDI_FAVORITE 155
// The login background and the login page share one empty, hidden pop-up template.
#define IDD_LOGIN 157
// The favourites question and its name box.
#define IDD_FAVORITE 159
#define IDC_FAVORITE_NAME 1018
#define IDB_PNG_ADD_ACCOUNT 162
