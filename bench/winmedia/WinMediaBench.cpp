// Prints the Windows Media library's figures:
// - sequential LoadPcm of a 5-minute WMA (ffmpeg-made, wmav2 128 kbit/s stereo) in 64 KiB reads
//   through Quenby.DLL, created by its class factory, over the platform's runtime: multiples of
//   real time by wall clock and by the process's CPU time (the runtime decodes on threads of its
//   own, so CPU time gives the one-core figure). Target: at least 100;
// - the writer's loop over a 5-minute input through the recording double of the runtime (which
//   writes the samples to a WAV file), input always ready: multiples of real time by wall clock.
//   Target: at least 200.
// No peer is timed: the peers on this machine (ffmpeg) are Unix programs, and timing them through
// a process started from inside Wine would not be how their users run them.
#include "classlib/com/ComPtr.h"
#include "classlib/com/UniqueHandle.h"
#include "engine/core/server/ProgressStatus.h"
#include "interfaces/IPcmReader.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixTools.h"
#include "tests/winmedia/WmaFixtures.h"
#include "tests/winmedia/WriterInput.h"
#include "tests/winmedia/double/WmRuntimeDouble.h"
#include "winmedia/QuenbyIds.h"
#include "winmedia/WmWriteFile.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

constexpr double kSeconds = 300.0;
constexpr unsigned long kReadBytes = 65536;

double Now()
{
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double ProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

ComPtr<IPcmReader> ReaderFromLibrary(const UniqueModule& library)
{
    using Fn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject =
        reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library.get(), "DllGetClassObject")));
    ComPtr<IClassFactory> factory;
    ComPtr<IPcmReader> reader;
    if (getClassObject && SUCCEEDED(getClassObject(CLSID_PcmReaderWma, IID_IClassFactory, factory.put_void())))
        factory->CreateInstance(nullptr, IID_IPcmReader, reader.put_void());
    return reader;
}

void BenchReader(const fixtures::TempDir& dir)
{
    const std::wstring wma = dir.File(L"five-minutes.wma");
    if (!wmafixtures::Encode(dir, wmafixtures::Chirp(kSeconds, 44100, 2), 44100, 2, "wmav2", "128k", wma)) {
        std::printf("reader: ffmpeg failed\n");
        return;
    }
    UniqueModule library(LoadLibraryW(L"Quenby.DLL"));
    ComPtr<IPcmReader> reader = ReaderFromLibrary(library);
    if (!reader || FAILED(fixtures::OpenPcmReader(reader.get(), wma))) {
        std::printf("reader: the file does not open\n");
        return;
    }
    LONGLONG length = 0;
    reader->GetStreamLength(&length);
    std::vector<unsigned char> buffer(kReadBytes);
    const double cpuStart = ProcessCpuSeconds();
    const double start = Now();
    HRESULT last = S_OK;
    for (LONGLONG pos = 0; pos < length && SUCCEEDED(last); pos += kReadBytes)
        last = reader->LoadPcm(buffer.data(), pos, kReadBytes);
    const double wall = Now() - start;
    const double cpu = ProcessCpuSeconds() - cpuStart;
    const double audio = static_cast<double>(length) / 176400.0;
    std::printf("reader: %.0f s of WMA in 64 KiB reads: %.2f s wall (%.0fx real time), %.2f s CPU (%.0fx real "
                "time on one core); target 100x%s\n",
                audio, wall, audio / wall, cpu, audio / cpu, FAILED(last) ? " (a read FAILED)" : "");
}

void BenchWriter(const fixtures::TempDir& dir)
{
    wmdouble::RuntimeDouble runtime;
    runtime.recording.profiles = {
        {L"Audio (stereo, 128 Kbps)",
         {{{0x73647561, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}}, 128000}}}};
    WriterInput input(wmafixtures::Chirp(kSeconds, 44100, 2), 0);
    ComPtr<IProgressStatus> progress = ComPtr<IProgressStatus>::attach(new CProgressStatus());
    ComPtr<IPlayerOutput> writer;
    (new CWmWriteFile(runtime.Runtime()))->QueryInterface(IID_IPlayerOutput, writer.put_void());
    writer->Open();
    writer->AttachInput(&input, 0);
    writer->SetProgressStatus(progress.get());
    writer->SetFormat(0);
    const double start = Now();
    if (FAILED(writer->StartFile(dir.File(L"export.wma").c_str(), 0))) {
        std::printf("writer: StartFile FAILED\n");
        return;
    }
    while (progress->GetCompletion() == S_FALSE || writer->IsRunning() == S_OK)
        Sleep(1);
    const double wall = Now() - start;
    std::printf("writer: %.0f s through the runtime double in 64 KiB pieces: %.2f s wall (%.0fx real time); "
                "target 200x%s\n",
                kSeconds, wall, kSeconds / wall, progress->GetCompletion() == S_OK ? "" : " (the export FAILED)");
}

}  // namespace

int main()
{
    if (!fixtures::HaveUnixTools()) {
        std::printf("ffmpeg is not reachable from this process\n");
        return 1;
    }
    fixtures::TempDir dir(L"wmbench");
    BenchReader(dir);
    BenchWriter(dir);
    return 0;
}
