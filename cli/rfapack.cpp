// rfapack FOLDER PREFIX "NAME.rfa" [-Compress] [--skip-links]
#include "cli_common.h"
#include "platform/process.h"
#include "rfa/archive.h"

#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace {

void usage(std::FILE* out) {
    std::fputs("Usage: rfapack <folder> <inner path> <archive.rfa> [-Compress] [--skip-links]\n"
               "  Packs every file below <folder> into <archive.rfa>, stored under\n"
               "  <inner path>/<path below the folder>, e.g.\n"
               "    rfapack bf1942\\levels\\MyMap_001 bf1942/levels/MyMap \"MyMap_001.rfa\"\n"
               "  -Compress     store LZO1X blocks instead of the files as they are\n"
               "  --skip-links  links and special files (pipes, devices) are never packed;\n"
               "                each is named; unless this is given, nothing is written\n"
               "                and the exit code is 1\n"
               "  --help        this text\n"
               "  --version     the tool's version\n",
               out);
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = tw::platform::commandLineArguments(argc, argv);
    std::vector<std::string> positional;
    tw::rfa::PackOptions options;
    bool skipLinks = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = args[i];
        if (const auto code = tw::cli::commonOption(a, "rfapack", usage)) return *code;
        if (strcasecmp(a.c_str(), "-compress") == 0) options.compress = true;
        else if (a == "--skip-links") skipLinks = true;
        else if (!a.empty() && a[0] == '-' && a.size() > 1) {
            std::fprintf(stderr, "ERROR! Unknown option %s\n", a.c_str());
            usage(stderr);
            return 1;
        } else positional.push_back(a);
    }
    if (positional.size() != 3) {
        std::fputs(positional.size() < 3 ? "ERROR! Not enough command line arguments\n"
                                         : "ERROR! Too many command line arguments\n",
                   stderr);
        usage(stderr);
        return 1;
    }
    try {
        tw::cli::ProgressBar bar("Packing");
        options.progress = [&](uint64_t d, uint64_t t) { bar(d, t); };
        options.refuseLeftOut = !skipLinks;
        const auto r = tw::rfa::packFolder(positional[0], positional[1], positional[2], options);
        bar.finish();
        for (const std::string& line : r.leftOut) std::fprintf(stderr, "%s\n", line.c_str());
        std::printf("TotalFiles: %zu\nUseCompression: %d\nArchive: %s (%llu bytes)\n", r.files,
                    options.compress ? 1 : 0, positional[2].c_str(), static_cast<unsigned long long>(r.archiveSize));
        return 0;
    } catch (const tw::rfa::LeftOutError& e) {
        for (const std::string& line : e.items()) std::fprintf(stderr, "%s\n", line.c_str());
        std::fprintf(stderr, "%zu item(s) left out; --skip-links accepts that. %s was not written\n",
                     e.items().size(), positional[2].c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "\n%s\n", e.what());
        return 1;
    }
}
