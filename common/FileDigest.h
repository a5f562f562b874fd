#pragma once
// The SHA-256 of a file, so that a record names exactly which file was used.

#include <cstddef>
#include <string>

// The file's SHA-256 as 64 lower-case hex digits; the read's failures as
// ReadRegularFile reports them.
int Sha256OfFile(const std::string& strPath, std::size_t nMaxBytes, std::string& strHex, std::string& strError);
