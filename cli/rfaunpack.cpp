// rfaunpack NAME.rfa [ExtractToPath] [--only INNER_FOLDER]   |   rfaunpack --list NAME.rfa
#include "cli_common.h"
#include "platform/process.h"
#include "platform/text.h"
#include "rfa/archive.h"
#include "rfa/names.h"
#include "rfa/reader.h"

#include <exception>
#include <string>
#include <vector>

namespace {

void usage(std::FILE* out) {
    std::fputs("Usage: rfaunpack <archive.rfa> [ExtractToPath] [--only <inner folder>]\n"
               "  Extracts every file of the archive below ExtractToPath (default: the\n"
               "  current folder) at the path it carries inside the archive. All or\n"
               "  nothing: the files appear only when every one was unpacked whole.\n"
               "  --only <inner folder>  only the entries below that folder of the archive\n"
               "                (e.g. bf1942/levels/MyMap, letter case aside); the others\n"
               "                are named and left out\n"
               "       rfaunpack --list <archive.rfa>    (also -l)\n"
               "  Lists the entries: size, stored size, name.\n"
               "  --help, --version\n",
               out);
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = tw::platform::commandLineArguments(argc, argv);
    std::vector<std::string> positional;
    bool list = false;
    tw::rfa::ExtractOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string a = args[i];
        if (const auto code = tw::cli::commonOption(a, "rfaunpack", usage)) return *code;
        if (a == "--list" || a == "-l") list = true;
        else if (a == "--only" && i + 1 < argc) options.onlyBelow = args[++i];
        else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "Error! Unknown option %s\n", a.c_str());
            usage(stderr);
            return 1;
        } else positional.push_back(a);
    }
    if (positional.empty() || positional.size() > (list ? 1u : 2u)) {
        usage(stderr);
        return 1;
    }
    try {
        if (list) {
            const tw::rfa::ArchiveReader reader(positional[0]);
            std::printf("%s archive, %zu entries\n", reader.compressed() ? "Compressed" : "Stored",
                        reader.entries().size());
            for (const auto& e : reader.entries())
                std::printf("%10u %10u  %s\n", e.size, e.stored, tw::rfa::printableName(e.name).c_str());
            return 0;
        }
        tw::cli::ProgressBar bar("Extracting");
        options.progress = [&](uint64_t d, uint64_t t) { bar(d, t); };
        const auto r = tw::rfa::extractArchive(positional[0], positional.size() == 2 ? positional[1] : ".", options);
        bar.finish();
        for (const auto& name : r.leftOut) std::printf("Left out: %s\n", name.c_str());
        for (const auto& w : r.warnings) std::fprintf(stderr, "Warning: %s\n", w.c_str());
        std::printf("Extracted %zu files (%llu bytes)\n", r.files, static_cast<unsigned long long>(r.bytes));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "\n%s\n", e.what());
        return 1;
    }
}
