// Runs the independent command-line tools of the build machine (lame, sox, ffmpeg) from a test
// process under Wine. Wine starts a Unix executable given by its Z: path; Windows paths in the
// arguments are turned into Unix paths with Wine's own wine_get_unix_file_name.
//
// On a Windows without Wine the tools are absent: HaveUnixTools() is false and tests that need
// them skip.
#pragma once

#include <string>
#include <vector>

namespace fixtures {

bool HaveUnixTools();
// The Unix path of a Windows path (empty when Wine cannot map it).
std::string UnixPath(const std::wstring& windowsPath);
// Runs /usr/bin/<tool> with the arguments (each passed as one argument); returns its exit code,
// or -1 when it could not be started.
int RunUnixTool(const std::string& tool, const std::vector<std::string>& arguments);
// Runs the tool as RunUnixTool does and answers how long it ran, in seconds, timed natively by
// the host shell that starts it: what a user of the tool waits for (its own start included), free
// of the cost of starting a process from inside Wine. Negative when it failed or did not start.
double TimeUnixTool(const std::string& tool, const std::vector<std::string>& arguments);

}  // namespace fixtures
