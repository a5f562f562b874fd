// Intel HEX text: read, merged into one area, written and read back; the
// image read back holds the same bytes.
#include "firmware/IntelHex.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

struct FuzzedHex : CIntelHex {
    using CIntelHex::ReadLines;
    using CIntelHex::WriteRecords;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    FuzzedHex image;
    std::string strError;
    if (image.ReadLines(std::string_view(reinterpret_cast<const char*>(pData), nSize), strError) != 0)
        return 0;
    if (image.MergeMemoryArea(0x0000, 0xFFFF, strError) != 0)
        return 0;
    std::string text;
    if (image.WriteRecords(text, strError) != 0)
        return 0;
    FuzzedHex again;
    if (again.ReadLines(text, strError) != 0)
        std::abort(); // what we wrote must read back
    for (const CDataRecord& record : image.Records().Records()) {
        for (DWORD dwAddress = record.GetStartAddr(); dwAddress <= record.GetEndAddr(); ++dwAddress) {
            BYTE byWritten = 0;
            BYTE byRead = 0;
            if (!image.FindByte(dwAddress, byWritten) || !again.FindByte(dwAddress, byRead) || byWritten != byRead)
                std::abort();
        }
    }
    return 0;
}
