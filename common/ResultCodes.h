#pragma once
// Every operation returns 0 or one of these codes and puts its message into
// an error text that the caller supplies.

namespace Result {
constexpr int Ok = 0;
constexpr int InvalidArgument = -1001;     // bad argument, unknown name, out of range
constexpr int MissingPrecondition = -1002; // port not open, nothing stored, wrong fitting ...
constexpr int OutOfMemory = -1003;
constexpr int FileException = -1004;
constexpr int LibraryException = -1005;    // class-library (container, parser) exception
constexpr int CallException = -1006;       // exception inside a driver call
constexpr int InvalidResponse = -1007;
constexpr int NoResponse = -1008;          // time-out
constexpr int TargetError = -1009;         // the fitting answered with an error code
constexpr int LayoutNotSupported = -1010;
constexpr int DriverStatus = -1012;        // a driver call returned a non-zero status
} // namespace Result
