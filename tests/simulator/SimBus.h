#pragma once
// The simulator's D2XX side for tests: its entry points resolved at run time
// from the library file, as the tool's binding does, and a request/answer
// exchange the way the bus adapter port runs one.
#include "SimulatorControl.h"
#include "devicelink/D2XXApi.h"

#include "common/SharedLibrary.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

struct SimBus {
    SimBus()
    {
        std::string strWhy;
        m_hLibrary = OpenSharedLibrary(FLUXA_VELMORSIM_PATH, strWhy);
        if (m_hLibrary == nullptr)
            throw std::runtime_error("cannot load the simulator: " + strWhy);
#define SIM_BUS_RESOLVE(ret, name, params, args)                                                   \
    name = reinterpret_cast<name##_Fn>(SharedLibrarySymbol(m_hLibrary, #name));                                \
    if (name == nullptr)                                                                           \
        throw std::runtime_error(#name " is missing");
        FLUXA_D2XX_ENTRY_POINTS(SIM_BUS_RESOLVE)
#undef SIM_BUS_RESOLVE
    }
    ~SimBus() { CloseSharedLibrary(m_hLibrary); }
    SimBus(const SimBus&) = delete;
    SimBus& operator=(const SimBus&) = delete;

#define SIM_BUS_MEMBER(ret, name, params, args) name##_Fn name = nullptr;
    FLUXA_D2XX_ENTRY_POINTS(SIM_BUS_MEMBER)
#undef SIM_BUS_MEMBER

    // Opens a device as the tool's port does: 100 ms time-outs, 8N1, purged.
    FT_HANDLE OpenPort(int device, ULONG baud = 2400)
    {
        FT_HANDLE h = nullptr;
        EXPECT_EQ(FT_OK, FT_Open(device, &h));
        EXPECT_EQ(FT_OK, FT_SetTimeouts(h, 100, 100));
        EXPECT_EQ(FT_OK, FT_SetFlowControl(h, 0, 0, 0));
        EXPECT_EQ(FT_OK, FT_SetBaudRate(h, baud));
        EXPECT_EQ(FT_OK, FT_SetDataCharacteristics(h, 8, 0, 0));
        EXPECT_EQ(FT_OK, FT_Purge(h, 3));
        return h;
    }

    static Bytes Frame(const Bytes& request) // opcode and parameters
    {
        Bytes frame(request.size() + 4);
        frame[0] = 0xF1;
        frame[1] = 0x01;
        frame[2] = static_cast<std::uint8_t>(request.size() + 1);
        std::copy(request.begin(), request.end(), frame.begin() + 3);
        std::uint8_t sum = 0;
        for (std::size_t i = 0; i + 1 < frame.size(); ++i)
            sum = static_cast<std::uint8_t>(sum + frame[i]);
        frame.back() = sum;
        return frame;
    }

    Bytes Read(FT_HANDLE h, DWORD count)
    {
        if (count == 0)
            return {};
        Bytes bytes(count);
        DWORD got = 0;
        EXPECT_EQ(FT_OK, FT_Read(h, bytes.data(), count, &got));
        bytes.resize(got);
        return bytes;
    }

    // Writes a raw frame and returns everything the line brings back within
    // the time-outs: the echo followed by the answer.
    Bytes Raw(FT_HANDLE h, const Bytes& frame)
    {
        EXPECT_EQ(FT_OK, FT_Purge(h, 3));
        DWORD written = 0;
        EXPECT_EQ(FT_OK, FT_Write(h, const_cast<std::uint8_t*>(frame.data()), static_cast<DWORD>(frame.size()),
                                  &written));
        Bytes all;
        for (;;) {
            Bytes more = Read(h, 64);
            if (more.empty())
                return all;
            all.insert(all.end(), more.begin(), more.end());
        }
    }

    // One exchange as the port runs it; returns the answer's payload (status
    // first) after checking echo, length and sum, or an empty payload when
    // nothing (complete) came back.
    Bytes Exchange(FT_HANDLE h, const Bytes& request)
    {
        const Bytes frame = Frame(request);
        EXPECT_EQ(FT_OK, FT_Purge(h, 3));
        DWORD written = 0;
        EXPECT_EQ(FT_OK, FT_Write(h, const_cast<std::uint8_t*>(frame.data()), static_cast<DWORD>(frame.size()),
                                  &written));
        // A long frame outlasts one 100 ms read at 2400 bit/s: read the rest once more.
        Bytes echo = Read(h, static_cast<DWORD>(frame.size()));
        Bytes rest = Read(h, static_cast<DWORD>(frame.size() - echo.size()));
        echo.insert(echo.end(), rest.begin(), rest.end());
        EXPECT_EQ(frame, echo) << "echo";
        Bytes header = Read(h, 3);
        if (header.size() < 3)
            return {};
        Bytes body = Read(h, header[2]);
        if (body.size() < header[2])
            return {};
        std::uint8_t sum = 0;
        for (std::uint8_t b : header)
            sum = static_cast<std::uint8_t>(sum + b);
        for (std::size_t i = 0; i + 1 < body.size(); ++i)
            sum = static_cast<std::uint8_t>(sum + body[i]);
        EXPECT_EQ(sum, body.back()) << "answer sum";
        return Bytes(body.begin(), body.end() - 1);
    }

private:
    void* m_hLibrary = nullptr;
};
