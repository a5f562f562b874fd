#include "common/Console.h"

#if defined(_WIN32)
#include "common/WideText.h"

#include <windows.h>
#include <shellapi.h>
#endif

void UseUtf8Console()
{
#if defined(_WIN32)
    SetConsoleOutputCP(CP_UTF8);
#endif
}

std::vector<std::string> ProgramArguments(int argc, char* argv[])
{
#if defined(_WIN32)
    // argv holds the arguments in the system's code page, which loses every
    // character outside it; the wide command line keeps them.
    int nCount = 0;
    if (wchar_t** ppArguments = CommandLineToArgvW(GetCommandLineW(), &nCount); ppArguments != nullptr) {
        std::vector<std::string> arguments;
        for (int i = 0; i < nCount; ++i)
            arguments.push_back(Utf8FromWide(ppArguments[i]));
        LocalFree(ppArguments);
        return arguments;
    }
#endif
    return std::vector<std::string>(argv, argv + argc);
}
