// Resource and command ids of the program (shared by the resource script and the code).
#pragma once

#define IDR_MAINFRAME 99

#define IDS_APP_TITLE_WORD 40170       // "Deckwright"
#define IDS_COMCTL_TOO_OLD 40171
#define IDS_APPLICATION_NAME 40158     // "Carrowfold Express 5"
#define IDS_REGISTRY_KEY 40002         // "Carrowfold Technology"
#define IDS_DOC_STRING 40160
#define IDS_ENGINE_LOAD_FAILED 40152
#define IDS_ENGINE_INIT_FAILED 40153
#define IDS_ASK_SAVE_PLAYLIST 40126
#define IDS_OPEN_PLAYLIST_TITLE 40053
#define IDS_APPEND_PLAYLIST_TITLE 40057
#define IDS_PLAYLIST_FILTER 40054
#define IDS_ITEM_BY_ARTIST 40015
#define IDS_UNKNOWN_ARTIST 40006

#define ID_FILE_APPEND_PLAYLIST 141
#define ID_VIEW_ALT_DISPLAY 204
