// The saved toolbar state: what reg.exe reads back carries a CRC-32 that zlib agrees with, and
// every damaged value is refused.
#include "toolkit/bars/toolbar/SavedToolBarState.h"

#include "tests/support/TempDir.h"
#include "tests/support/UnixTools.h"
#include "tests/toolkit/bars/TestProfile.h"
#include "toolkit/controls/customize/Crc32.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

UVToolBarState SampleState()
{
    UVToolBarState state;
    state.flags = UVToolBarState::kListStyle;
    CUVToolBarButtonInfo info;
    info.command = 102;
    info.menuId = 500;
    info.flags = CUVToolBarButtonInfo::isDropDown;
    state.buttons = {{101, 0, 0, {}}, {0, 1, UVToolBarState::kNoImage, {}}, {102, 8, 1, info}, {103, 0, -5, {}}};
    state.texts = {{101, L"Play"}, {103, L"Stop"}};
    return state;
}

const std::vector<BYTE> kSnapshot{1, 2, 3, 4, 5};

class SavedState : public TestProfile {
protected:
    // The value as reg.exe lists it, as bytes.
    std::vector<BYTE> RegBytes(const wchar_t* entry) const
    {
        std::istringstream listing(RegQuery(L"Settings"));
        std::string line;
        const std::string name(entry, entry + wcslen(entry));
        while (std::getline(listing, line)) {
            std::istringstream fields(line);
            std::string value, type, hex;
            fields >> value >> type >> hex;
            if (value != name || type != "REG_BINARY")
                continue;
            std::vector<BYTE> bytes;
            for (size_t i = 0; i + 1 < hex.size(); i += 2)
                bytes.push_back(static_cast<BYTE>(std::stoi(hex.substr(i, 2), nullptr, 16)));
            return bytes;
        }
        return {};
    }
    // The stored value with the checked-blob CRC put in front.
    void WriteChecked(const wchar_t* entry, const std::vector<BYTE>& payload) const
    {
        std::vector<BYTE> value(4);
        const uint32_t crc = CUVCrc32::Of(payload.data(), payload.size());
        memcpy(value.data(), &crc, 4);
        value.insert(value.end(), payload.begin(), payload.end());
        WriteRaw(L"Settings", entry, REG_BINARY, value.data(), static_cast<DWORD>(value.size()));
    }
    // The payload of a saved state: snapshot CRC, count, state bytes (count as written).
    static std::vector<BYTE> Payload(const std::vector<BYTE>& state, uint16_t count, uint32_t snapshotCrc)
    {
        std::vector<BYTE> payload(6);
        memcpy(payload.data(), &snapshotCrc, 4);
        memcpy(payload.data() + 4, &count, 2);
        payload.insert(payload.end(), state.begin(), state.end());
        return payload;
    }
};

TEST_F(SavedState, RegQueryReadsACrcThatZlibAgreesWithAndTheStateComesBack)
{
    ASSERT_TRUE(SaveToolBarState(L"Settings", L"Main-Bar59392", kSnapshot, SampleState()));
    const std::vector<BYTE> value = RegBytes(L"Main-Bar59392");
    ASSERT_GT(value.size(), 4u);
    if (fixtures::HaveUnixTools()) {
        fixtures::TempDir dir(L"toolbar-state");
        const std::wstring rest = dir.File(L"rest.bin"), answer = dir.File(L"crc.txt");
        std::ofstream(std::filesystem::path(rest), std::ios::binary)
            .write(reinterpret_cast<const char*>(value.data() + 4), static_cast<std::streamsize>(value.size() - 4));
        ASSERT_EQ(fixtures::RunUnixTool("python3", {"-c",
                                                    "import sys, zlib; open(sys.argv[2], 'w').write(str(zlib.crc32("
                                                    "open(sys.argv[1], 'rb').read())))",
                                                    fixtures::UnixPath(rest), fixtures::UnixPath(answer)}),
                  0);
        std::ifstream in{std::filesystem::path(answer)};
        const std::string zlibCrc{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        uint32_t stored = 0;
        memcpy(&stored, value.data(), 4);
        EXPECT_EQ(std::to_string(stored), zlibCrc);
    }
    UVToolBarState loaded;
    ASSERT_TRUE(LoadToolBarState(L"Settings", L"Main-Bar59392", kSnapshot, loaded));
    const UVToolBarState sample = SampleState();
    EXPECT_EQ(loaded.flags, sample.flags);
    ASSERT_EQ(loaded.buttons.size(), sample.buttons.size());
    for (size_t i = 0; i < sample.buttons.size(); ++i) {
        EXPECT_EQ(loaded.buttons[i].command, sample.buttons[i].command) << i;
        EXPECT_EQ(loaded.buttons[i].style, sample.buttons[i].style) << i;
        EXPECT_EQ(loaded.buttons[i].image, sample.buttons[i].image) << i;
        EXPECT_EQ(loaded.buttons[i].record.has_value(), sample.buttons[i].record.has_value()) << i;
    }
    EXPECT_EQ(loaded.buttons[2].record->menuId, 500u);
    ASSERT_EQ(loaded.texts.size(), 2u);
    EXPECT_TRUE(loaded.texts[1].text == L"Stop");
}

TEST_F(SavedState, StateBytesHaveTheStoredLayout)
{
    const std::vector<BYTE> bytes = SerializeToolBarState(SampleState());
    // version 1, flags 1, record size 40, 4 buttons; the first: id 101, style 0, image 0, kind 4.
    const BYTE head[] = {1, 0, 1, 0, 40, 0, 4, 0, 101, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0};
    ASSERT_GE(bytes.size(), sizeof(head));
    EXPECT_EQ(std::vector<BYTE>(bytes.begin(), bytes.begin() + sizeof(head)),
              std::vector<BYTE>(std::begin(head), std::end(head)));
    // The separator has no image (kind 2), the drop-down carries its 40-byte record (kind 5).
    EXPECT_EQ(bytes[19 + 9], 2);
    EXPECT_EQ(bytes[19 + 11 + 9], 5);
}

TEST_F(SavedState, DamagedValuesAreRefused)
{
    const std::vector<BYTE> good = SerializeToolBarState(SampleState());
    const uint32_t snapshotCrc = CUVCrc32::Of(kSnapshot.data(), kSnapshot.size());
    const auto count = static_cast<uint16_t>(good.size());
    auto patched = [&](size_t offset, std::vector<BYTE> with) {
        std::vector<BYTE> state = good;
        std::copy(with.begin(), with.end(), state.begin() + static_cast<std::ptrdiff_t>(offset));
        return Payload(state, count, snapshotCrc);
    };
    const size_t textCountAt = good.size() - (2 + 2 * (4 + 4 + 4 * 2));
    struct Case {
        const char* name;
        std::vector<BYTE> payload;
        bool checked;  // with the blob's CRC in front
    } cases[] = {
        {"under 4 bytes", {1, 2, 3}, false},
        {"crc mismatch",
         [&] {
             std::vector<BYTE> v = Payload(good, count, snapshotCrc);
             std::vector<BYTE> value(4, 0);
             const uint32_t crc = CUVCrc32::Of(v.data(), v.size()) ^ 1;
             memcpy(value.data(), &crc, 4);
             value.insert(value.end(), v.begin(), v.end());
             return value;
         }(),
         false},
        {"version 2", patched(0, {2, 0}), true},
        {"record size 39", patched(4, {39, 0}), true},
        {"button count past the end", patched(6, {0xE8, 0x03}), true},
        {"escaped button count past the end", patched(6, {0xFF, 0xFF}), true},
        {"text count past the end", patched(textCountAt, {200, 0}), true},
        {"text length past the end", patched(textCountAt + 2 + 4 + 3, {0xFE}), true},
        {"archive count past the end", Payload(good, static_cast<uint16_t>(count + 1), snapshotCrc), true},
        {"archive count short of the state", Payload(good, static_cast<uint16_t>(count - 3), snapshotCrc), true},
        {"snapshot of a changed resource", Payload(good, count, snapshotCrc + 1), true},
    };
    for (const Case& c : cases) {
        if (c.checked)
            WriteChecked(L"Bar", c.payload);
        else
            WriteRaw(L"Settings", L"Bar", REG_BINARY, c.payload.data(), static_cast<DWORD>(c.payload.size()));
        UVToolBarState state;
        state.flags = 77;
        EXPECT_FALSE(LoadToolBarState(L"Settings", L"Bar", kSnapshot, state)) << c.name;
        EXPECT_EQ(state.flags, 77) << c.name << ": left alone";
    }
    WriteChecked(L"Bar", Payload(good, count, snapshotCrc));
    UVToolBarState state;
    EXPECT_TRUE(LoadToolBarState(L"Settings", L"Bar", kSnapshot, state)) << "the undamaged value loads";
}

}  // namespace
