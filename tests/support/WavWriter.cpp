#include "tests/support/WavWriter.h"

#include <cstring>
#include <filesystem>
#include <fstream>

namespace fixtures {

namespace {
void Put16(std::vector<uint8_t>& v, uint16_t x)
{
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x)
{
    Put16(v, static_cast<uint16_t>(x));
    Put16(v, static_cast<uint16_t>(x >> 16));
}
uint32_t Get32(const uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Get16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
}  // namespace

RiffChunk FormatChunk(uint16_t formatTag, uint16_t channels, uint32_t rate, uint16_t bitsPerSample, uint16_t blockAlign)
{
    RiffChunk c{{'f', 'm', 't', ' '}, {}};
    Put16(c.body, formatTag);
    Put16(c.body, channels);
    Put32(c.body, rate);
    Put32(c.body, rate * blockAlign);
    Put16(c.body, blockAlign);
    Put16(c.body, bitsPerSample);
    return c;
}

RiffChunk ExtensibleFormatChunk(bool floatSubFormat, uint16_t channels, uint32_t rate, uint16_t bitsPerSample)
{
    uint16_t blockAlign = static_cast<uint16_t>(channels * bitsPerSample / 8);
    RiffChunk c = FormatChunk(0xFFFE, channels, rate, bitsPerSample, blockAlign);
    Put16(c.body, 22);
    Put16(c.body, bitsPerSample);
    Put32(c.body, channels == 1 ? 0x4 : 0x3);
    Put32(c.body, floatSubFormat ? 3 : 1);
    const uint8_t tail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    c.body.insert(c.body.end(), tail, tail + 12);
    return c;
}

RiffChunk DataChunk(const void* bytes, size_t size)
{
    RiffChunk c{{'d', 'a', 't', 'a'}, {}};
    c.body.assign(static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + size);
    return c;
}

RiffChunk OtherChunk(const char* id, size_t size, uint8_t fill)
{
    RiffChunk c{{id[0], id[1], id[2], id[3]}, std::vector<uint8_t>(size, fill)};
    return c;
}

bool WriteRiffWave(const std::wstring& path, const std::vector<RiffChunk>& chunks)
{
    std::vector<uint8_t> form = {'W', 'A', 'V', 'E'};
    for (const RiffChunk& c : chunks) {
        form.insert(form.end(), c.id, c.id + 4);
        Put32(form, static_cast<uint32_t>(c.body.size()));
        form.insert(form.end(), c.body.begin(), c.body.end());
        if (c.body.size() & 1)
            form.push_back(0);
    }
    std::vector<uint8_t> file = {'R', 'I', 'F', 'F'};
    Put32(file, static_cast<uint32_t>(form.size()));
    file.insert(file.end(), form.begin(), form.end());
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

bool WriteWav16(const std::wstring& path, const std::vector<int16_t>& samples, uint32_t rate, uint16_t channels)
{
    return WriteRiffWave(path, {FormatChunk(1, channels, rate, 16, static_cast<uint16_t>(2 * channels)),
                                DataChunk(samples.data(), samples.size() * 2)});
}

bool WriteWav8(const std::wstring& path, const std::vector<uint8_t>& samples, uint32_t rate, uint16_t channels)
{
    return WriteRiffWave(path,
                         {FormatChunk(1, channels, rate, 8, channels), DataChunk(samples.data(), samples.size())});
}

std::vector<uint8_t> ReadFileBytes(const std::wstring& path)
{
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool ReadWav16(const std::wstring& path, std::vector<int16_t>& samples, uint32_t& rate, uint16_t& channels)
{
    std::vector<uint8_t> file = ReadFileBytes(path);
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0)
        return false;
    bool haveFormat = false;
    for (size_t pos = 12; pos + 8 <= file.size();) {
        uint32_t size = Get32(&file[pos + 4]);
        size_t body = pos + 8;
        if (std::memcmp(&file[pos], "fmt ", 4) == 0 && body + 16 <= file.size()) {
            channels = Get16(&file[body + 2]);
            rate = Get32(&file[body + 4]);
            haveFormat = Get16(&file[body + 14]) == 16;
        } else if (std::memcmp(&file[pos], "data", 4) == 0 && haveFormat) {
            size_t bytes = std::min<size_t>(size, file.size() - body);
            samples.resize(bytes / 2);
            std::memcpy(samples.data(), &file[body], samples.size() * 2);
            return true;
        }
        pos = body + size + (size & 1);
    }
    return false;
}

}  // namespace fixtures
