// A folder of the test's own under the temporary folder, deleted with everything in it at the end.
#pragma once

#include <string>

namespace fixtures {

class TempDir {
public:
    // `tag` becomes part of the folder name (it may hold non-ASCII characters).
    explicit TempDir(const std::wstring& tag = L"carrowfold");
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::wstring& Path() const { return m_path; }
    std::wstring File(const std::wstring& name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

}  // namespace fixtures
