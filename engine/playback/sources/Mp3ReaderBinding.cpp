#include "engine/playback/sources/Mp3ReaderBinding.h"

#include "engine/core/server/LocalCoCreate.h"

HRESULT CreateMp3PcmReader(IPcmReader** reader)
{
    if (!reader)
        return E_POINTER;
    *reader = nullptr;
    return CLocalCoCreate::CreateInstance(PluginClsid::Mp3Decoder, &g_localCoCreate, IID_IPcmReader,
                                          reinterpret_cast<void**>(reader));
}
