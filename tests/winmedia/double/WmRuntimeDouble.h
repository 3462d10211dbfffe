// A recording double of the Windows Media Format runtime, for the library's attribute and writer
// code, which Wine 8 does not implement. Its creation functions make a synchronous reader (one
// audio output, the file attributes of the recording, no samples), a metadata editor, a writer
// (its samples go to a WAV file at the output path, its header attributes to the recording) and
// a profile manager over the recording's system profiles.
//
// Attributes are kept per stream number and name, as the runtime keeps them. The writer's
// failures can be injected: a number of refused writes, every write refused, a refused flush or
// end of writing (the file is then left as far as it got).
//
// One RuntimeDouble at a time; its objects may be used from the writer's thread while the test
// waits for completion.
#pragma once

#include "winmedia/WmRuntime.h"

#include <windows.h>
#include <mmreg.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace wmdouble {

struct Attribute {
    WMT_ATTR_DATATYPE type;
    std::vector<BYTE> value;
};
using AttributeStore = std::map<std::pair<WORD, std::wstring>, Attribute>;

struct ProfileStream {
    GUID type;
    DWORD bitRate;
};
struct ProfileSpec {
    std::wstring name;
    std::vector<ProfileStream> streams;  // numbered from 1
};

// The stream number of the double reader's audio output.
inline constexpr WORD kAudioStreamNumber = 2;

struct Recording {
    // Synchronous reader: what the file holds. The decoded stream (16-bit stereo) is delivered
    // in samples of `frameCount` frames, from the sample that holds the time of the last
    // SetRange; the next `lateSeeks` seeks land `lateFrames` after it (their time stamps say
    // where they landed).
    AttributeStore fileAttributes;
    WAVEFORMATEX outputFormat = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    std::vector<int16_t> decoded;
    DWORD frameCount = 2048;
    int lateSeeks = 0;
    DWORD lateFrames = 0;
    int seeks = 0;
    // Metadata editor.
    AttributeStore edited;
    bool editorFlushed = false;
    // Writer.
    AttributeStore written;
    std::wstring outputPath;
    std::wstring profileSet;  // name of the profile given to SetProfile
    GUID inputMajorType = {};
    GUID inputSubtype = {};
    BOOL inputFixedSize = FALSE;
    BOOL inputTemporalCompression = TRUE;
    WAVEFORMATEX inputFormat = {};
    DWORD inputFormatBytes = 0;
    std::vector<QWORD> sampleTimes;
    std::atomic<int> writeFailuresLeft{0};
    std::atomic<bool> writesAlwaysFail{false};
    std::atomic<bool> flushFails{false};
    std::atomic<bool> endWritingFails{false};
    // BeginWriting creates the output file, closes it and refuses.
    std::atomic<bool> beginWritingFails{false};
    bool beganWriting = false;
    bool endedWriting = false;
    // Profile manager.
    std::vector<ProfileSpec> profiles;
    DWORD profileVersion = 0;
};

class RuntimeDouble {
public:
    RuntimeDouble();
    ~RuntimeDouble();
    RuntimeDouble(const RuntimeDouble&) = delete;
    RuntimeDouble& operator=(const RuntimeDouble&) = delete;

    const WmRuntime& Runtime() const { return m_runtime; }
    Recording recording;

    void SetFileAttribute(WORD stream, const std::wstring& name, WMT_ATTR_DATATYPE type, const void* value,
                          size_t size);
    void SetFileString(WORD stream, const std::wstring& name, const std::wstring& text);
    void SetFileQword(WORD stream, const std::wstring& name, QWORD value);
    // The attributes of sub-item `index` of a mixed file, at stream 0 as the writer puts them: its
    // end (microseconds) and its strings (NULL: not set).
    void SetFileSubItem(unsigned index, QWORD end, const wchar_t* title, const wchar_t* author, const wchar_t* album);

private:
    WmRuntime m_runtime;
};

// A string or QWORD attribute of a store, when it is there with that type.
bool StringOf(const AttributeStore& store, WORD stream, const std::wstring& name, std::wstring& text);
bool QwordOf(const AttributeStore& store, WORD stream, const std::wstring& name, QWORD& value);

}  // namespace wmdouble
