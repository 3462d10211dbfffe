// The test effect DMO: an audio-effect DMO of the tests' own, whose output follows exactly from
// its settings, so that the effect chain has something real to run under Wine (which lists no
// effect with property pages). Output k = gain x input k; a latent effect holds back its last
// `latencyFrames` frames until more input comes (a discontinuity drops them and starts anew);
// the flags below change how it delivers, links and what it outputs. Takes float stereo and 16-bit
// stereo at 44100 Hz. Shared by the DMO library and the tests that drive it.
#pragma once

#include <windows.h>
#include <unknwn.h>

// The settings as the effect saves them through IPersistStream (12 bytes).
#pragma pack(push, 1)
struct TestEffectSettings {
    float gain;
    DWORD latencyFrames;
    DWORD flags;
};
#pragma pack(pop)
static_assert(sizeof(TestEffectSettings) == 12);

enum : DWORD {
    // Each output of one input comes out in two pieces.
    kTestEffectSplit = 1,
    // The effect takes the types when asked but refuses them when they are set for real, so
    // that the chain cannot be linked with it.
    kTestEffectRefuseLink = 2,
    // The effect faults as a broken plug-in would: an access violation, or a division by zero
    // with the x87 and SSE exceptions unmasked. It faults when its settings are loaded, or with
    // kTestEffectFaultOnLink when its input type is set for real.
    kTestEffectFaultAccess = 4,
    kTestEffectFaultFloat = 8,
    kTestEffectFaultOnLink = 16,
    // Output k = gain x input (k - latencyFrames), zeros before the stream's first input, and
    // nothing held back: a delay line whose state runs on from one input to the next, as an
    // echo's does (a discontinuity starts it anew).
    kTestEffectDelay = 32,
};

// What a property page would change, reachable through the wrapper filter's forwarding.
struct ITestEffectSettings : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetSettings(const TestEffectSettings* settings) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSettings(TestEffectSettings* settings) = 0;
};

inline constexpr IID IID_ITestEffectSettings = {
    0x6F1D3C52, 0x7A0B, 0x4E2D, {0x9C, 0x61, 0x21, 0x5E, 0x8A, 0x3B, 0x44, 0x10}};
__CRT_UUID_DECL(ITestEffectSettings, 0x6F1D3C52, 0x7A0B, 0x4E2D, 0x9C, 0x61, 0x21, 0x5E, 0x8A, 0x3B, 0x44, 0x10)

inline constexpr CLSID CLSID_TestEffectDmo = {
    0x3B8E6A10, 0x52C4, 0x4F7B, {0xA1, 0x0E, 0x6D, 0x27, 0x90, 0xC3, 0x5B, 0x81}};
// The one property page it names (never created: the tests only count pages).
inline constexpr CLSID CLSID_TestEffectPage = {
    0x3B8E6A11, 0x52C4, 0x4F7B, {0xA1, 0x0E, 0x6D, 0x27, 0x90, 0xC3, 0x5B, 0x81}};
inline constexpr wchar_t kTestEffectName[] = L"Carrowfold Test Effect";
inline constexpr char kTestEffectDllName[] = "TestEffectDmo.dll";
