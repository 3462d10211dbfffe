#include "engine/core/storage/ReplacementFile.h"

#include <algorithm>

HRESULT CreateReplacementFile(LPCWSTR target, LPCWSTR prefix, CString* tempPath)
{
    if (!target || !*target || !tempPath)
        return E_INVALIDARG;
    const DWORD attributes = GetFileAttributesW(target);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return E_ACCESSDENIED;
    CString folder(target);
    const int slash = std::max(folder.ReverseFind(L'\\'), folder.ReverseFind(L'/'));
    folder = slash >= 0 ? folder.Left(slash + 1) : CString(L".");
    wchar_t temp[MAX_PATH];
    if (!GetTempFileNameW(folder, prefix, 0, temp)) {
        const DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    *tempPath = temp;
    return S_OK;
}
