#include "engine/catalog/tags/ID3Tag.h"

#include <cstring>

#include "classlib/com/UniqueHandle.h"
#include "engine/core/storage/PageBuffer.h"

namespace {

constexpr BYTE kFlagUnsynchronisation = 0x80;
constexpr BYTE kFlagExtendedHeader = 0x40;
constexpr BYTE kFrameFlagUnsynchronised = 0x02;
constexpr size_t kV2FrameHeader = 6;
constexpr size_t kV34FrameHeader = 10;

// Version 2.2 three-character ids and their four-character forms.
constexpr const char* kV22Ids[][2] = {
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"CRM", "ENCR"}, {"ETC", "ETCO"},
    {"EQU", "EQUA"}, {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"LNK", "LINK"}, {"MCI", "MCDI"}, {"MLL", "MLLT"},
    {"PIC", "APIC"}, {"POP", "POPM"}, {"REV", "RVRB"}, {"RVA", "RVAD"}, {"SLT", "SYLT"}, {"STC", "SYTC"},
    {"TAL", "TALB"}, {"TBP", "TBPM"}, {"TCM", "TCOM"}, {"TCO", "TCON"}, {"TCR", "TCOP"}, {"TDA", "TDAT"},
    {"TDY", "TDLY"}, {"TEN", "TENC"}, {"TFT", "TFLT"}, {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"},
    {"TLE", "TLEN"}, {"TMT", "TMED"}, {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"},
    {"TOT", "TOAL"}, {"TP1", "TPE1"}, {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TPA", "TPOS"},
    {"TPB", "TPUB"}, {"TRC", "TSRC"}, {"TRD", "TRDA"}, {"TRK", "TRCK"}, {"TSI", "TSIZ"}, {"TSS", "TSSE"},
    {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"}, {"TXT", "TEXT"}, {"TXX", "TXXX"}, {"TYE", "TYER"},
    {"UFI", "UFID"}, {"ULT", "USLT"}, {"WAF", "WOAF"}, {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"},
    {"WCP", "WCOP"}, {"WPB", "WPUB"}, {"WXX", "WXXX"}};
static_assert(sizeof(kV22Ids) / sizeof(kV22Ids[0]) == 63);

void TranslateV22Id(const BYTE* id, char out[4])
{
    std::memset(out, 0, 4);
    for (const auto& entry : kV22Ids) {
        if (std::memcmp(entry[0], id, 3) == 0) {
            std::memcpy(out, entry[1], 4);
            return;
        }
    }
}

ULONGLONG Synchsafe(const BYTE* bytes)
{
    return (ULONGLONG(bytes[0] & 0x7F) << 21) | (ULONGLONG(bytes[1] & 0x7F) << 14) | (ULONGLONG(bytes[2] & 0x7F) << 7) |
           ULONGLONG(bytes[3] & 0x7F);
}

ULONGLONG BigEndian(const BYTE* bytes, int count)
{
    ULONGLONG value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

}  // namespace

BOOL CID3Tag::ParseHeader(const BYTE header[kHeaderSize], DWORD* bodySize)
{
    if (std::memcmp(header, "ID3", 3) != 0 || header[3] < 2 || header[3] > 4)
        return FALSE;
    *bodySize = static_cast<DWORD>(Synchsafe(header + 6));
    return TRUE;
}

HRESULT CID3Tag::Read(const wchar_t* path)
{
    m_path = path;
    m_frames.clear();
    m_totalSize = 0;
    UniqueFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return E_FAIL;
    BYTE header[kHeaderSize];
    DWORD got = 0;
    DWORD bodySize = 0;
    if (!ReadFile(file.get(), header, kHeaderSize, &got, nullptr) || got != kHeaderSize ||
        !ParseHeader(header, &bodySize))
        return S_FALSE;
    LARGE_INTEGER fileSize{};
    if (!GetFileSizeEx(file.get(), &fileSize))
        return S_FALSE;
    // A header may claim up to 256 MiB; never take more than the file holds after the header.
    const ULONGLONG available = static_cast<ULONGLONG>(fileSize.QuadPart) - kHeaderSize;
    const DWORD wanted = static_cast<DWORD>(bodySize < available ? bodySize : available);
    CPageBuffer body;
    if (wanted == 0 || !body.Allocate(wanted))
        return S_FALSE;
    if (!ReadFile(file.get(), body.Get(), wanted, &got, nullptr))
        return S_FALSE;
    m_totalSize = ULONGLONG(bodySize) + kHeaderSize;
    ReadFrames(body.Get(), got, header[3], header[5]);
    return S_OK;
}

void CID3Tag::ReadFrames(BYTE* body, size_t size, int version, BYTE flags)
{
    if (flags & kFlagUnsynchronisation)
        size = RemoveUnsynchronisation(body, size);
    ULONGLONG offset = 0;
    if ((flags & kFlagExtendedHeader) && version == 3 && size >= 4)
        offset = 4 + BigEndian(body, 4);
    else if ((flags & kFlagExtendedHeader) && version == 4 && size >= 4)
        offset = Synchsafe(body);
    const size_t headerSize = version == 2 ? kV2FrameHeader : kV34FrameHeader;
    while (offset < size && size - offset > headerSize) {
        const BYTE* frame = body + offset;
        if (frame[0] == 0)
            break;
        char id[4];
        ULONGLONG length = 0;
        BYTE formatFlags = 0;
        if (version == 2) {
            TranslateV22Id(frame, id);
            length = BigEndian(frame + 3, 3);
        } else {
            std::memcpy(id, frame, 4);
            length = version == 3 ? BigEndian(frame + 4, 4) : Synchsafe(frame + 4);
            formatFlags = frame[9];
        }
        const ULONGLONG dataStart = offset + headerSize;
        if (length == 0 || length > size - dataStart)
            break;
        auto stored = std::make_unique<CID3Frame>(id, body + dataStart, static_cast<size_t>(length));
        if (formatFlags & kFrameFlagUnsynchronised)
            stored->RemoveUnsynchronisation();
        m_frames.push_back(std::move(stored));
        offset = dataStart + length;
    }
}

HRESULT CID3Tag::GetText(const char id[4], CString* text) const
{
    for (const auto& frame : m_frames) {
        if (frame->HasId(id))
            return frame->GetText(text) ? S_OK : E_FAIL;
    }
    return E_FAIL;
}

HRESULT CID3Tag::GetPrivateData(const char* owner, BYTE* buffer, DWORD* size) const
{
    const size_t ownerLength = std::strlen(owner);
    for (const auto& frame : m_frames) {
        if (!frame->HasId("PRIV") || frame->GetLength() <= ownerLength ||
            std::memcmp(frame->GetData(), owner, ownerLength + 1) != 0)
            continue;
        const DWORD dataSize = static_cast<DWORD>(frame->GetLength() - ownerLength - 1);
        if (buffer) {
            if (*size < dataSize)
                return E_FAIL;
            std::memcpy(buffer, frame->GetData() + ownerLength + 1, dataSize);
        }
        *size = dataSize;
        return S_OK;
    }
    return E_FAIL;
}
