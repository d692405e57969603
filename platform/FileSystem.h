// The few file-system services the client binding needs: whether a file exists, the files of
// a folder that match a wildcard, a text file read as lines, the working folder, and splitting
// and joining paths with the platform's separator.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vek {

#ifdef _WIN32
inline constexpr bool kIsWindows = true;
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr bool kIsWindows = false;
inline constexpr char kPathSeparator = '/';
#endif

// True for an existing entry that is not a folder.
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

// "*" matches any run of characters, "?" any one character. Names compare without regard to
// case on Windows, as its file system does, and exactly elsewhere.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// Names (not paths) of the files in folder that match pattern, in byte order of the names so
// that every run sees the same order. A missing folder gives no names.
std::vector<std::string> ListFiles(const std::string& folder, const std::string& pattern);

// The lines of a text file; CR LF, LF and a lone CR all end a line. A missing or unreadable
// file gives no lines.
std::vector<std::string> ReadTextLines(const std::string& path);

// The program's per-user configuration folder: ${XDG_CONFIG_HOME:-$HOME/.config}/vek, or
// %APPDATA%\VEK on Windows. It may not exist yet.
std::string UserConfigurationFolder();

// The working folder of the process; empty when it cannot be read.
std::string CurrentDirectory();
bool ChangeCurrentDirectory(const std::string& folder);
// The absolute form of path, relative to the working folder, with "." and ".." resolved and
// symbolic links followed as far as the path exists; two spellings of one existing file give
// the same text (apart from letter case on Windows).
std::string FullPath(const std::string& path);
// True when both name the same existing folder, however they are spelled.
bool SameFolder(const std::string& a, const std::string& b);

bool IsPathSeparator(char c);
// Everything before the last separator ("" when there is none; "/" for a file in the root).
std::string DirectoryPart(const std::string& path);
// Everything after the last separator.
std::string FileNamePart(const std::string& path);

}  // namespace vek
