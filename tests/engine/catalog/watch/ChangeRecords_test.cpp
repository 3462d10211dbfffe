// Change packets built by hand as the system lays them out: every record is read once, and
// nothing outside the bytes the packet carries is read, whatever its offsets and lengths claim.
#include "engine/catalog/watch/ChangeRecords.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Record {
    std::wstring name;
    // Next-entry offset; -1 for "the record's own length", as the system writes it.
    long long next = -1;
    // Name length in bytes; -1 for the name's true length.
    long long nameBytes = -1;
};

void PutDword(std::vector<BYTE>& out, size_t at, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<BYTE>(value >> (8 * i));
}

// The records laid out one after another, each padded to a DWORD boundary.
std::vector<BYTE> Packet(const std::vector<Record>& records)
{
    std::vector<BYTE> out;
    for (size_t i = 0; i < records.size(); ++i) {
        const Record& record = records[i];
        const size_t start = out.size();
        const size_t nameBytes = record.name.size() * sizeof(wchar_t);
        const size_t length = (12 + nameBytes + 3) / 4 * 4;
        out.resize(start + length, 0);
        const bool last = i + 1 == records.size();
        PutDword(out, start, record.next >= 0 ? DWORD(record.next) : last ? 0 : DWORD(length));
        PutDword(out, start + 4, FILE_ACTION_ADDED);
        PutDword(out, start + 8, record.nameBytes >= 0 ? DWORD(record.nameBytes) : DWORD(nameBytes));
        memcpy(out.data() + start + 12, record.name.data(), nameBytes);
    }
    return out;
}

std::vector<std::wstring> Names(const std::vector<BYTE>& packet, DWORD bytes)
{
    std::vector<std::wstring> names;
    for (const CString& name : ReadChangeRecordNames(packet.data(), bytes))
        names.emplace_back(name.GetString());
    return names;
}

TEST(ChangeRecords, EachRecordOnceAndNothingPastThePacket)
{
    const std::vector<BYTE> three = Packet({{L"one.wav"}, {L"zwei.mp3"}, {L"três.wav"}});
    const std::vector<BYTE> loop = Packet({{L"a.wav"}, {L"b.wav", 0x7FFFFFFF}});
    const std::vector<BYTE> longName = Packet({{L"a.wav"}, {L"b.wav", -1, 400}});
    const std::vector<BYTE> firstEnds = Packet({{L"a.wav", 0}, {L"b.wav"}});
    const std::vector<BYTE> odd = Packet({{L"x.wav", -1, 9}});
    const DWORD firstLength = (12 + 5 * 2 + 3) / 4 * 4;
    const struct {
        const char* name;
        const std::vector<BYTE>& packet;
        DWORD bytes;
        std::vector<std::wstring> expected;
    } rows[] = {
        {"three records", three, DWORD(three.size()), {L"one.wav", L"zwei.mp3", L"três.wav"}},
        {"an overflowed buffer carries 0 bytes", three, 0, {}},
        {"the packet ends inside the second name", three, firstLength + 12 + 4, {L"one.wav"}},
        {"the packet ends inside the first header", three, 8, {}},
        {"an offset past the packet ends the walk", loop, DWORD(loop.size()), {L"a.wav", L"b.wav"}},
        {"a name longer than the packet", longName, DWORD(longName.size()), {L"a.wav"}},
        {"an offset of 0 ends the walk", firstEnds, DWORD(firstEnds.size()), {L"a.wav"}},
        {"an odd name length drops the half character", odd, DWORD(odd.size()), {L"x.wa"}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Names(row.packet, row.bytes), row.expected) << row.name;
}

}  // namespace
