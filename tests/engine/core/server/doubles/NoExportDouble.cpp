// A plug-in library double without DllGetClassObject: the binder must still record and free it.
#include "tests/engine/core/server/doubles/CallLog.h"

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    LogCanUnloadNow();
    return S_OK;
}
