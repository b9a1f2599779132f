// Small services of the operating system that the build needs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace quarvelin {

// Current calendar time in whole seconds.
int64_t CalendarSeconds();

// Directory of the running executable, without a trailing separator; empty if
// it cannot be found.
std::string ExecutableDirectory();

// The system's texts are UTF-8 in the program; files that the host reads keep
// them in the GBK code page. Characters GBK lacks become '?'.
std::string ToGbk(std::string_view utf8);

// Joins a directory and one name with the platform's separator.
std::string JoinPath(std::string_view directory, std::string_view name);

// `path` with every component that does not exist as spelt replaced by an
// existing entry of the same name in another case, so that files the host
// names "PMAP\TIN.tri" are found as "pmap/tin.TRI". Components with no such
// entry keep their spelling, so a file that is to be created gets the name
// as given.
std::string ResolvePathCase(std::string_view path);

// A file of the project's PMAP folder: the project directory, then "PMAP" (or
// "pmap", as the caller spells it), then the file name, each component found
// whatever its case.
std::string ProjectFilePath(std::string_view projectDirectory, std::string_view pmapSpelling,
                            std::string_view fileName);

// fopen of a UTF-8 path, so that folders with Chinese names open on every
// platform.
std::FILE* OpenFile(const std::string& path, const char* mode);

// True when the stream is a terminal, where progress may redraw one line.
bool IsTerminal(std::FILE* stream);

// Makes a console show the UTF-8 that the console programs print.
void UseUtf8Console();

bool IsDirectory(const std::string& path);
bool IsRegularFile(const std::string& path);
// Size of the file in bytes, or -1 when it does not exist or is no file.
int64_t FileSize(const std::string& path);

// True when the system refuses `path` for its length, whether or not it
// exists.
bool PathTooLong(const std::string& path);

// Removes the file; true when it is gone afterwards (or was never there).
bool RemoveFile(const std::string& path);

// The folders in `directory` whose names equal `name` but for case, each
// folder once however many names reach it, in byte order. A file system that
// compares names without regard to case has one at most.
std::vector<std::string> FoldersNamedIgnoringCase(const std::string& directory, std::string_view name);

}  // namespace quarvelin
