#pragma once
// Path helpers. Both "/" and "\" count as separators, so that paths written the Windows way
// (as the service's and the settings' texts sometimes are) split the same.

#include <string>
#include <vector>

#include "qarvo/text/string.h"

namespace qarvo {

// The text after the last "/" or "\"; the whole text when there is none.
C_WString qarvo_GetLastName(const C_WString& path);
C_String qarvo_GetLastNameA(const C_String& path);
// The text before the last separator ("" when there is none, "/" for "/name").
C_WString qarvo_GetParentPath(const C_WString& path);
// `dir` and `name` joined with "/" unless `dir` is empty or already ends in a separator.
C_WString qarvo_JoinPath(const C_WString& dir, const C_WString& name);

// Non-zero when the directory was created (0 when it exists already or cannot be made), so
// that creating it can serve as a lock between processes. mode as mkdir takes it.
int qarvo_CreateDirectory(const C_WString& path, int mode);
// Non-zero when the (empty) directory was removed.
int qarvo_RemoveDirectory(const C_WString& path);
// Non-zero when the file was removed.
int qarvo_DeleteFile(const C_WString& path);
bool qarvo_FileExists(const C_WString& path);
bool qarvo_DirectoryExists(const C_WString& path);
// Empty when the system cannot tell.
C_WString qarvo_GetCurrentDirectory();
// The folder of the running program (from /proc/self/exe), without a trailing separator.
C_WString qarvo_GetExecutableDirectory();
// Where a program looks for a file of its own: `relative` from the current folder first (a
// portable folder), then from the running program's folder (a build or an unpacked copy),
// then `installed` under the installation prefix, the parent of the program's folder
// (bin/../lib/pelmora/...; left out when empty). UTF-8 paths, in that order.
std::vector<std::string> qarvo_ProgramFileCandidates(const std::string& relative, const std::string& installed);

}  // namespace qarvo
