// Every method of the Windows Media runtime interfaces that the doubles stand in for, answering
// E_NOTIMPL; each double overrides what the library uses. IUnknown is left to the doubles.
#pragma once

#include <windows.h>
#include <wmsbuffer.h>
#include <wmsdkidl.h>

namespace wmdouble {

class NotImplementedWMSyncReader : public IWMSyncReader {
public:
    HRESULT STDMETHODCALLTYPE Open(const WCHAR* /*pwszFilename*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Close() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetRange(QWORD /*cnsStartTime*/, LONGLONG /*cnsDuration*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetRangeByFrame(WORD /*wStreamNum*/, QWORD /*qwFrameNumber*/,
                                              LONGLONG /*cFramesToRead*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetNextSample(WORD /*wStreamNum*/, INSSBuffer** /*ppSample*/, QWORD* /*pcnsSampleTime*/,
                                            QWORD* /*pcnsDuration*/, DWORD* /*pdwFlags*/, DWORD* /*pdwOutputNum*/,
                                            WORD* /*pwStreamNum*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetStreamsSelected(WORD /*cStreamCount*/, WORD* /*pwStreamNumbers*/,
                                                 WMT_STREAM_SELECTION* /*pSelections*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetStreamSelected(WORD /*wStreamNum*/, WMT_STREAM_SELECTION* /*pSelection*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetReadStreamSamples(WORD /*wStreamNum*/, WINBOOL /*fCompressed*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetReadStreamSamples(WORD /*wStreamNum*/, WINBOOL* /*pfCompressed*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetOutputSetting(DWORD /*dwOutputNum*/, LPCWSTR /*pszName*/, WMT_ATTR_DATATYPE* /*pType*/,
                                               BYTE* /*pValue*/, WORD* /*pcbLength*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetOutputSetting(DWORD /*dwOutputNum*/, LPCWSTR /*pszName*/, WMT_ATTR_DATATYPE /*Type*/,
                                               const BYTE* /*pValue*/, WORD /*cbLength*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetOutputCount(DWORD* /*pcOutputs*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetOutputProps(DWORD /*dwOutputNum*/, IWMOutputMediaProps** /*ppOutput*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetOutputProps(DWORD /*dwOutputNum*/, IWMOutputMediaProps* /*pOutput*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetOutputFormatCount(DWORD /*dwOutputNum*/, DWORD* /*pcFormats*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetOutputFormat(DWORD /*dwOutputNum*/, DWORD /*dwFormatNum*/,
                                              IWMOutputMediaProps** /*ppProps*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetOutputNumberForStream(WORD /*wStreamNum*/, DWORD* /*pdwOutputNum*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetStreamNumberForOutput(DWORD /*dwOutputNum*/, WORD* /*pwStreamNum*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetMaxOutputSampleSize(DWORD /*dwOutput*/, DWORD* /*pcbMax*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetMaxStreamSampleSize(WORD /*wStream*/, DWORD* /*pcbMax*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenStream(IStream* /*pStream*/) override { return E_NOTIMPL; }
};

class NotImplementedWMHeaderInfo : public IWMHeaderInfo {
public:
    HRESULT STDMETHODCALLTYPE GetAttributeCount(WORD /*stream_num*/, WORD* /*attributes*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetAttributeByIndex(WORD /*index*/, WORD* /*stream_num*/, WCHAR* /*name*/,
                                                  WORD* /*name_len*/, WMT_ATTR_DATATYPE* /*type*/, BYTE* /*value*/,
                                                  WORD* /*length*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetAttributeByName(WORD* /*stream_num*/, LPCWSTR /*name*/, WMT_ATTR_DATATYPE* /*type*/,
                                                 BYTE* /*value*/, WORD* /*length*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetAttribute(WORD /*stream_num*/, LPCWSTR /*name*/, WMT_ATTR_DATATYPE /*type*/,
                                           const BYTE* /*value*/, WORD /*length*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetMarkerCount(WORD* /*markers*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMarker(WORD /*index*/, WCHAR* /*marker_name*/, WORD* /*marker_len*/,
                                        QWORD* /*marker_time*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE AddMarker(LPCWSTR_WMSDK_TYPE_SAFE /*marker_name*/, QWORD /*marker_time*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RemoveMarker(WORD /*index*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetScriptCount(WORD* /*scripts*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetScript(WORD /*index*/, WCHAR* /*type*/, WORD* /*type_len*/, WCHAR* /*command*/,
                                        WORD* /*command_len*/, QWORD* /*script_time*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE AddScript(LPCWSTR_WMSDK_TYPE_SAFE /*type*/, LPCWSTR_WMSDK_TYPE_SAFE /*command*/,
                                        QWORD /*script_time*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RemoveScript(WORD /*index*/) override { return E_NOTIMPL; }
};

class NotImplementedWMMetadataEditor : public IWMMetadataEditor {
public:
    HRESULT STDMETHODCALLTYPE Open(const WCHAR* /*pwszFilename*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Close() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Flush() override { return E_NOTIMPL; }
};

class NotImplementedWMWriter : public IWMWriter {
public:
    HRESULT STDMETHODCALLTYPE SetProfileByID(REFGUID /*guidProfile*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetProfile(IWMProfile* /*pProfile*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetOutputFilename(const WCHAR* /*pwszFilename*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetInputCount(DWORD* /*pcInputs*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetInputProps(DWORD /*dwInputNum*/, IWMInputMediaProps** /*ppInput*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetInputProps(DWORD /*dwInputNum*/, IWMInputMediaProps* /*pInput*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetInputFormatCount(DWORD /*dwInputNumber*/, DWORD* /*pcFormats*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetInputFormat(DWORD /*dwInputNumber*/, DWORD /*dwFormatNumber*/,
                                             IWMInputMediaProps** /*pProps*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE BeginWriting() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndWriting() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AllocateSample(DWORD /*dwSampleSize*/, INSSBuffer** /*ppSample*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE WriteSample(DWORD /*dwInputNum*/, QWORD /*cnsSampleTime*/, DWORD /*dwFlags*/,
                                          INSSBuffer* /*pSample*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Flush() override { return E_NOTIMPL; }
};

class NotImplementedWMInputMediaProps : public IWMInputMediaProps {
public:
    HRESULT STDMETHODCALLTYPE GetType(GUID* /*pguidType*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMediaType(WM_MEDIA_TYPE* /*pType*/, DWORD* /*pcbType*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMediaType(WM_MEDIA_TYPE* /*pType*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetConnectionName(WCHAR* /*pwszName*/, WORD* /*pcchName*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetGroupName(WCHAR* /*pwszName*/, WORD* /*pcchName*/) override { return E_NOTIMPL; }
};

class NotImplementedWMOutputMediaProps : public IWMOutputMediaProps {
public:
    HRESULT STDMETHODCALLTYPE GetType(GUID* /*pguidType*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMediaType(WM_MEDIA_TYPE* /*pType*/, DWORD* /*pcbType*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMediaType(WM_MEDIA_TYPE* /*pType*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStreamGroupName(WCHAR* /*pwszName*/, WORD* /*pcchName*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetConnectionName(WCHAR* /*pwszName*/, WORD* /*pcchName*/) override { return E_NOTIMPL; }
};

class NotImplementedNSSBuffer : public INSSBuffer {
public:
    HRESULT STDMETHODCALLTYPE GetLength(DWORD* /*pdwLength*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetLength(DWORD /*dwLength*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMaxLength(DWORD* /*pdwLength*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBuffer(BYTE** /*ppdwBuffer*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBufferAndLength(BYTE** /*ppdwBuffer*/, DWORD* /*pdwLength*/) override
    {
        return E_NOTIMPL;
    }
};

class NotImplementedWMProfileManager2 : public IWMProfileManager2 {
public:
    HRESULT STDMETHODCALLTYPE CreateEmptyProfile(WMT_VERSION /*dwVersion*/, IWMProfile** /*ppProfile*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE LoadProfileByID(REFGUID /*guidProfile*/, IWMProfile** /*ppProfile*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE LoadProfileByData(const WCHAR* /*pwszProfile*/, IWMProfile** /*ppProfile*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SaveProfile(IWMProfile* /*pIWMProfile*/, WCHAR* /*pwszProfile*/,
                                          DWORD* /*pdwLength*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetSystemProfileCount(DWORD* /*pcProfiles*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LoadSystemProfile(DWORD /*dwProfileIndex*/, IWMProfile** /*ppProfile*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetSystemProfileVersion(WMT_VERSION* /*version*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSystemProfileVersion(WMT_VERSION /*version*/) override { return E_NOTIMPL; }
};

class NotImplementedWMProfile : public IWMProfile {
public:
    HRESULT STDMETHODCALLTYPE GetVersion(WMT_VERSION* /*pdwVersion*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetName(WCHAR* /*pwszName*/, DWORD* /*pcchName*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetName(const WCHAR* /*pwszName*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDescription(WCHAR* /*pwszDescription*/, DWORD* /*pcchDescription*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetDescription(const WCHAR* /*pwszDescription*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStreamCount(DWORD* /*pcStreams*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStream(DWORD /*dwStreamIndex*/, IWMStreamConfig** /*ppConfig*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetStreamByNumber(WORD /*wStreamNum*/, IWMStreamConfig** /*ppConfig*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RemoveStream(IWMStreamConfig* /*pConfig*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveStreamByNumber(WORD /*wStreamNum*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddStream(IWMStreamConfig* /*pConfig*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ReconfigStream(IWMStreamConfig* /*pConfig*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateNewStream(REFGUID /*guidStreamType*/, IWMStreamConfig** /*ppConfig*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetMutualExclusionCount(DWORD* /*pcME*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMutualExclusion(DWORD /*dwMEIndex*/, IWMMutualExclusion** /*ppME*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RemoveMutualExclusion(IWMMutualExclusion* /*pME*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddMutualExclusion(IWMMutualExclusion* /*pME*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateNewMutualExclusion(IWMMutualExclusion** /*ppME*/) override { return E_NOTIMPL; }
};

class NotImplementedWMStreamConfig : public IWMStreamConfig {
public:
    HRESULT STDMETHODCALLTYPE GetStreamType(GUID* /*pguidStreamType*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStreamNumber(WORD* /*pwStreamNum*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStreamNumber(WORD /*wStreamNum*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStreamName(WCHAR* /*pwszStreamName*/, WORD* /*pcchStreamName*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetStreamName(LPCWSTR_WMSDK_TYPE_SAFE /*pwszStreamName*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetConnectionName(WCHAR* /*pwszInputName*/, WORD* /*pcchInputName*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetConnectionName(LPCWSTR_WMSDK_TYPE_SAFE /*pwszInputName*/) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetBitrate(DWORD* /*pdwBitrate*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetBitrate(DWORD /*pdwBitrate*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBufferWindow(DWORD* /*pmsBufferWindow*/) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetBufferWindow(DWORD /*msBufferWindow*/) override { return E_NOTIMPL; }
};

}  // namespace wmdouble
