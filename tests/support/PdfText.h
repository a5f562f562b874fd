#pragma once
// A PDF as a reader sees it, through poppler's tools: its text as laid out
// (a table row stays on one line) and its page count.

#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>

inline std::string ShellOutput(const std::string& strCommand)
{
    std::string strOut;
    FILE* pipe = ::popen(strCommand.c_str(), "r");
    if (pipe == nullptr)
        return strOut;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        strOut.append(buffer, n);
    ::pclose(pipe);
    return strOut;
}

inline std::string PdfText(const std::filesystem::path& pdf)
{
    return ShellOutput("pdftotext -layout '" + pdf.string() + "' - 2>&1");
}

// -1 when pdfinfo cannot read it.
inline int PdfPageCount(const std::filesystem::path& pdf)
{
    std::smatch pages;
    const std::string strInfo = ShellOutput("pdfinfo '" + pdf.string() + "' 2>&1");
    return std::regex_search(strInfo, pages, std::regex("Pages:\\s+([0-9]+)")) ? std::stoi(pages[1]) : -1;
}
