#pragma once
// The USB serial devices of the bus adapter's chip (USB id 0403:6001) that
// the kernel's serial driver holds, found through sysfs: each with its
// product string, USB serial number, tty device and latency setting, in the
// order of their USB bus paths (stable across runs and replugging into the
// same socket). The sysfs root is FLUXA_SYSFS_ROOT when set (tests), else
// /sys.

#include "devicelink/AdapterPort.h"

#include <string>
#include <vector>

std::string SysfsRoot();
// Every such device below sysfs root strRoot; none when there is no sysfs.
std::vector<CAdapterDevice> ListSerialAdapterDevices(const std::string& strRoot);
// Whether one of them is a bus adapter ("Velmor BUS converter", any case).
bool HasSerialBusAdapter(const std::vector<CAdapterDevice>& devices);
