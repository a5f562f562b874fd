// Once a port is open, commands run without a single heap allocation: the
// requests, frames and responses live in the object's fixed buffers. Counted
// with a replaced global operator new around a few hundred exchanges on an
// ideal line that allocates nothing itself.
#include "devicelink/VelmorTPFTDI.h"

#include "common/ResultCodes.h"
#include "TestPlatform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

// The replacements pair malloc with free; GCC cannot see that through them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
std::atomic<bool> g_bCounting{false};
std::atomic<long> g_nAllocations{0};
} // namespace

void* operator new(std::size_t nSize)
{
    if (g_bCounting.load(std::memory_order_relaxed))
        g_nAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(nSize != 0 ? nSize : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

class CountedAllocations {
public:
    CountedAllocations()
    {
        g_nAllocations = 0;
        g_bCounting = true;
    }
    ~CountedAllocations() { g_bCounting = false; }
    long Count() const { return g_nAllocations.load(); }
};

void* volatile g_pSink = nullptr;

TEST(CommandPath, CounterSeesAnAllocation)
{
    long nCount = 0;
    {
        CountedAllocations counted;
        std::string text(100, 'x');
        g_pSink = text.data();
        nCount = counted.Count();
    }
    EXPECT_GE(nCount, 1);
}

TEST(CommandPath, NoHeapAllocationOnceThePortIsOpen)
{
    SetProcessEnvironment("FLUXA_D2XX_LIBRARY", D2XXLOOPBACK_PATH);
    CVelmorTPFTDI port;
    std::string error;
    ASSERT_EQ(Result::Ok, port.OpenAdapter(CVelmorTPFTDI::kAdapterDescription, 0, error)) << error;
    ASSERT_TRUE(port.IsPortOpen());
    std::vector<BYTE> row;
    row.reserve(16);
    const BYTE data[16] = {1, 2, 3};

    int nFailures = 0;
    long nAllocations = 0;
    {
        CountedAllocations counted;
        for (int i = 0; i < 100; ++i) {
            const WORD wAddress = static_cast<WORD>(i * 16);
            const BYTE params[3] = {static_cast<BYTE>(wAddress >> 8), static_cast<BYTE>(wAddress), 16};
            UCHAR byValue = 0;
            nFailures += port.SendCommand(CVelmorTPBase::CmdReadEEByAddr, 3, params, error) != Result::Ok;
            nFailures += port.ReadEEByAddr(wAddress, 16, row, error) != Result::Ok;
            nFailures += port.WriteEEByAddr(wAddress, 16, data, error) != Result::Ok;
            nFailures += port.ReadByteByIndex(1, byValue, error) != Result::Ok;
        }
        nAllocations = counted.Count();
    }
    EXPECT_EQ(0, nFailures) << error;
    EXPECT_EQ(0, nAllocations);
    ASSERT_EQ(16u, row.size());
    EXPECT_EQ(static_cast<BYTE>(99 * 16), row[0]); // the last read really came through
}

} // namespace
