#include "common/FileIO.h"

#include "common/FilePaths.h"
#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <new>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLinks = 40; // as the system follows them

std::string SystemMessage(int nErrno)
{
    return std::generic_category().message(nErrno);
}

int ReportReadFailure(const std::string& strPath, const std::string& strReason, int nResult, std::string& strError)
{
    strError = FormatText(PickText("Error reading the file: '%s'.", "Fehler beim Lesen der Datei: '%s'."), strPath.c_str());
    AppendSystemMessage(strError, strReason.c_str());
    return nResult;
}

std::string CannotOpenText(const char* szCannotOpen, const std::string& strPath, const std::string& strReason)
{
    if (szCannotOpen != nullptr)
        return FormatText(szCannotOpen, strPath.c_str(), strReason.c_str());
    std::string strError = FormatText(PickText("Can't open the file: '%s'.", "Kann die Datei ('%s') nicht öffnen."), strPath.c_str());
    AppendSystemMessage(strError, strReason.c_str());
    return strError;
}

int ReportWriteFailure(const std::string& strPath, int nErrno, std::string& strError)
{
    strError = FormatText(PickText("Error writing the file: '%s'.", "Fehler beim Schreiben in die Datei: '%s'."),
                          strPath.c_str());
    AppendSystemMessage(strError, SystemMessage(nErrno != 0 ? nErrno : EIO).c_str());
    return Result::FileException;
}

int ReportCreateFailure(const std::string& strPath, int nErrno, std::string& strError)
{
    strError = FormatText(PickText("Can't create the file: '%s'.", "Kann die Datei '%s' nicht erzeugen."), strPath.c_str());
    AppendSystemMessage(strError, SystemMessage(nErrno != 0 ? nErrno : EACCES).c_str());
    return Result::InvalidArgument;
}

#if defined(_WIN32)
// A temporary file beside the target, opened for writing.
std::FILE* CreateTemporary(const fs::path& target, fs::path& temporary)
{
    for (unsigned nAttempt = 0; nAttempt < 100; ++nAttempt) {
        temporary = target;
        temporary += L".tmp" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(nAttempt);
        // The system's C library knows no "x" mode: an exclusive create by hand.
        const int nFile = _wopen(temporary.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (nFile < 0 && errno == EEXIST)
            continue;
        if (nFile < 0)
            return nullptr;
        std::FILE* pFile = _fdopen(nFile, "wb");
        if (pFile == nullptr)
            _close(nFile);
        return pFile;
    }
    return nullptr;
}

bool FlushToDisk(std::FILE* pFile)
{
    return std::fflush(pFile) == 0 && _commit(_fileno(pFile)) == 0;
}

bool ReplaceTarget(const fs::path& temporary, const fs::path& target)
{
    return MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
#else
mode_t CurrentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

std::FILE* CreateTemporary(const fs::path& target, fs::path& temporary)
{
    std::string name = target.string() + ".tmpXXXXXX";
    const int nFile = ::mkstemp(name.data());
    if (nFile < 0)
        return nullptr;
    temporary = name;
    // The replacement keeps the old file's permissions (mkstemp makes it 0600).
    struct stat old {};
    const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : (0666 & ~CurrentUmask());
    ::fchmod(nFile, mode);
    std::FILE* pFile = ::fdopen(nFile, "wb");
    if (pFile == nullptr)
        ::close(nFile);
    return pFile;
}

bool FlushToDisk(std::FILE* pFile)
{
    return std::fflush(pFile) == 0 && ::fsync(::fileno(pFile)) == 0;
}

bool ReplaceTarget(const fs::path& temporary, const fs::path& target)
{
    return ::rename(temporary.c_str(), target.c_str()) == 0;
}
#endif

} // namespace

int ReadRegularFile(const std::string& strPath, std::size_t nMaxBytes, std::string& bytes, std::string& strError,
                    const char* szCannotOpen)
{
    bytes.clear();
    const fs::path path = PathFromUtf8(strPath);
    try {
        std::error_code ec;
        const fs::file_status status = fs::status(path, ec);
        if (!ec && !fs::is_regular_file(status))
            ec = std::make_error_code(fs::is_directory(status) ? std::errc::is_a_directory : std::errc::invalid_argument);
        std::ifstream file;
        if (!ec) {
            errno = 0;
            file.open(path, std::ios::binary);
            if (!file)
                ec = std::error_code(errno != 0 ? errno : EACCES, std::generic_category());
        }
        if (ec) {
            strError = CannotOpenText(szCannotOpen, strPath, ec.message());
            return Result::InvalidArgument;
        }
        // Read in pieces up to one byte past the bound: the size seen before
        // opening may no longer hold.
        char buffer[65536];
        while (file.read(buffer, sizeof buffer), file.gcount() > 0) {
            bytes.append(buffer, static_cast<std::size_t>(file.gcount()));
            if (bytes.size() > nMaxBytes) {
                bytes.clear();
                strError = CannotOpenText(szCannotOpen, strPath,
                                          FormatText(PickText("The file is larger than %zu bytes", "Die Datei ist größer als %zu Bytes"),
                                                     nMaxBytes));
                return Result::InvalidArgument;
            }
        }
        if (file.bad()) {
            bytes.clear();
            return ReportReadFailure(strPath, PickText("The file could not be read to its end",
                                                       "Die Datei konnte nicht bis zum Ende gelesen werden"),
                                     Result::FileException, strError);
        }
        return Result::Ok;
    } catch (const std::bad_alloc& e) {
        bytes.clear();
        return ReportReadFailure(strPath, e.what(), Result::OutOfMemory, strError);
    } catch (const std::exception& e) {
        bytes.clear();
        return ReportReadFailure(strPath, e.what(), Result::FileException, strError);
    }
}

int ReplaceFileContent(const std::string& strPath, const std::string& bytes, std::string& strError)
{
    // A link is written through (it stays a link); a device or folder is
    // never replaced by a file.
    // A link whose target does not exist yet is followed too: the file is
    // made where it points.
    std::error_code ec;
    fs::path target = PathFromUtf8(strPath);
    for (int nLinks = 0; fs::is_symlink(fs::symlink_status(target, ec)); ++nLinks) {
        if (nLinks == kMaxLinks)
            return ReportCreateFailure(strPath, ELOOP, strError);
        const fs::path next = fs::read_symlink(target, ec);
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    const fs::file_status status = fs::status(target, ec);
    if (fs::exists(status) && !fs::is_regular_file(status))
        return ReportCreateFailure(strPath, fs::is_directory(status) ? EISDIR : EINVAL, strError);
    fs::path temporary;
    errno = 0;
    std::FILE* pFile = CreateTemporary(target, temporary);
    if (pFile == nullptr)
        return ReportCreateFailure(strPath, errno, strError);
    errno = 0;
    const bool bWritten = std::fwrite(bytes.data(), 1, bytes.size(), pFile) == bytes.size() && FlushToDisk(pFile);
    int nErrno = errno;
    const bool bClosed = std::fclose(pFile) == 0;
    if (nErrno == 0)
        nErrno = errno;
    if (bWritten && bClosed && ReplaceTarget(temporary, target))
        return Result::Ok;
    if (nErrno == 0)
        nErrno = errno;
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return ReportWriteFailure(strPath, nErrno, strError);
}
