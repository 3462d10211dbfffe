// Command ids, window ids and private messages the framework reserves, with the platform's values.
#pragma once

#include <windows.h>

// Private window messages of the framework.
inline constexpr UINT WM_IDLEUPDATECMDUI = 0x0363;   // wParam: TRUE to disable commands without handler
inline constexpr UINT WM_INITIALUPDATE = 0x0364;     // sent to every view of a new frame
inline constexpr UINT WM_SIZEPARENT = 0x0361;        // lParam: AFX_SIZEPARENTPARAMS, sent to bars by a layout
inline constexpr UINT WM_SETMESSAGESTRING = 0x0362;  // wParam: string id (0: lParam is the text), to a frame
inline constexpr UINT WM_POPMESSAGESTRING = 0x0375;  // wParam: string id shown when the fly-by text ends

// Command codes of OnCmdMsg.
inline constexpr int CN_COMMAND = 0;
inline constexpr int CN_UPDATE_COMMAND_UI = -1;

// Standard commands.
inline constexpr UINT ID_FILE_NEW = 0xE100;         // 57600
inline constexpr UINT ID_FILE_OPEN = 0xE101;        // 57601
inline constexpr UINT ID_FILE_CLOSE = 0xE102;       // 57602
inline constexpr UINT ID_FILE_SAVE = 0xE103;        // 57603
inline constexpr UINT ID_FILE_SAVE_AS = 0xE104;     // 57604
inline constexpr UINT ID_FILE_MRU_FILE1 = 0xE110;   // 57616
inline constexpr UINT ID_FILE_MRU_FILE16 = 0xE11F;  // 57631
inline constexpr UINT ID_EDIT_UNDO = 0xE12B;        // 57643
inline constexpr UINT ID_EDIT_REDO = 0xE12C;        // 57644
inline constexpr UINT ID_APP_EXIT = 0xE141;         // 57665
inline constexpr UINT ID_VIEW_TOOLBAR = 0xE800;     // 59392
inline constexpr UINT ID_VIEW_STATUS_BAR = 0xE801;  // 59393
inline constexpr UINT ID_VIEW_REBAR = 0xE804;       // 59396

// The status text shown while nothing else is ("Ready").
inline constexpr UINT AFX_IDS_IDLEMESSAGE = 0xE001;  // 57345

// Child window ids.
inline constexpr UINT AFX_IDW_CONTROLBAR_FIRST = 0xE800;  // bar ids double as their show/hide commands
inline constexpr UINT AFX_IDW_CONTROLBAR_LAST = 0xE8FF;
inline constexpr UINT AFX_IDW_PANE_FIRST = 0xE900;
// The window menu's commands (new window, arrange, cascade, tile, split) and the ids the MDI client
// gives the window list's entries.
inline constexpr UINT AFX_IDM_WINDOW_FIRST = 0xE130;
inline constexpr UINT AFX_IDM_WINDOW_LAST = 0xE13F;
inline constexpr UINT AFX_IDM_FIRST_MDICHILD = 0xFF00;
inline constexpr UINT AFX_IDW_STATUS_BAR = 0xE801;
inline constexpr UINT AFX_IDW_DOCKBAR_TOP = 0xE81B;     // 59419
inline constexpr UINT AFX_IDW_DOCKBAR_LEFT = 0xE81C;    // 59420
inline constexpr UINT AFX_IDW_DOCKBAR_RIGHT = 0xE81D;   // 59421
inline constexpr UINT AFX_IDW_DOCKBAR_BOTTOM = 0xE81E;  // 59422
inline constexpr UINT AFX_IDW_DOCKBAR_FLOAT = 0xE81F;   // the dock bar inside a floating frame

// Frame styles kept in the window style word.
inline constexpr DWORD FWS_ADDTOTITLE = 0x00008000;
inline constexpr DWORD FWS_PREFIXTITLE = 0x00040000;

// Base of the help contexts of message-box prompts.
inline constexpr DWORD HID_BASE_PROMPT = 0x30000;

// Prompts of the framework's own string table (res/ClassLibUi.rc, included by the program).
inline constexpr UINT AFX_IDP_FAILED_TO_OPEN_DOC = 0xF101;
inline constexpr UINT AFX_IDP_FAILED_TO_SAVE_DOC = 0xF102;
