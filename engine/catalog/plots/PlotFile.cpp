#include "engine/catalog/plots/PlotFile.h"

#include <cstring>

#include "engine/core/storage/RiffFile.h"

namespace {

// Opens the plot file for reading as a "CFP1" form.
bool OpenForm(CRiffFile& riff, const CString& path)
{
    FOURCC form = 0;
    return riff.Open(path.GetString(), 1, &form) && form == CPlotFile::kFormType;
}

// Reads the whole chunk n (of `size` bytes) into out; false on a short read.
bool ReadChunk(CRiffFile& riff, int n, DWORD size, BYTE* out)
{
    IArchive* archive = nullptr;
    DWORD chunkSize = 0;
    if (!riff.OpenChunk(n, &archive, &chunkSize) || chunkSize != size)
        return false;
    UINT read = 0;
    const bool ok = size == 0 || (archive->Read(out, size, &read) && read == size);
    riff.CloseChunk();
    return ok;
}

DWORD ChildSize(CRiffFile& riff, int n)
{
    IArchive* archive = nullptr;
    DWORD size = 0;
    if (!riff.OpenChunk(n, &archive, &size))
        return 0;
    riff.CloseChunk();
    return size;
}

}  // namespace

CPlotFile::CPlotFile(const CString& path, const CMusicFileId& expectedId) : m_path(path), m_expectedId(expectedId) {}

std::vector<BYTE> CPlotFile::LevelsToPlotBytes(const float* values, int count)
{
    std::vector<BYTE> bytes(count > 0 ? static_cast<size_t>(count) : 0, 0);
    if (values == nullptr || bytes.empty())
        return bytes;
    float minimum = values[0];
    float maximum = values[0];
    for (int i = 1; i < count; ++i) {
        minimum = values[i] < minimum ? values[i] : minimum;
        maximum = values[i] > maximum ? values[i] : maximum;
    }
    if (!(maximum > minimum))
        return bytes;
    const double range = static_cast<double>(maximum) - minimum;
    for (int i = 0; i < count; ++i) {
        const double scaled = (static_cast<double>(values[i]) - minimum) * 256.0 / range;
        bytes[static_cast<size_t>(i)] = scaled >= 255.0 ? 255 : scaled > 0.0 ? static_cast<BYTE>(scaled) : 0;
    }
    return bytes;
}

BOOL CPlotFile::Read()
{
    m_readAttempted = true;
    m_hasPlot = false;
    m_plot.clear();
    CRiffFile riff;
    if (!OpenForm(riff, m_path))
        return FALSE;
    FOURCC id = 0;
    for (int n = 0; riff.GetChildId(n, &id); ++n) {
        if (id != kPlotChunk)
            continue;
        const DWORD size = ChildSize(riff, n);
        if (size < sizeof(PLOT_TRAILER) || size - sizeof(PLOT_TRAILER) > kMaxPlotBytes)
            continue;
        std::vector<BYTE> chunk(size);
        if (!ReadChunk(riff, n, size, chunk.data()))
            continue;
        PLOT_TRAILER trailer;
        std::memcpy(&trailer, chunk.data() + size - sizeof(PLOT_TRAILER), sizeof(trailer));
        if (!m_expectedId.EqualsBytes(trailer.fileId))
            continue;
        chunk.resize(size - sizeof(PLOT_TRAILER));
        m_plot.swap(chunk);
        m_trailer = trailer;
        m_hasPlot = true;
        return TRUE;
    }
    return FALSE;
}

BOOL CPlotFile::ReadIdentity(CMusicFileId* id)
{
    if (id == nullptr)
        return FALSE;
    CRiffFile riff;
    if (!OpenForm(riff, m_path))
        return FALSE;
    FOURCC chunkId = 0;
    for (int n = 0; riff.GetChildId(n, &chunkId); ++n) {
        if (chunkId != kPlotChunk)
            continue;
        IArchive* archive = nullptr;
        DWORD size = 0;
        if (!riff.OpenChunk(n, &archive, &size))
            continue;
        bool found = false;
        PLOT_TRAILER trailer;
        if (size >= sizeof(PLOT_TRAILER) && size - sizeof(PLOT_TRAILER) <= kMaxPlotBytes &&
            archive->Skip(static_cast<int>(size - sizeof(PLOT_TRAILER)))) {
            UINT read = 0;
            found = archive->Read(&trailer, sizeof(trailer), &read) && read == sizeof(trailer);
        }
        riff.CloseChunk();
        if (found) {
            id->SetBytes(trailer.fileId);
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CPlotFile::Write(const BYTE* plot, DWORD plotSize, const BYTE* vbro, DWORD vbroSize)
{
    m_written = false;
    if ((plot == nullptr && plotSize != 0) || plotSize > kMaxPlotBytes || vbroSize > kMaxVbroBytes)
        return FALSE;
    PLOT_TRAILER trailer{};
    std::memcpy(trailer.fileId, m_expectedId.GetBytes(), sizeof(trailer.fileId));
    trailer.blockSize = kBlockSize;

    CRiffFile riff;
    FOURCC form = kFormType;
    if (!riff.Open(m_path.GetString(), 0, &form))
        return FALSE;
    IArchive* archive = nullptr;
    bool ok = riff.CreateChunk(kPlotChunk, &archive) && (plotSize == 0 || archive->Write(plot, plotSize)) &&
              archive->Write(&trailer, sizeof(trailer)) && riff.CloseChunk();
    if (ok && vbro != nullptr && vbroSize != 0)
        ok = riff.CreateChunk(kVbroChunk, &archive) && archive->Write(vbro, vbroSize) && riff.CloseChunk();
    if (!ok) {
        riff.Close();
        DeleteFileW(m_path.GetString());
        return FALSE;
    }
    if (!riff.Close())
        return FALSE;
    m_plot.assign(plot, plot + plotSize);
    m_trailer = trailer;
    m_hasPlot = true;
    m_written = true;
    return TRUE;
}

BOOL CPlotFile::GetPlotBytes(std::vector<BYTE>& bytes, PLOT_TRAILER* trailer) const
{
    if (!m_hasPlot)
        return FALSE;
    bytes = m_plot;
    if (trailer)
        *trailer = m_trailer;
    return TRUE;
}

DWORD CPlotFile::GetVbroSize()
{
    CRiffFile riff;
    if (!OpenForm(riff, m_path))
        return 0;
    DWORD last = 0;
    FOURCC id = 0;
    for (int n = 0; riff.GetChildId(n, &id); ++n) {
        if (id == kVbroChunk)
            last = ChildSize(riff, n);
    }
    return last <= kMaxVbroBytes ? last : 0;
}

BOOL CPlotFile::ReadVbro(BYTE* buffer, DWORD size)
{
    if (buffer == nullptr || size == 0)
        return FALSE;
    CRiffFile riff;
    if (!OpenForm(riff, m_path))
        return FALSE;
    FOURCC id = 0;
    for (int n = 0; riff.GetChildId(n, &id); ++n) {
        if (id == kVbroChunk && ChildSize(riff, n) == size)
            return ReadChunk(riff, n, size, buffer) ? TRUE : FALSE;
    }
    return FALSE;
}
