#include "engine/catalog/plots/PlotFileManager.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "classlib/core/Archive.h"
#include "classlib/core/WinApp.h"
#include "engine/core/server/EngineFolders.h"
#include "classlib/com/UniqueHandle.h"

namespace {

constexpr wchar_t kSettings[] = L"Settings";
constexpr wchar_t kDirectoryValue[] = L"Profile Cache Directory";
constexpr wchar_t kMaxSizeValue[] = L"Profile Cache Max Size";
constexpr wchar_t kIndexName[] = L"cacheindex.dat";
constexpr wchar_t kExtension[] = L".cfm";

CString WithBackslash(const CString& directory)
{
    if (directory.IsEmpty() || directory[directory.GetLength() - 1] == L'\\')
        return directory;
    return directory + L"\\";
}

CString WithoutBackslash(const CString& directory)
{
    CString result = directory;
    while (!result.IsEmpty() && result[result.GetLength() - 1] == L'\\')
        result = result.Left(result.GetLength() - 1);
    return result;
}

// The directory can be found as such: a find-first on "<directory>\." succeeds.
bool DirectoryExists(const CString& directory)
{
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((WithoutBackslash(directory) + L"\\.").GetString(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    FindClose(find);
    return true;
}

void EnsureDirectory(const CString& directory)
{
    if (!DirectoryExists(directory))
        SHCreateDirectoryExW(nullptr, WithoutBackslash(directory).GetString(), nullptr);
}

// Low 32 bits of the file's size; false when it cannot be had.
bool FileSize32(const CString& path, uint32_t* size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.GetString(), GetFileExInfoStandard, &data))
        return false;
    *size = data.nFileSizeLow;
    return true;
}

ULONGLONG TotalSize(const std::vector<PROF_STORE_ITEM>& entries)
{
    ULONGLONG total = 0;
    for (const PROF_STORE_ITEM& entry : entries)
        total += entry.size;
    return total;
}

}  // namespace

CPlotFileManager::~CPlotFileManager()
{
    const CString directory = Directory();
    if (!directory.IsEmpty())
        WriteIndex(directory);
}

BOOL CPlotFileManager::ParseFileNumber(const wchar_t* path, int32_t* number)
{
    if (path == nullptr || number == nullptr)
        return FALSE;
    const wchar_t* name = wcsrchr(path, L'\\');
    name = name ? name + 1 : path;
    const size_t length = wcslen(name);
    const size_t extension = wcslen(kExtension);
    if (length <= extension || _wcsicmp(name + length - extension, kExtension) != 0)
        return FALSE;
    const size_t digits = length - extension;
    size_t i = name[0] == L'-' ? 1 : 0;
    if (i == digits || digits - i > 10)
        return FALSE;
    long long value = 0;
    for (; i < digits; ++i) {
        if (name[i] < L'0' || name[i] > L'9')
            return FALSE;
        value = value * 10 + (name[i] - L'0');
    }
    if (name[0] == L'-')
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return FALSE;
    *number = static_cast<int32_t>(value);
    return TRUE;
}

void CPlotFileManager::GetDefaultSettings(CString* directory, int* maxSizeMb)
{
    if (directory)
        *directory = GetEngineDataFolder() + L"Archive\\";
    if (maxSizeMb)
        *maxSizeMb = kDefaultMaxSizeMb;
}

BOOL CPlotFileManager::Initialise()
{
    CWinApp* app = AfxGetApp();
    CString directory = app ? app->GetProfileString(kSettings, kDirectoryValue, L"") : CString();
    if (directory.IsEmpty()) {
        GetDefaultSettings(&directory, nullptr);
        if (app)
            app->WriteProfileString(kSettings, kDirectoryValue, directory.GetString());
    }
    directory = WithBackslash(directory);
    const int maxSize =
        app ? static_cast<int>(app->GetProfileInt(kSettings, kMaxSizeValue, kDefaultMaxSizeMb)) : kDefaultMaxSizeMb;
    {
        CSingleThreadLock lock(&m_settingsLock);
        m_directory = directory;
        m_maxSizeMb = maxSize;
    }
    EnsureDirectory(directory);
    LoadIndex(directory);
    Reconcile();
    m_initialised = true;
    return TRUE;
}

void CPlotFileManager::GetSettings(CString* directory, int* maxSizeMb)
{
    CSingleThreadLock lock(&m_settingsLock);
    if (directory)
        *directory = m_directory;
    if (maxSizeMb)
        *maxSizeMb = m_maxSizeMb;
}

BOOL CPlotFileManager::SetSettings(const CString& directory, int maxSizeMb)
{
    if (directory.IsEmpty() || !DirectoryExists(directory))
        return FALSE;
    const CString stored = WithBackslash(directory);
    CWinApp* app = AfxGetApp();
    {
        CSingleThreadLock lock(&m_settingsLock);
        m_directory = stored;
        m_maxSizeMb = maxSizeMb;
    }
    if (app) {
        app->WriteProfileString(kSettings, kDirectoryValue, stored.GetString());
        app->WriteProfileInt(kSettings, kMaxSizeValue, maxSizeMb);
    }
    EnsureDirectory(stored);
    Reconcile();
    Trim();
    return TRUE;
}

CString CPlotFileManager::Directory()
{
    CSingleThreadLock lock(&m_settingsLock);
    return m_directory;
}

CString CPlotFileManager::PathOf(const CString& directory, int32_t number) const
{
    CString name;
    name.Format(L"%d", number);
    return directory + name + kExtension;
}

void CPlotFileManager::LoadIndex(const CString& directory)
{
    std::vector<PROF_STORE_ITEM> loaded;
    try {
        CFile file;
        if (file.Open((directory + kIndexName).GetString(), CFile::modeRead | CFile::shareDenyWrite)) {
            CArchive archive(&file, CArchive::load);
            const ULONGLONG count = archive.ReadCount(sizeof(PROF_STORE_ITEM));
            if (count <= kMaxEntries) {
                loaded.resize(static_cast<size_t>(count));
                for (PROF_STORE_ITEM& entry : loaded) {
                    archive.ReadExactly(&entry, sizeof(entry));
                    entry.missing = 0;
                }
            }
        }
    } catch (const CException&) {
        loaded.clear();
    }
    // Keep the first entry of each number and of each identity: a second one would let trimming
    // delete a file that another entry still names.
    std::vector<PROF_STORE_ITEM> unique;
    for (const PROF_STORE_ITEM& entry : loaded) {
        bool duplicate = false;
        for (const PROF_STORE_ITEM& kept : unique) {
            if (kept.number == entry.number || std::memcmp(kept.fileId, entry.fileId, sizeof(kept.fileId)) == 0) {
                duplicate = true;
                break;
            }
        }
        if (!duplicate)
            unique.push_back(entry);
    }
    CSingleThreadLock lock(&m_listLock);
    m_entries.swap(unique);
}

void CPlotFileManager::WriteIndex(const CString& directory)
{
    const std::vector<PROF_STORE_ITEM> entries = GetEntries();
    try {
        CFile file;
        if (!file.Open((directory + kIndexName).GetString(),
                       CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive))
            return;
        CArchive archive(&file, CArchive::store);
        archive.WriteCount(entries.size());
        for (const PROF_STORE_ITEM& entry : entries) {
            PROF_STORE_ITEM stored = entry;
            stored.missing = 0;
            archive.Write(&stored, sizeof(stored));
        }
        archive.Close();
        file.Close();
    } catch (const CException&) {
    }
}

void CPlotFileManager::Reconcile()
{
    const CString directory = Directory();
    if (directory.IsEmpty())
        return;
    struct Found {
        int32_t number;
        uint32_t size;
        CString path;
    };
    std::vector<Found> files;
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((directory + L"*" + kExtension).GetString(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            int32_t number = 0;
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && ParseFileNumber(data.cFileName, &number))
                files.push_back({number, data.nFileSizeLow, directory + data.cFileName});
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }

    CSingleThreadLock lock(&m_listLock);
    for (PROF_STORE_ITEM& entry : m_entries)
        entry.missing = 1;
    for (const Found& file : files) {
        bool known = false;
        for (PROF_STORE_ITEM& entry : m_entries) {
            if (entry.number == file.number) {
                entry.missing = 0;
                entry.size = file.size;
                known = true;
            }
        }
        if (known)
            continue;
        CMusicFileId id;
        CPlotFile plot(file.path, id);
        const auto present = [&id](const PROF_STORE_ITEM& entry) {
            return entry.missing == 0 && id.EqualsBytes(entry.fileId);
        };
        if (!plot.ReadIdentity(&id) || !id.IsValid() || std::any_of(m_entries.begin(), m_entries.end(), present)) {
            // Unusable, or a second file of an identity that already has one: only space.
            DeleteFileW(file.path.GetString());
            continue;
        }
        PROF_STORE_ITEM entry{};
        std::memcpy(entry.fileId, id.GetBytes(), sizeof(entry.fileId));
        entry.number = file.number;
        entry.size = file.size;
        m_entries.push_back(entry);
    }
    std::erase_if(m_entries, [](const PROF_STORE_ITEM& entry) { return entry.missing != 0; });
}

void CPlotFileManager::Trim()
{
    CString directory;
    int maxSize = 0;
    GetSettings(&directory, &maxSize);
    if (maxSize == kNoLimit)
        return;
    CSingleThreadLock lock(&m_listLock);
    while (!m_entries.empty() && (TotalSize(m_entries) >> 20) > static_cast<ULONGLONG>(maxSize < 0 ? 0 : maxSize))
        DeleteEntryAt(directory, m_entries.size() - 1);
}

int CPlotFileManager::FindEntry(const BYTE* fileId) const
{
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (std::memcmp(m_entries[i].fileId, fileId, CMusicFileId::kSize) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

bool CPlotFileManager::NumberInUse(int32_t number) const
{
    for (const PROF_STORE_ITEM& entry : m_entries) {
        if (entry.number == number)
            return true;
    }
    return false;
}

void CPlotFileManager::DeleteEntryAt(const CString& directory, size_t index)
{
    DeleteFileW(PathOf(directory, m_entries[index].number).GetString());
    m_entries.erase(m_entries.begin() + static_cast<long>(index));
}

std::unique_ptr<CPlotFile> CPlotFileManager::CreatePlotFile(const CMusicFileId& id)
{
    const CString directory = Directory();
    if (directory.IsEmpty() || !id.IsValid())
        return nullptr;
    SYSTEMTIME now;
    GetSystemTime(&now);
    srand(now.wMilliseconds);
    CSingleThreadLock lock(&m_listLock);
    for (int collisions = 0; collisions <= kMaxNumberCollisions; ++collisions) {
        const int32_t number =
            static_cast<int32_t>((static_cast<uint32_t>(rand()) << 16) | static_cast<uint32_t>(rand()));
        const CString path = PathOf(directory, number);
        if (!NumberInUse(number) && GetFileAttributesW(path.GetString()) == INVALID_FILE_ATTRIBUTES)
            return std::make_unique<CPlotFile>(path, id);
    }
    return nullptr;
}

std::unique_ptr<CPlotFile> CPlotFileManager::OpenPlotFile(const CMusicFileId& id)
{
    const CString directory = Directory();
    int32_t number = 0;
    {
        CSingleThreadLock lock(&m_listLock);
        const int index = FindEntry(id.GetBytes());
        if (directory.IsEmpty() || !id.IsValid() || index < 0)
            return nullptr;
        number = m_entries[static_cast<size_t>(index)].number;
    }
    auto file = std::make_unique<CPlotFile>(PathOf(directory, number), id);
    if (file->Read())
        return file;
    Remove(id);
    return nullptr;
}

void CPlotFileManager::Register(std::unique_ptr<CPlotFile> file, BOOL touch)
{
    if (!file || !(file->WasWritten() || file->WasRead()))
        return;
    const CString directory = Directory();
    int32_t number = 0;
    if (!ParseFileNumber(file->GetPath().GetString(), &number))
        return;
    {
        CSingleThreadLock lock(&m_listLock);
        const int index = FindEntry(file->GetExpectedId().GetBytes());
        if (index >= 0 && m_entries[static_cast<size_t>(index)].number != number && file->WasWritten()) {
            // A new analysis of the same music file replaces the older plot.
            DeleteEntryAt(directory, static_cast<size_t>(index));
        } else if (index >= 0) {
            if (touch) {
                const PROF_STORE_ITEM entry = m_entries[static_cast<size_t>(index)];
                m_entries.erase(m_entries.begin() + index);
                m_entries.insert(m_entries.begin(), entry);
            }
            file.reset();
        }
        if (file) {
            PROF_STORE_ITEM entry{};
            std::memcpy(entry.fileId, file->GetExpectedId().GetBytes(), sizeof(entry.fileId));
            entry.number = number;
            if (!FileSize32(file->GetPath(), &entry.size))
                entry.size = 0;
            if (touch)
                m_entries.insert(m_entries.begin(), entry);
            else
                m_entries.push_back(entry);
        }
    }
    Trim();
}

BOOL CPlotFileManager::Remove(const CMusicFileId& id)
{
    const CString directory = Directory();
    CSingleThreadLock lock(&m_listLock);
    const int index = FindEntry(id.GetBytes());
    if (index < 0)
        return FALSE;
    DeleteEntryAt(directory, static_cast<size_t>(index));
    return TRUE;
}

int CPlotFileManager::GetEntryCount()
{
    CSingleThreadLock lock(&m_listLock);
    return static_cast<int>(m_entries.size());
}

BOOL CPlotFileManager::GetEntryId(int index, CMusicFileId* id)
{
    CSingleThreadLock lock(&m_listLock);
    if (id == nullptr || index < 0 || static_cast<size_t>(index) >= m_entries.size())
        return FALSE;
    id->SetBytes(m_entries[static_cast<size_t>(index)].fileId);
    return TRUE;
}

std::vector<PROF_STORE_ITEM> CPlotFileManager::GetEntries()
{
    CSingleThreadLock lock(&m_listLock);
    return m_entries;
}
