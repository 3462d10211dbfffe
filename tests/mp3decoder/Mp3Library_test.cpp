#include "mp3decoder/MorvennaClsid.h"
#include "tests/mp3decoder/Mp3Fixtures.h"

#include <gtest/gtest.h>

namespace {

void* Poison()
{
    return reinterpret_cast<void*>(0xDEADBEEF);
}

TEST(Mp3Library, ClassObjectOnlyForItsClass)
{
    mp3fixtures::Library library;
    ASSERT_TRUE(library.Loaded());
    void* out = Poison();
    EXPECT_EQ(library.GetClassObject(IID_IClassFactory, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    out = Poison();
    EXPECT_EQ(library.GetClassObject(CLSID_Mp3PcmReader, IID_IPcmReader, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(library.GetClassObject(CLSID_Mp3PcmReader, IID_IClassFactory, factory.put_void()), S_OK);
    out = Poison();
    EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.get()), IID_IUnknown, &out),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    out = Poison();
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPcmReader, nullptr), E_POINTER);
}

TEST(Mp3Library, ReferenceCountsAndUnloadAnswer)
{
    mp3fixtures::Library library;
    ASSERT_TRUE(library.Loaded());
    EXPECT_EQ(library.CanUnloadNow(), S_OK);
    {
        ComPtr<IPcmReader> reader = library.CreateReader();
        ASSERT_TRUE(reader);
        EXPECT_EQ(library.CanUnloadNow(), S_FALSE);
        EXPECT_EQ(reader->AddRef(), 2u);
        EXPECT_EQ(reader->Release(), 1u);
        ComPtr<IUnknown> unknown;
        ASSERT_EQ(reader.query(IID_IUnknown, unknown), S_OK);
        EXPECT_EQ(unknown->AddRef(), 3u);
        EXPECT_EQ(unknown->Release(), 2u);
        void* out = Poison();
        EXPECT_EQ(reader->QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(reader->QueryInterface(IID_IPcmReader, nullptr), E_POINTER);
    }
    EXPECT_EQ(library.CanUnloadNow(), S_OK);

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(library.GetClassObject(CLSID_Mp3PcmReader, IID_IClassFactory, factory.put_void()), S_OK);
    EXPECT_EQ(library.CanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory.reset();
    EXPECT_EQ(library.CanUnloadNow(), S_FALSE);
    ASSERT_EQ(library.GetClassObject(CLSID_Mp3PcmReader, IID_IClassFactory, factory.put_void()), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    factory.reset();
    EXPECT_EQ(library.CanUnloadNow(), S_OK);
}

TEST(Mp3Library, UnopenedReaderRefusesReads)
{
    mp3fixtures::Library library;
    ComPtr<IPcmReader> reader = library.CreateReader();
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->IsValid(), S_FALSE);
    unsigned char buffer[32];
    EXPECT_EQ(reader->LoadPcm(buffer, 0, sizeof(buffer)), E_FAIL);
    EXPECT_EQ(reader->GetFormatInfo(buffer), E_FAIL);
    EXPECT_EQ(reader->FrameOffsetArrayReq(), E_FAIL);
    unsigned long size = 0;
    EXPECT_EQ(reader->GetFrameOffsetArray(nullptr, &size), E_FAIL);
    EXPECT_EQ(reader->SetFrameOffsetArray(buffer, sizeof(buffer)), E_FAIL);
    LONGLONG count = -1;
    EXPECT_EQ(reader->GetSampleCount(&count), S_OK);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(reader->Open(nullptr, FALSE), E_POINTER);
}

}  // namespace
