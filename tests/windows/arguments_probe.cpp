// Writes the arguments it was given, as ProgramArguments sees them, one a
// line, into the file named by the first.
#include "common/Console.h"
#include "common/FileIO.h"

int main(int argc, char* argv[])
{
    UseUtf8Console();
    const std::vector<std::string> arguments = ProgramArguments(argc, argv);
    if (arguments.size() < 2)
        return 2;
    std::string strLines;
    for (const std::string& strArgument : arguments)
        strLines += strArgument + "\n";
    std::string strError;
    return ReplaceFileContent(arguments[1], strLines, strError) == 0 ? 0 : 1;
}
