// On Windows the simulated world must outlive the tool's FreeLibrary on every
// port close, as a real device outlives its driver handle (on Linux the
// library is linked with -z nodelete): the library pins itself when loaded.
#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH) {
        HMODULE hSelf = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           reinterpret_cast<LPCWSTR>(&DllMain), &hSelf);
    }
    return TRUE;
}
#endif
