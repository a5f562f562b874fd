#include "common/FileDigest.h"

#include "common/FileIO.h"
#include "common/ResultCodes.h"

#include <openssl/evp.h>

int Sha256OfFile(const std::string& strPath, std::size_t nMaxBytes, std::string& strHex, std::string& strError)
{
    std::string bytes;
    if (const int nResult = ReadRegularFile(strPath, nMaxBytes, bytes, strError); nResult != Result::Ok)
        return nResult;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int nDigestBytes = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &nDigestBytes, EVP_sha256(), nullptr) != 1) {
        strError = "SHA-256 failed";
        return Result::LibraryException;
    }
    static constexpr char kHexDigits[] = "0123456789abcdef";
    strHex.clear();
    for (unsigned int i = 0; i < nDigestBytes; ++i) {
        strHex += kHexDigits[digest[i] >> 4];
        strHex += kHexDigits[digest[i] & 0x0F];
    }
    return Result::Ok;
}
