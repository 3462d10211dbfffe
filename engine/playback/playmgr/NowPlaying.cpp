#include "engine/playback/playmgr/NowPlaying.h"

#include <cstdio>
#include <string>

#include "classlib/core/Exception.h"
#include "classlib/core/File.h"
#include "classlib/core/WinApp.h"
#include "engine/playback/playmgr/NowPlayingItem.h"

namespace {

constexpr const wchar_t* kSettings = L"Settings";
constexpr const wchar_t* kSourceValue = L"Now Playing Source File";
constexpr const wchar_t* kDestinationValue = L"Now Playing Destination File";
constexpr const wchar_t* kLogDirectoryValue = L"Now Playing Log File Directory";
constexpr const wchar_t* kFileEnabledValue = L"Now Playing File Enabled";
constexpr const wchar_t* kLogEnabledValue = L"Now Playing Log Enabled";
constexpr LONGLONG kMicrosecondsPerSecond = 1000000;

struct TagPair {
    const wchar_t* opening;
    const wchar_t* closing;
};
constexpr TagPair kTitleTags{L"<CARROWFOLD.CURRENT.TITLE>", L"</CARROWFOLD.CURRENT.TITLE>"};
constexpr TagPair kArtistTags{L"<CARROWFOLD.CURRENT.ARTIST>", L"</CARROWFOLD.CURRENT.ARTIST>"};
constexpr TagPair kAlbumTags{L"<CARROWFOLD.CURRENT.ALBUM>", L"</CARROWFOLD.CURRENT.ALBUM>"};
constexpr TagPair kTimeTags{L"<CARROWFOLD.CURRENT.TIME>", L"</CARROWFOLD.CURRENT.TIME>"};
constexpr TagPair kSubTitleTags{L"<CARROWFOLD.CURRENT.SUB.TITLE>", L"</CARROWFOLD.CURRENT.SUB.TITLE>"};
constexpr TagPair kSubArtistTags{L"<CARROWFOLD.CURRENT.SUB.ARTIST>", L"</CARROWFOLD.CURRENT.SUB.ARTIST>"};
constexpr TagPair kSubAlbumTags{L"<CARROWFOLD.CURRENT.SUB.ALBUM>", L"</CARROWFOLD.CURRENT.SUB.ALBUM>"};

std::string ToAnsi(const CString& text)
{
    const int length = text.GetLength();
    if (length == 0)
        return {};
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text.GetString(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return {};
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.GetString(), length, out.data(), bytes, nullptr, nullptr);
    return out;
}

// The text between the first opening tag and the first closing tag after it becomes the value;
// the tags stay. The closing tag is looked for only after the opening one: a closing tag that
// came first would otherwise make the text between them appear twice.
void ReplaceBetween(std::string& text, const TagPair& tags, const CString& value)
{
    const std::string opening = ToAnsi(tags.opening);
    const size_t open = text.find(opening);
    if (open == std::string::npos)
        return;
    const size_t valueStart = open + opening.size();
    const size_t close = text.find(ToAnsi(tags.closing), valueStart);
    if (close == std::string::npos)
        return;
    text.replace(valueStart, close - valueStart, ToAnsi(value));
}

CString ElapsedText(LONGLONG elapsed)
{
    const LONGLONG seconds = elapsed > 0 ? elapsed / kMicrosecondsPerSecond : 0;
    CString text;
    text.Format(L"%.2d:%.2d:%.2d", static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                static_cast<int>(seconds % 60));
    return text;
}

// Reads the whole file; false when it cannot be read or is larger than the limit.
bool ReadTemplate(const CString& path, std::string* text)
{
    CFile file;
    if (!file.Open(path.GetString(), CFile::modeRead | CFile::shareDenyNone))
        return false;
    const ULONGLONG length = file.GetLength();
    if (length > CNowPlaying::kMaxTemplateBytes)
        return false;
    text->assign(static_cast<size_t>(length), '\0');
    return file.Read(text->data(), static_cast<UINT>(length)) == length;
}

// A reader of the destination (a streaming program, a web page) sees the old text or the new,
// never a half-written file: the text goes to a file beside it, which then replaces it.
void WriteDestination(const CString& path, const std::string& text)
{
    CString written = path;
    written += L".new";
    CFile file;
    if (!file.Open(written.GetString(), CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive))
        return;
    try {
        file.Write(text.data(), static_cast<UINT>(text.size()));
        file.Close();
    } catch (const CException&) {
        file.Abort();
        DeleteFileW(written.GetString());
        return;
    }
    if (!MoveFileExW(written.GetString(), path.GetString(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        DeleteFileW(written.GetString());
}

void SystemClock(SYSTEMTIME* utc)
{
    GetSystemTime(utc);
}

}  // namespace

CNowPlaying::CNowPlaying() : m_clock(SystemClock)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return;
    m_fileEnabled = app->GetProfileInt(kSettings, kFileEnabledValue, 0) != 0;
    m_logEnabled = app->GetProfileInt(kSettings, kLogEnabledValue, 0) != 0;
    m_sourceFile = app->GetProfileString(kSettings, kSourceValue, L"");
    m_destinationFile = app->GetProfileString(kSettings, kDestinationValue, L"");
    m_logDirectory = app->GetProfileString(kSettings, kLogDirectoryValue, L"");
    if (m_sourceFile.IsEmpty() || m_destinationFile.IsEmpty())
        m_fileEnabled = FALSE;
    if (m_logDirectory.IsEmpty())
        m_logEnabled = FALSE;
}

void CNowPlaying::GetSettings(BOOL* fileEnabled, CString* sourceFile, CString* destinationFile, BOOL* logEnabled,
                              CString* logDirectory)
{
    CSingleThreadLock hold(&m_lock);
    *fileEnabled = m_fileEnabled;
    *sourceFile = m_sourceFile;
    *destinationFile = m_destinationFile;
    *logEnabled = m_logEnabled;
    *logDirectory = m_logDirectory;
}

void CNowPlaying::SetSettings(BOOL fileEnabled, const wchar_t* sourceFile, const wchar_t* destinationFile,
                              BOOL logEnabled, const wchar_t* logDirectory)
{
    CSingleThreadLock hold(&m_lock);
    m_fileEnabled = fileEnabled ? TRUE : FALSE;
    m_sourceFile = sourceFile;
    m_destinationFile = destinationFile;
    m_logEnabled = logEnabled ? TRUE : FALSE;
    m_logDirectory = logDirectory;
    if (CWinApp* app = AfxGetApp()) {
        app->WriteProfileInt(kSettings, kFileEnabledValue, m_fileEnabled);
        app->WriteProfileString(kSettings, kSourceValue, m_sourceFile.GetString());
        app->WriteProfileString(kSettings, kDestinationValue, m_destinationFile.GetString());
        app->WriteProfileInt(kSettings, kLogEnabledValue, m_logEnabled);
        app->WriteProfileString(kSettings, kLogDirectoryValue, m_logDirectory.GetString());
    }
}

bool CNowPlaying::IsEnabled()
{
    CSingleThreadLock hold(&m_lock);
    return m_fileEnabled || m_logEnabled;
}

void CNowPlaying::SetClock(Clock clock)
{
    CSingleThreadLock hold(&m_lock);
    m_clock = clock ? clock : SystemClock;
}

void CNowPlaying::WriteNowPlaying(INowPlayingItem* item, LONGLONG elapsed, LONGLONG fileTime)
{
    if (!item)
        return;
    CSingleThreadLock hold(&m_lock);
    try {
        std::string text;
        const bool writeFile = m_fileEnabled && ReadTemplate(m_sourceFile, &text);
        CString title;
        CString artist;
        CString album;
        item->GetNowPlayingStrings(&title, &artist, &album);
        ReplaceBetween(text, kTitleTags, title);
        ReplaceBetween(text, kArtistTags, artist);
        ReplaceBetween(text, kAlbumTags, album);
        ReplaceBetween(text, kTimeTags, ElapsedText(elapsed));

        CString subTitle;
        CString subArtist;
        CString subAlbum;
        if (SUCCEEDED(item->GetSubItemStrings(fileTime, &subTitle, &subArtist, &subAlbum))) {
            if (!subTitle.IsEmpty())
                ReplaceBetween(text, kSubTitleTags, subTitle);
            if (!subArtist.IsEmpty())
                ReplaceBetween(text, kSubArtistTags, subArtist);
            if (!subAlbum.IsEmpty())
                ReplaceBetween(text, kSubAlbumTags, subAlbum);
            title = subTitle;
            artist = subArtist;
            album = subAlbum;
        }
        if (m_logEnabled)
            AppendToLog(title, artist, album);
        if (writeFile)
            WriteDestination(m_destinationFile, text);
    } catch (const CException&) {
        // A file error abandons this update; the next step tries again.
    }
}

void CNowPlaying::AppendToLog(const CString& title, const CString& artist, const CString& album)
{
    if (title == m_lastTitle && artist == m_lastArtist && album == m_lastAlbum)
        return;
    SYSTEMTIME now{};
    m_clock(&now);
    const CSysTime entryTime(now);
    const SYSTEMTIME since = CSysTime::FromDifference(entryTime, m_lastEntryTime).Get();
    char fields[64];
    std::snprintf(fields, sizeof(fields), "%.4d%.2d%.2d\t%.2d%.2d%.2d\t%.2d%.2d%.2d\t\r\n", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond, since.wHour, since.wMinute, since.wSecond);
    const std::string line = ToAnsi(title) + "\t" + ToAnsi(artist) + "\t" + ToAnsi(album) + "\t" + fields;

    CString path = m_logDirectory;
    if (!path.IsEmpty() && path[path.GetLength() - 1] != L'\\' && path[path.GetLength() - 1] != L'/')
        path += L"\\";
    CString name;
    name.Format(L"%.4d%.2d.log", static_cast<int>(now.wYear), static_cast<int>(now.wMonth));
    path += name;

    CFile file;
    if (!file.Open(path.GetString(),
                   CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite | CFile::shareDenyWrite))
        return;
    file.SeekToEnd();
    file.Write(line.data(), static_cast<UINT>(line.size()));
    file.Close();
    // Remembered only once written: a track whose line could not be written is tried again at
    // the next step.
    m_lastTitle = title;
    m_lastArtist = artist;
    m_lastAlbum = album;
    m_lastEntryTime = entryTime;
}
