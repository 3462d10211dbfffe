// Shared helpers of the effects host tests: the real "Ostrel.DLL" loaded from the build's bin
// folder, the test effect DMO (registered in the prefix by the CTest fixture) and running audio
// through a chain.
#pragma once

#include "classlib/com/ComPtr.h"
#include "classlib/com/UniqueHandle.h"
#include "interfaces/IOstrel.h"
#include "tests/effects-host/dmo/TestEffect.h"

#include <string>
#include <vector>

namespace ostrel_test {

class Library {
public:
    Library();
    bool Loaded() const { return static_cast<bool>(m_module); }
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object) const;
    HRESULT CanUnloadNow() const;
    // A new host (not initialised); empty on failure.
    ComPtr<IOstrel> CreateHost() const;

private:
    UniqueModule m_module;
};

// An initialised host from a library that stays loaded for the test program's life.
ComPtr<IOstrel> NewInitializedHost();
// A memory stream holding the test effect's settings, at its start.
ComPtr<IStream> SettingsStream(const TestEffectSettings& settings);
// Inserts the test effect with these settings before `beforeId`; the new id, or -1 on failure.
LONG InsertTestEffect(IOstrel* host, const TestEffectSettings& settings, LONG beforeId = -1);
// The test effect's settings interface of an inserted effect (through the wrapper filter).
ComPtr<ITestEffectSettings> EffectSettings(IOstrel* host, LONG id);
// The ids of the chain in order.
std::vector<LONG> ChainIds(IOstrel* host);
// Sends interleaved stereo floats through the chain buffer by buffer (the last one padded with
// zeros) and collects every processed buffer in order.
std::vector<float> Process(IOstrel* host, const std::vector<float>& input);
// The calling thread's floating-point control: the x87 control word and the control bits of the
// SSE unit (its sticky status flags aside, which any earlier float work may have set).
struct FloatingPointState {
    unsigned short x87;
    unsigned sseControl;
    bool operator==(const FloatingPointState&) const = default;
};
FloatingPointState CurrentFloatingPointState();
// Noise in [-1, 1) on a 2^-15 grid (exact in float and in 16 bits), frames x 2 values.
std::vector<float> GridNoise(size_t frames, unsigned seed);

}  // namespace ostrel_test
