#include "common/FileDigest.h"

#include "common/FileIO.h"
#include "common/ResultCodes.h"

#include <algorithm>
#include <array>

#if defined(_WIN32)
#include <windows.h>
#include <bcrypt.h>
#else
#include <openssl/evp.h>
#endif

namespace {

using CSha256 = std::array<unsigned char, 32>;

#if defined(_WIN32)
bool Sha256(const std::string& bytes, CSha256& digest)
{
    BCRYPT_ALG_HANDLE hAlgorithm = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&hAlgorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return false;
    BCRYPT_HASH_HANDLE hHash = nullptr;
    bool bDone = BCRYPT_SUCCESS(BCryptCreateHash(hAlgorithm, &hHash, nullptr, 0, nullptr, 0, 0));
    // BCryptHashData takes at most a ULONG of bytes at a time.
    constexpr std::size_t kChunk = 1 << 20;
    for (std::size_t nAt = 0; bDone && nAt < bytes.size(); nAt += kChunk) {
        const ULONG nBytes = static_cast<ULONG>(std::min(kChunk, bytes.size() - nAt));
        bDone = BCRYPT_SUCCESS(BCryptHashData(hHash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + nAt)), nBytes, 0));
    }
    bDone = bDone && BCRYPT_SUCCESS(BCryptFinishHash(hHash, digest.data(), static_cast<ULONG>(digest.size()), 0));
    if (hHash != nullptr)
        BCryptDestroyHash(hHash);
    BCryptCloseAlgorithmProvider(hAlgorithm, 0);
    return bDone;
}
#else
bool Sha256(const std::string& bytes, CSha256& digest)
{
    unsigned int nDigestBytes = 0;
    return EVP_Digest(bytes.data(), bytes.size(), digest.data(), &nDigestBytes, EVP_sha256(), nullptr) == 1 &&
           nDigestBytes == digest.size();
}
#endif

} // namespace

int Sha256OfFile(const std::string& strPath, std::size_t nMaxBytes, std::string& strHex, std::string& strError)
{
    std::string bytes;
    if (const int nResult = ReadRegularFile(strPath, nMaxBytes, bytes, strError); nResult != Result::Ok)
        return nResult;
    CSha256 digest{};
    if (!Sha256(bytes, digest)) {
        strError = "SHA-256 failed";
        return Result::LibraryException;
    }
    static constexpr char kHexDigits[] = "0123456789abcdef";
    strHex.clear();
    for (const unsigned char byte : digest) {
        strHex += kHexDigits[byte >> 4];
        strHex += kHexDigits[byte & 0x0F];
    }
    return Result::Ok;
}
