// Reads at any position against the double's decoded stream, whose every frame says where it
// lies: the reader must deliver exactly the stream's bytes, also when the runtime's seek lands
// after the requested time (as Wine's once did, by 96 ms).
#include "tests/winmedia/double/WmRuntimeDouble.h"
#include "winmedia/PcmReaderWma.h"

#include <gtest/gtest.h>
#include <oleauto.h>

#include <vector>

namespace {

constexpr size_t kFrames = 441000;  // 10 s
constexpr DWORD kLate96Ms = 4234;

int16_t LeftOf(size_t frame)
{
    return static_cast<int16_t>(frame & 0x7FFF);
}
int16_t RightOf(size_t frame)
{
    return static_cast<int16_t>(frame >> 15);
}

TEST(WmaSeek, ReadsDeliverExactlyTheStreamsBytesWhereverTheSeekLands)
{
    struct Case {
        const char* name;
        int lateSeeks;
    };
    const Case cases[] = {{"every seek on time", 0}, {"the first seek late", 1}, {"three seeks late", 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        wmdouble::RuntimeDouble runtime;
        runtime.SetFileQword(0, L"Duration", 100000000);
        runtime.recording.decoded.resize(kFrames * 2);
        for (size_t f = 0; f < kFrames; ++f) {
            runtime.recording.decoded[2 * f] = LeftOf(f);
            runtime.recording.decoded[2 * f + 1] = RightOf(f);
        }
        runtime.recording.lateSeeks = c.lateSeeks;
        runtime.recording.lateFrames = kLate96Ms;

        auto* object = new CPcmReaderWma(runtime.Runtime());
        ComPtr<IPcmReader> reader;
        object->QueryInterface(IID_IPcmReader, reader.put_void());
        BSTR name = SysAllocString(L"C:\\counted.wma");
        ASSERT_EQ(reader->Open(name, FALSE), S_OK);
        SysFreeString(name);

        const struct {
            size_t frame;
            unsigned frames;
            bool seeks;
        } reads[] = {
            {200000, 4410, true},
            {204410, 4410, false},
            {1000, 4410, true},
            {kFrames - 1000, 1000, true},
        };
        for (const auto& r : reads) {
            SCOPED_TRACE(r.frame);
            std::vector<int16_t> out(r.frames * 2, 0x5555);
            const unsigned seeks = object->SeekCount();
            ASSERT_EQ(reader->LoadPcm(reinterpret_cast<unsigned char*>(out.data()), static_cast<LONGLONG>(r.frame) * 4,
                                      r.frames * 4),
                      S_OK);
            EXPECT_EQ(object->SeekCount() > seeks, r.seeks);
            size_t wrong = 0;
            for (size_t i = 0; i < r.frames; ++i)
                wrong += out[2 * i] != LeftOf(r.frame + i) || out[2 * i + 1] != RightOf(r.frame + i);
            EXPECT_EQ(wrong, 0u) << "first frame read " << out[0] + (static_cast<long>(out[1]) << 15);
        }
        EXPECT_EQ(runtime.recording.lateSeeks, 0);
    }
}

}  // namespace
