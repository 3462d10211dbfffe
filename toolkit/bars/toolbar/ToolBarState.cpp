#include "toolkit/bars/toolbar/ToolBarState.h"

#include "classlib/core/Archive.h"
#include "classlib/core/MemFile.h"

namespace {

constexpr ULONGLONG kRecordSize = sizeof(CUVToolBarButtonInfo);
// The least a stored button and a stored text take: command, style, image, kind; command and an
// empty string (marker and length).
constexpr ULONGLONG kMinButtonBytes = 4 + 1 + 4 + 2;
constexpr ULONGLONG kMinTextBytes = 4 + 4;

// The kind word: bit 0 a custom record follows; bits 1-2 what the image is.
constexpr uint16_t kHasRecord = 0x1;
constexpr uint16_t ImageKind(int32_t image)
{
    return static_cast<uint16_t>((image >= 0 ? 2 : image == UVToolBarState::kNoImage ? 1 : 0) << 1);
}

}  // namespace

std::vector<BYTE> SerializeToolBarState(const UVToolBarState& state)
{
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        ar << UVToolBarState::kVersion << state.flags;
        ar.WriteCount(kRecordSize);
        ar.WriteCount(state.buttons.size());
        for (const UVToolBarState::Button& button : state.buttons) {
            const uint16_t kind = ImageKind(button.image) | (button.record ? kHasRecord : 0);
            ar << button.command << button.style << button.image << kind;
            if (button.record)
                ar.Write(&*button.record, sizeof(CUVToolBarButtonInfo));
        }
        ar.WriteCount(state.texts.size());
        for (const UVToolBarState::Text& text : state.texts)
            ar << text.command << text.text;
        ar.Close();
    }
    return std::vector<BYTE>(file.GetData(), file.GetData() + file.GetLength());
}

BOOL ParseToolBarState(const BYTE* data, size_t size, UVToolBarState& state)
{
    UVToolBarState parsed;
    try {
        CMemFile file;
        file.Write(data, static_cast<UINT>(size));
        file.SeekToBegin();
        CArchive ar(&file, CArchive::load);
        uint16_t version = 0;
        ar >> version >> parsed.flags;
        if (version != UVToolBarState::kVersion || ar.ReadCount() != kRecordSize)
            return FALSE;
        const ULONGLONG buttons = ar.ReadCount(kMinButtonBytes);
        parsed.buttons.resize(static_cast<size_t>(buttons));
        for (UVToolBarState::Button& button : parsed.buttons) {
            uint16_t kind = 0;
            ar >> button.command >> button.style >> button.image >> kind;
            if (kind & kHasRecord) {
                button.record.emplace();
                ar.ReadExactly(&*button.record, sizeof(CUVToolBarButtonInfo));
            }
        }
        const ULONGLONG texts = ar.ReadCount(kMinTextBytes);
        parsed.texts.resize(static_cast<size_t>(texts));
        for (UVToolBarState::Text& text : parsed.texts)
            ar >> text.command >> text.text;
    } catch (const CException&) {
        return FALSE;
    }
    state = std::move(parsed);
    return TRUE;
}
