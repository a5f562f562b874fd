// Loading product definition directories of 100, 1,000 and 5,000 products
// the way the tool scans its "Config" directory at start. The budget: 1,000
// definitions in under 1 s, and loading grows linearly (5,000 take at most
// 6 times as long as 1,000). Prints the times, then per_definition_us for
// the largest directory last; exits with 1 when the budget is missed.
#include "common/FilePaths.h"
#include "common/ResultCodes.h"
#include "workflow/ProductCatalog.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// A directory of nCount definitions: copies of the shipped urinal definition
// (the one with the most settings) with their own article numbers.
fs::path MakeDefinitionDirectory(const fs::path& root, int nCount, const std::string& templateXml)
{
    const fs::path directory = root / std::to_string(nCount);
    const std::string marker = "<ArticleNumber>230400401</ArticleNumber>";
    const std::size_t nMarker = templateXml.find(marker);
    for (int i = 0; i < nCount; ++i) {
        const std::string article = std::to_string(300000000 + i);
        const fs::path product = directory / ("Product_" + article);
        fs::create_directories(product);
        std::string xml = templateXml;
        xml.replace(nMarker, marker.size(), "<ArticleNumber>" + article + "</ArticleNumber>");
        std::ofstream(product / kDefinitionFileName, std::ios::binary) << xml;
    }
    return directory;
}

// The best of three scans, in milliseconds.
double LoadMilliseconds(const fs::path& directory, int nExpected)
{
    double dBest = 1e30;
    for (int run = 0; run < 3; ++run) {
        CProductCatalog catalog;
        std::string strError;
        const auto start = std::chrono::steady_clock::now();
        const int nResult = catalog.LoadDeviceConfigs(Utf8FromPath(directory), strError);
        const auto stop = std::chrono::steady_clock::now();
        if (nResult != Result::Ok || catalog.Configs().GetCount() != nExpected) {
            std::fprintf(stderr, "loading %s failed: %s\n", directory.string().c_str(), strError.c_str());
            std::exit(2);
        }
        dBest = std::min(dBest, std::chrono::duration<double, std::milli>(stop - start).count());
    }
    return dBest;
}

} // namespace

int main()
{
    const fs::path templatePath = PathFromUtf8(DefaultConfigDirectory()) / "Urinal_230400401" / kDefinitionFileName;
    const std::string templateXml = ReadFile(templatePath);
    if (templateXml.find("<ArticleNumber>230400401</ArticleNumber>") == std::string::npos) {
        std::fprintf(stderr, "the shipped urinal definition was not found at %s\n", templatePath.string().c_str());
        return 2;
    }
    const fs::path root = fs::temp_directory_path() / ("fluxa_bench_definitions_" + std::to_string(std::random_device{}()));

    const int counts[] = {100, 1000, 5000};
    double dMilliseconds[3] = {};
    for (int i = 0; i < 3; ++i) {
        const fs::path directory = MakeDefinitionDirectory(root, counts[i], templateXml);
        dMilliseconds[i] = LoadMilliseconds(directory, counts[i]);
        std::printf("definitions=%d load_ms=%.1f\n", counts[i], dMilliseconds[i]);
    }
    std::error_code ec;
    fs::remove_all(root, ec);

    const double dGrowth = dMilliseconds[2] / dMilliseconds[1];
    const bool bWithinBudget = dMilliseconds[1] < 1000.0 && dGrowth <= 6.0;
    std::printf("growth_5000_over_1000=%.2f (at most 6)\n", dGrowth);
    std::printf("budget=%s (1,000 definitions under 1 s, linear growth)\n", bWithinBudget ? "met" : "MISSED");
    std::printf("per_definition_us=%.1f\n", dMilliseconds[2] * 1000.0 / counts[2]);
    return bWithinBudget ? 0 : 1;
}
