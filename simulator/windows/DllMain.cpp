// The simulated world must outlive the tool's unloading of the library on
// every port close, as a real device outlives its driver handle: the library
// pins itself in the process when it is first loaded.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH) {
        HMODULE hSelf = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(hInstance), &hSelf);
    }
    return TRUE;
}
