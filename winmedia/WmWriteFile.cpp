#include "winmedia/WmWriteFile.h"

#include "winmedia/WmAttributeNames.h"
#include "winmedia/WmMediaTypes.h"

#include <wmsbuffer.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

constexpr LONGLONG kTimeUnitsPerSecond = 10000000;  // runtime times are in 100 ns units
constexpr LONGLONG kMicrosecondsPerSecond = 1000000;

std::wstring TextOrEmpty(LPCWSTR text)
{
    return text ? std::wstring(text) : std::wstring();
}

HRESULT SetStringAttribute(IWMHeaderInfo* header, const wchar_t* name, const std::wstring& value)
{
    if (value.empty())
        return S_FALSE;
    const size_t bytes = (value.size() + 1) * sizeof(wchar_t);
    if (bytes > 0xFFFF)
        return E_INVALIDARG;
    return header->SetAttribute(0, name, WMT_TYPE_STRING, reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<WORD>(bytes));
}

HRESULT SetQwordAttribute(IWMHeaderInfo* header, const wchar_t* name, QWORD value)
{
    return header->SetAttribute(0, name, WMT_TYPE_QWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

// An empty new file in the folder of `target`, for the runtime to write the export into. A
// read-only target is refused before anything is written: the rename at the end would replace it.
HRESULT CreateFileBeside(const wchar_t* target, std::wstring* created)
{
    const DWORD attributes = GetFileAttributesW(target);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return E_ACCESSDENIED;
    std::wstring folder(target);
    const size_t slash = folder.find_last_of(L"\\/");
    folder = slash == std::wstring::npos ? std::wstring(L".") : folder.substr(0, slash + 1);
    wchar_t temp[MAX_PATH];
    if (!GetTempFileNameW(folder.c_str(), L"cfw", 0, temp)) {
        const DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    *created = temp;
    return S_OK;
}

}  // namespace

HRESULT CWmWriteFile::InternalQueryInterface(REFIID iid, void** object)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPlayerOutput))
        return Give(static_cast<IPlayerOutput*>(this), object);
    return E_NOINTERFACE;
}

HRESULT CWmWriteFile::IsOpen()
{
    return m_open ? S_OK : S_FALSE;
}

HRESULT CWmWriteFile::IsRunning()
{
    return m_running ? S_OK : S_FALSE;
}

HRESULT CWmWriteFile::SetBufferSize(unsigned)
{
    return S_FALSE;
}

HRESULT CWmWriteFile::Open()
{
    if (m_writer || m_started)
        return S_FALSE;
    HRESULT hr = m_runtime.CreateWriter(m_writer.put());
    if (SUCCEEDED(hr) && !m_writer)
        hr = E_FAIL;
    return hr;
}

HRESULT CWmWriteFile::SetFormat(int formatId)
{
    m_formatId = formatId;
    return S_OK;
}

HRESULT CWmWriteFile::AddTrackInfo(LONGLONG position, LPCWSTR title, LPCWSTR artist, LPCWSTR album)
{
    if (position == 0) {
        m_title = TextOrEmpty(title);
        m_author = TextOrEmpty(artist);
        m_albumTitle = TextOrEmpty(album);
        return S_OK;
    }
    m_subItems.push_back({position, TextOrEmpty(title), TextOrEmpty(artist), TextOrEmpty(album)});
    return S_OK;
}

HRESULT CWmWriteFile::Start()
{
    return S_FALSE;
}

HRESULT CWmWriteFile::GetFormatInfo(int index, int* formatId, BSTR* name, int* bitRate)
{
    if (!formatId || !name || !bitRate)
        return E_POINTER;
    *name = nullptr;
    if (!m_formatListBuilt) {
        const HRESULT hr = BuildFormatList(m_runtime, m_formats);
        if (FAILED(hr))
            return hr;
        m_formatListBuilt = true;
    }
    if (index < 0 || static_cast<size_t>(index) >= m_formats.size())
        return E_FAIL;
    const WmFormatRecord& record = m_formats[static_cast<size_t>(index)];
    *name = SysAllocString(record.name.c_str());
    if (!*name)
        return E_OUTOFMEMORY;
    *formatId = record.profileIndex;
    *bitRate = static_cast<int>(record.bitRate);
    return S_OK;
}

HRESULT CWmWriteFile::StartFile(LPCWSTR path, int)
{
    if (!path)
        return E_POINTER;
    // A writer object writes one file: without an open writer, or once started, nothing runs.
    if (!m_input || !m_progress || !m_writer || m_started)
        return E_FAIL;
    SetProfile();
    WAVEFORMATEX format = {};
    if (SUCCEEDED(m_input->GetFormat(&format)) && format.nBlockAlign != 0 && format.nSamplesPerSec != 0) {
        m_blockAlign = format.nBlockAlign;
        m_samplesPerSec = format.nSamplesPerSec;
        m_open = SetInputProperties(format);
    }
    if (!m_open)
        return E_FAIL;
    m_totalBytes = 0;
    if (FAILED(m_input->GetLength(&m_totalBytes)) || m_totalBytes < 0)
        m_totalBytes = 0;

    m_path = path;
    const HRESULT created = CreateFileBeside(path, &m_tempPath);
    if (FAILED(created))
        return created;
    const HRESULT named = m_writer->SetOutputFilename(m_tempPath.c_str());
    WriteHeaderAttributes(format.nAvgBytesPerSec);
    // Whatever a refused start made is removed: the target is not touched before the end.
    if (FAILED(named) || FAILED(m_writer->BeginWriting())) {
        DeleteFileW(m_tempPath.c_str());
        return E_FAIL;
    }

    m_started = true;
    m_running = true;
    // The thread holds a reference on the object and one on the library whose code it runs: the
    // object's last release may come from the thread itself, after which the library may be
    // freed by its user, so the thread leaves through FreeLibraryAndExitThread.
    HMODULE library = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&CWmWriteFile::ThreadMain),
                       &library);
    AddRef();
    auto start = std::make_unique<ThreadStart>(ThreadStart{this, library});
    m_thread.reset(CreateThread(nullptr, 0, &CWmWriteFile::ThreadMain, start.get(), 0, nullptr));
    if (!m_thread) {
        const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        m_running = false;
        m_writer->EndWriting();
        DeleteFileW(m_tempPath.c_str());
        if (library)
            FreeLibrary(library);
        Release();
        return hr;
    }
    start.release();  // the thread owns it now
    return S_OK;
}

void CWmWriteFile::SetProfile()
{
    // A refused profile shows when writing begins.
    ComPtr<IWMProfileManager> manager;
    ComPtr<IWMProfile> profile;
    if (SUCCEEDED(CreateSystemProfileManager(m_runtime, manager.put())) && m_formatId >= 0 &&
        SUCCEEDED(manager->LoadSystemProfile(static_cast<DWORD>(m_formatId), profile.put())) && profile)
        m_writer->SetProfile(profile.get());
}

bool CWmWriteFile::SetInputProperties(WAVEFORMATEX format)
{
    ComPtr<IWMInputMediaProps> props;
    if (FAILED(m_writer->GetInputProps(0, props.put())) || !props)
        return false;
    // Plain PCM has no bytes after the record; the stage's record is 18 bytes and no more.
    format.cbSize = 0;
    WM_MEDIA_TYPE type = {};
    type.majortype = WmMediaType::kAudio;
    type.subtype = WmMediaType::kPcm;
    type.bFixedSizeSamples = TRUE;
    type.bTemporalCompression = FALSE;
    type.lSampleSize = format.nBlockAlign;
    type.formattype = WmMediaType::kWaveFormatEx;
    type.cbFormat = sizeof(WAVEFORMATEX);
    type.pbFormat = reinterpret_cast<BYTE*>(&format);
    return SUCCEEDED(props->SetMediaType(&type)) && SUCCEEDED(m_writer->SetInputProps(0, props.get()));
}

void CWmWriteFile::WriteHeaderAttributes(DWORD averageBytesPerSecond)
{
    ComPtr<IWMHeaderInfo> header;
    if (FAILED(m_writer.query(__uuidof(IWMHeaderInfo), header)))
        return;
    SetStringAttribute(header.get(), WmAttribute::kTitle, m_title);
    SetStringAttribute(header.get(), WmAttribute::kAuthor, m_author);
    SetStringAttribute(header.get(), WmAttribute::kAlbumTitle, m_albumTitle);
    if (averageBytesPerSecond != 0) {
        using Kind = WmAttribute::SubItem;
        using WmAttribute::SubItemName;
        for (size_t i = 0; i < m_subItems.size(); ++i) {
            const SubItemRecord& item = m_subItems[i];
            const unsigned n = static_cast<unsigned>(i);
            SetQwordAttribute(header.get(), SubItemName(Kind::TrackEnd, n).c_str(),
                              static_cast<QWORD>(item.position * kMicrosecondsPerSecond / averageBytesPerSecond));
            SetStringAttribute(header.get(), SubItemName(Kind::Title, n).c_str(), item.title);
            SetStringAttribute(header.get(), SubItemName(Kind::Author, n).c_str(), item.artist);
            SetStringAttribute(header.get(), SubItemName(Kind::AlbumTitle, n).c_str(), item.album);
        }
    }
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    SetQwordAttribute(header.get(), WmAttribute::kEncodingTime,
                      (static_cast<QWORD>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

HRESULT CWmWriteFile::Stop()
{
    return S_FALSE;
}

HRESULT CWmWriteFile::AttachInput(IPlayerInput* input, int)
{
    if (!input)
        return E_POINTER;
    if (m_input)
        return E_FAIL;
    m_input = ComPtr<IPlayerInput>::copy(input);
    return S_OK;
}

HRESULT CWmWriteFile::DetachInput(IPlayerInput*)
{
    return S_FALSE;
}

HRESULT CWmWriteFile::SetProgressStatus(IProgressStatus* status)
{
    if (!status)
        return E_POINTER;
    if (m_progress)
        return E_FAIL;
    m_progress = ComPtr<IProgressStatus>::copy(status);
    return S_OK;
}

HRESULT CWmWriteFile::Close()
{
    return S_FALSE;
}

DWORD WINAPI CWmWriteFile::ThreadMain(void* parameter)
{
    const ThreadStart start = *std::unique_ptr<ThreadStart>(static_cast<ThreadStart*>(parameter));
    start.writer->RunWriterLoop();
    start.writer->Release();
    if (start.library)
        FreeLibraryAndExitThread(start.library, 0);
    return 0;
}

void CWmWriteFile::RunWriterLoop()
{
    m_input->OpenSource();
    m_input->SetActive(TRUE);
    HRESULT result = WritePieces();
    const HRESULT finished = FinishFile();
    if (result == S_OK && FAILED(finished))
        result = finished;
    // A cancel that came while the file was finished still leaves the target as it was.
    if (result == S_OK && m_progress->IsCancelRequested() == S_OK)
        result = S_FALSE;
    const HRESULT replaced = ReplaceTarget(result == S_OK);
    if (result == S_OK && FAILED(replaced))
        result = replaced;
    if (FAILED(result))
        m_progress->SetError(result);
    m_running = false;
    m_input->SetActive(FALSE);
    m_input->CloseSource();
    m_writer.reset();
    m_progress->SetComplete();
}

HRESULT CWmWriteFile::WritePieces()
{
    ComPtr<INSSBuffer> pending;
    DWORD pendingBytes = 0;
    HRESULT lastFailure = HRESULT_FROM_WIN32(ERROR_TIMEOUT);
    ULONGLONG lastProgress = GetTickCount64();
    while (m_writtenBytes < m_totalBytes) {
        if (m_progress->IsCancelRequested() == S_OK)
            return S_FALSE;
        if (GetTickCount64() - lastProgress > m_stallLimitMs)
            return lastFailure;
        if (!pending) {
            if (m_input->IsDataReady() != S_OK) {
                Sleep(kRetryDelayMs);
                continue;
            }
            pendingBytes = static_cast<DWORD>(std::min<LONGLONG>(m_totalBytes - m_writtenBytes, kPieceBytes));
            BYTE* data = nullptr;
            DWORD capacity = 0;
            HRESULT hr = m_writer->AllocateSample(pendingBytes, pending.put());
            if (SUCCEEDED(hr))
                hr = pending ? pending->GetBufferAndLength(&data, &capacity) : E_FAIL;
            if (SUCCEEDED(hr) && (!data || capacity < pendingBytes))
                hr = E_FAIL;
            if (SUCCEEDED(hr))
                hr = m_input->Read(data, pendingBytes);
            if (SUCCEEDED(hr))
                hr = pending->SetLength(pendingBytes);
            m_input->SetBufferedBytes(0);
            if (FAILED(hr)) {
                pending.reset();
                lastFailure = hr;
                Sleep(kRetryDelayMs);
                continue;
            }
        }
        // A refused piece keeps its bytes and is written again: reading another piece would
        // lose this one's audio and shift the rest of the file.
        const HRESULT hr = m_writer->WriteSample(0, TimeOfBytes(m_writtenBytes), 0, pending.get());
        if (FAILED(hr)) {
            lastFailure = hr;
            Sleep(kRetryDelayMs);
            continue;
        }
        pending.reset();
        m_writtenBytes += pendingBytes;
        lastProgress = GetTickCount64();
        m_progress->SetProgress(static_cast<float>(static_cast<double>(m_writtenBytes) / m_totalBytes));
    }
    if (m_totalBytes == 0)
        m_progress->SetProgress(0.0f);
    return m_progress->IsCancelRequested() == S_OK ? S_FALSE : S_OK;
}

HRESULT CWmWriteFile::FinishFile()
{
    const HRESULT flushed = m_writer->Flush();
    const HRESULT ended = m_writer->EndWriting();
    if (FAILED(flushed))
        return flushed;
    return FAILED(ended) ? ended : S_OK;
}

HRESULT CWmWriteFile::ReplaceTarget(bool keep)
{
    // By UTF-16 paths: a path outside the ANSI code page must not leave the new file, nor hit
    // another file by best-fit mapping.
    if (keep && MoveFileExW(m_tempPath.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return S_OK;
    const DWORD error = keep ? GetLastError() : ERROR_SUCCESS;
    DeleteFileW(m_tempPath.c_str());
    if (!keep)
        return S_FALSE;
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

QWORD CWmWriteFile::TimeOfBytes(LONGLONG bytes) const
{
    return static_cast<QWORD>(bytes / m_blockAlign) * kTimeUnitsPerSecond / m_samplesPerSec;
}
