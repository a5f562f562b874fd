#pragma once
// Whole-file reads and writes for everything the tool keeps in files:
// configuration files, firmware images, the simulator's EEPROM.
//
// A read takes regular files only and refuses one larger than the caller's
// bound, so a device or a pipe (say /dev/zero) can never keep it busy. A
// write never destroys the old file: the bytes go to a temporary file in the
// same directory, are flushed to the disk, and only then replace the old file.

#include <cstddef>
#include <string>

// Reads the whole file into bytes. -1001 when the file cannot be opened, is
// not a regular file or is larger than nMaxBytes; -1004 when reading fails;
// -1003 when memory runs out. An empty file is read as no bytes.
// szCannotOpen words a file that cannot be opened the caller's way: a printf
// format with the path and then the system's reason; nullptr: the common
// wording.
int ReadRegularFile(const std::string& strPath, std::size_t nMaxBytes, std::string& bytes, std::string& strError,
                    const char* szCannotOpen = nullptr);

// Replaces the file's content with bytes, or creates it. On failure the old
// file is left as it was and no temporary file stays behind. -1001 when the
// file cannot be created, -1004 when writing, flushing or replacing fails.
int ReplaceFileContent(const std::string& strPath, const std::string& bytes, std::string& strError);
