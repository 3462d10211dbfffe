// The host's own feeder and receiver filters, their pins, allocator and samples, driven directly:
// the COM rules every object keeps, the two media types, and audio from feeder to receiver on a
// float and on a 16-bit connection (the 16-bit path that chains with the standard compressor
// take, which Wine's compressor cannot reach).
#include "effects-host/FeederPin.h"
#include "effects-host/ReceiverPin.h"
#include "effects-host/SampleAllocator.h"
#include "effects-host/SampleBuffer.h"
#include "effects-host/SampleFilter.h"
#include "effects-host/SampleMediaTypes.h"
#include "interfaces/IOstrel.h"
#include "tests/effects-host/OstrelFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

void* Poison()
{
    return reinterpret_cast<void*>(0xDEADBEEF);
}

struct IidCase {
    const char* name;
    const IID* iid;
    bool answered;
};

// Every IID of the table: answered ones give an interface and add exactly one reference to
// `count` (read through counter), the others E_NOINTERFACE with a NULL pointer.
template <typename Counter>
void CheckInterfaces(IUnknown* object, const std::vector<IidCase>& cases, Counter counter)
{
    for (const IidCase& c : cases) {
        void* out = Poison();
        const ULONG before = counter();
        const HRESULT hr = object->QueryInterface(*c.iid, &out);
        if (c.answered) {
            ASSERT_EQ(hr, S_OK) << c.name;
            ASSERT_NE(out, nullptr) << c.name;
            EXPECT_EQ(counter(), before + 1) << c.name;
            static_cast<IUnknown*>(out)->Release();
            EXPECT_EQ(counter(), before) << c.name;
        } else {
            EXPECT_EQ(hr, E_NOINTERFACE) << c.name;
            EXPECT_EQ(out, nullptr) << c.name;
        }
    }
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

ULONG CountOf(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

TEST(SampleFilters, EachObjectAnswersItsOwnInterfacesAndNothingElse)
{
    ComPtr<CSampleFilter> feeder = ComPtr<CSampleFilter>::attach(CSampleFilter::CreateFeeder());
    ComPtr<CSampleFilter> receiver = ComPtr<CSampleFilter>::attach(CSampleFilter::CreateReceiver());
    ASSERT_TRUE(feeder && receiver);
    IBaseFilter* filter = feeder.get();
    auto filterCount = [&] { return CountOf(filter); };
    CheckInterfaces(filter,
                    {{"IUnknown", &IID_IUnknown, true},
                     {"IBaseFilter", &IID_IBaseFilter, true},
                     {"IMediaFilter", &IID_IMediaFilter, true},
                     {"IPersist", &IID_IPersist, true},
                     {"IPin", &IID_IPin, false},
                     {"IEnumPins", &IID_IEnumPins, false},
                     {"IMemInputPin", &IID_IMemInputPin, false},
                     {"IOstrel", &IID_IOstrel, false}},
                    filterCount);

    // Pins count on their filter.
    IPin* output = &feeder->Pin();
    CheckInterfaces(output,
                    {{"IUnknown", &IID_IUnknown, true},
                     {"IPin", &IID_IPin, true},
                     {"IMemInputPin", &IID_IMemInputPin, false},
                     {"IBaseFilter", &IID_IBaseFilter, false}},
                    filterCount);
    IPin* input = &receiver->Pin();
    IBaseFilter* receiverFilter = receiver.get();
    CheckInterfaces(input,
                    {{"IUnknown", &IID_IUnknown, true},
                     {"IPin", &IID_IPin, true},
                     {"IMemInputPin", &IID_IMemInputPin, true},
                     {"IBaseFilter", &IID_IBaseFilter, false}},
                    [&] { return CountOf(receiverFilter); });

    ComPtr<IMemAllocator> allocator;
    auto* made = new CSampleAllocator;
    made->AddRef();
    allocator = ComPtr<IMemAllocator>::attach(made);
    CheckInterfaces(allocator.get(),
                    {{"IUnknown", &IID_IUnknown, true},
                     {"IMemAllocator", &IID_IMemAllocator, true},
                     {"IMediaSample", &IID_IMediaSample, false}},
                    [&] { return CountOf(allocator.get()); });
    ComPtr<IMediaSample> sample;
    ASSERT_EQ(allocator->GetBuffer(sample.put(), nullptr, nullptr, 0), S_OK);
    CheckInterfaces(sample.get(),
                    {{"IUnknown", &IID_IUnknown, true},
                     {"IMediaSample", &IID_IMediaSample, true},
                     {"private sample IID", &IID_CSampleBuffer, true},
                     {"IMemAllocator", &IID_IMemAllocator, false}},
                    [&] { return CountOf(sample.get()); });
    EXPECT_EQ(sample->GetSize(), 8192);

    ComPtr<IEnumPins> pins;
    ASSERT_EQ(feeder->EnumPins(pins.put()), S_OK);
    CheckInterfaces(pins.get(),
                    {{"IUnknown", &IID_IUnknown, true},
                     {"IEnumPins", &IID_IEnumPins, true},
                     {"IBaseFilter", &IID_IBaseFilter, false}},
                    [&] { return CountOf(pins.get()); });
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(output->EnumMediaTypes(types.put()), S_OK);
    CheckInterfaces(types.get(),
                    {{"IUnknown", &IID_IUnknown, true},
                     {"IEnumMediaTypes", &IID_IEnumMediaTypes, true},
                     {"IPin", &IID_IPin, false}},
                    [&] { return CountOf(types.get()); });
}

TEST(SampleFilters, EnumeratorsHandOutOnePinAndTheTwoTypesInOrder)
{
    ComPtr<CSampleFilter> feeder = ComPtr<CSampleFilter>::attach(CSampleFilter::CreateFeeder());
    ComPtr<IEnumPins> pins;
    ASSERT_EQ(feeder->EnumPins(pins.put()), S_OK);
    IPin* pin[2] = {};
    ULONG fetched = 9;
    EXPECT_EQ(pins->Next(2, pin, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 1u);
    ComPtr<IPin> first = ComPtr<IPin>::attach(pin[0]);
    EXPECT_EQ(first.get(), &feeder->Pin());
    EXPECT_EQ(pins->Next(1, pin, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(pins->Reset(), S_OK);
    ASSERT_EQ(pins->Next(1, pin, nullptr), S_OK);
    pin[0]->Release();
    IEnumPins* clone = static_cast<IEnumPins*>(Poison());
    EXPECT_EQ(pins->Clone(&clone), E_NOTIMPL);
    EXPECT_EQ(clone, nullptr);

    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(feeder->Pin().EnumMediaTypes(types.put()), S_OK);
    const WORD expectedTags[] = {WAVE_FORMAT_IEEE_FLOAT, WAVE_FORMAT_PCM};
    const LONG expectedSampleSizes[] = {8, 4};
    for (int i = 0; i < 2; ++i) {
        AM_MEDIA_TYPE* type = nullptr;
        ASSERT_EQ(types->Next(1, &type, &fetched), S_OK) << i;
        ASSERT_EQ(type->cbFormat, 18u);
        const auto* format = reinterpret_cast<const WAVEFORMATEX*>(type->pbFormat);
        EXPECT_EQ(format->wFormatTag, expectedTags[i]);
        EXPECT_EQ(format->nSamplesPerSec, 44100u);
        EXPECT_EQ(format->nChannels, 2);
        EXPECT_EQ(type->lSampleSize, expectedSampleSizes[i]);
        EXPECT_TRUE(IsEqualGUID(type->subtype, MEDIASUBTYPE_PCM));
        EXPECT_EQ(feeder->Pin().QueryAccept(type), S_OK);
        DeleteMediaType(type);
    }
    AM_MEDIA_TYPE* type = nullptr;
    EXPECT_EQ(types->Next(1, &type, &fetched), S_FALSE);
    EXPECT_EQ(types->Reset(), S_OK);
    EXPECT_EQ(types->Next(2, &type, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    // In 16-bit mode the feeder starts at the 16-bit type and takes nothing else.
    feeder->Pin().SetFirstType(kSampleTypePcm16);
    ASSERT_EQ(types->Reset(), S_OK);
    ASSERT_EQ(types->Next(1, &type, &fetched), S_OK);
    EXPECT_EQ(reinterpret_cast<const WAVEFORMATEX*>(type->pbFormat)->wFormatTag, WAVE_FORMAT_PCM);
    DeleteMediaType(type);
    AM_MEDIA_TYPE floatType{};
    WAVEFORMATEX floatFormat{};
    GetSampleType(kSampleTypeFloat, &floatType, &floatFormat);
    EXPECT_EQ(feeder->Pin().QueryAccept(&floatType), S_FALSE);
}

// Feeder output straight into the receiver input, both filters running.
struct DirectChain {
    explicit DirectChain(int firstType)
    {
        feeder->Pin().SetFirstType(firstType);
        connected = feeder->Pin().Connect(&receiver->Pin(), nullptr);
        feeder->Run(0);
        receiver->Run(0);
    }
    ComPtr<CSampleFilter> feeder = ComPtr<CSampleFilter>::attach(CSampleFilter::CreateFeeder());
    ComPtr<CSampleFilter> receiver = ComPtr<CSampleFilter>::attach(CSampleFilter::CreateReceiver());
    HRESULT connected;
};

TEST(SampleFilters, FloatAndSixteenBitConnectionsCarryTheSamples)
{
    // Full scale and beyond: floats are scaled by 32768 on the way in, clip symmetrically at
    // +-32767, and come back scaled by 2^-15.
    const float in[] = {0.0f, 0.5f, -0.5f, -1.0f, 1.0f, 2.0f, 1.0f / 32768.0f, -3.0f / 32768.0f};
    const float sixteen[] = {0.0f,
                             0.5f,
                             -0.5f,
                             -32767.0f / 32768.0f,
                             32767.0f / 32768.0f,
                             32767.0f / 32768.0f,
                             1.0f / 32768.0f,
                             -3.0f / 32768.0f};
    struct Case {
        const char* name;
        int firstType;
        const float* expected;
    };
    const Case cases[] = {{"float", kSampleTypeFloat, in}, {"16-bit", kSampleTypePcm16, sixteen}};
    for (const Case& c : cases) {
        DirectChain chain(c.firstType);
        ASSERT_EQ(chain.connected, S_OK) << c.name;
        EXPECT_EQ(chain.feeder->Pin().ConnectedType(), c.firstType) << c.name;
        EXPECT_EQ(chain.receiver->Pin().ConnectedType(), c.firstType) << c.name;
        BYTE* data = nullptr;
        DWORD bytes = 0;
        ASSERT_EQ(chain.feeder->Feeder().GetInputBuffer(FALSE, &data, &bytes), S_OK) << c.name;
        ASSERT_EQ(bytes, 8192u);
        memset(data, 0, bytes);
        memcpy(data, in, sizeof(in));
        ASSERT_EQ(chain.feeder->Feeder().DeliverInputBuffer(), S_OK) << c.name;
        LONGLONG handle = -1;
        ASSERT_EQ(chain.receiver->Receiver().GetOutputBuffer(&data, &bytes, &handle), S_OK) << c.name;
        EXPECT_EQ(bytes, 8192u) << c.name;
        EXPECT_EQ(memcmp(data, c.expected, sizeof(in)), 0) << c.name;
        EXPECT_EQ(chain.receiver->Receiver().ReleaseOutputBuffer(handle), S_OK);
        EXPECT_EQ(chain.receiver->Receiver().GetOutputBuffer(&data, &bytes, &handle), E_FAIL) << c.name;
    }
}

// Samples the engine has not taken out yet are never refused: past the reserved queue depth the
// receiver keeps every one, and they come out in delivery order.
TEST(SampleFilters, TheReceiverKeepsEverySamplePastItsReservedDepth)
{
    DirectChain chain(kSampleTypeFloat);
    ASSERT_EQ(chain.connected, S_OK);
    constexpr int kDelivered = 2 * kReceiverQueueDepth + 3;
    for (int n = 0; n < kDelivered; ++n) {
        BYTE* data = nullptr;
        DWORD bytes = 0;
        ASSERT_EQ(chain.feeder->Feeder().GetInputBuffer(FALSE, &data, &bytes), S_OK) << n;
        auto* samples = reinterpret_cast<float*>(data);
        std::fill(samples, samples + bytes / sizeof(float), static_cast<float>(n));
        ASSERT_EQ(chain.feeder->Feeder().DeliverInputBuffer(), S_OK) << "sample " << n;
    }
    for (int n = 0; n < kDelivered; ++n) {
        BYTE* data = nullptr;
        DWORD bytes = 0;
        LONGLONG handle = -1;
        ASSERT_EQ(chain.receiver->Receiver().GetOutputBuffer(&data, &bytes, &handle), S_OK) << "sample " << n;
        ASSERT_EQ(bytes, 8192u);
        EXPECT_EQ(reinterpret_cast<const float*>(data)[bytes / sizeof(float) - 1], static_cast<float>(n));
        EXPECT_EQ(chain.receiver->Receiver().ReleaseOutputBuffer(handle), S_OK);
    }
}

TEST(SampleFilters, FeederRefusesBuffersWhileStoppedOrUnconnected)
{
    ComPtr<CSampleFilter> feeder = ComPtr<CSampleFilter>::attach(CSampleFilter::CreateFeeder());
    BYTE* data = nullptr;
    DWORD bytes = 0;
    EXPECT_EQ(feeder->Feeder().GetInputBuffer(FALSE, &data, &bytes), E_FAIL);
    feeder->Run(0);
    EXPECT_EQ(feeder->Feeder().GetInputBuffer(FALSE, &data, &bytes), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(feeder->Feeder().DeliverInputBuffer(), S_FALSE);

    DirectChain chain(kSampleTypeFloat);
    EXPECT_EQ(chain.feeder->Pin().Connect(&chain.receiver->Pin(), nullptr), VFW_E_ALREADY_CONNECTED);
    // The receiver asks its upstream allocator for as many buffers as its queue holds.
    ComPtr<IMemInputPin> input;
    ASSERT_EQ(chain.receiver->Pin().QueryInterface(IID_IMemInputPin, input.put_void()), S_OK);
    ALLOCATOR_PROPERTIES wanted{};
    input->GetAllocatorRequirements(&wanted);
    EXPECT_EQ(wanted.cBuffers, kReceiverQueueDepth);
    EXPECT_EQ(chain.feeder->Pin().Disconnect(), S_OK);
    EXPECT_EQ(chain.feeder->Pin().Disconnect(), S_FALSE);
    AM_MEDIA_TYPE type{};
    EXPECT_EQ(chain.feeder->Pin().ConnectionMediaType(&type), VFW_E_NOT_CONNECTED);
}

}  // namespace
