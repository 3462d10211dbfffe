#include "app/UiUpdateHint.h"

IMPLEMENT_DYNAMIC(CUiUpdateHint, CObject)
