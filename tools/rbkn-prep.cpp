// rbkn-prep: prepares catalogue data for the reader.
//
//   rbkn-prep catalogue <srcdir> <dstdir>   sources (UTF-8) -> program folder
//   rbkn-prep encode <in.tsv> <out>         one clear table -> table file
//   rbkn-prep decode <in> <out.tsv>         one table file -> clear rows
//   rbkn-prep synth <dstdir> [--records N] [--table-rows R] [--rtf-kb K] [--seed S]
//                           [--depth D] [--rtf-dense 0|1]
//                                           a synthetic program folder
//
// Exit status 0 on success, 1 on any failure (the message names the file and
// line), 2 on a usage error.
#include "tools/PrepTool.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: rbkn-prep catalogue <srcdir> <dstdir>\n"
                 "       rbkn-prep encode <in.tsv> <out>\n"
                 "       rbkn-prep decode <in> <out.tsv>\n"
                 "       rbkn-prep synth <dstdir> [--records N] [--table-rows R] [--rtf-kb K] [--seed S]\n"
                 "                       [--depth D] [--rtf-dense 0|1]\n");
    return 2;
}

bool parseCount(const char *text, long max, long &value)
{
    char *end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= 0 && value <= max;
}

int run(int argc, char **argv)
{
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    if (command == "catalogue" && argc == 4) {
        const rbkn::CatalogueStats s = rbkn::PrepareCatalogue(argv[2], argv[3]);
        std::printf("rbkn-prep: %d table files (%d rows), %d text files, %d copied files\n", s.Tables,
                    s.TableRows, s.Texts, s.Copies);
        return 0;
    }
    if (command == "encode" && argc == 4) {
        const int rows = rbkn::EncodeTableFile(argv[2], argv[3]);
        std::printf("rbkn-prep: %d rows encoded\n", rows);
        return 0;
    }
    if (command == "decode" && argc == 4) {
        int decoded = 0, skipped = 0;
        rbkn::DecodeTableFile(argv[2], argv[3], decoded, skipped);
        std::printf("rbkn-prep: %d rows decoded, %d lines skipped\n", decoded, skipped);
        return 0;
    }
    if (command == "synth" && argc >= 3 && argc % 2 == 1) {
        rbkn::SynthOptions options;
        for (int i = 3; i + 1 < argc; i += 2) {
            const std::string option = argv[i];
            long value = 0;
            if (!parseCount(argv[i + 1], 100000000L, value)) {
                std::fprintf(stderr, "rbkn-prep: bad value for %s: %s\n", option.c_str(), argv[i + 1]);
                return 2;
            }
            if (option == "--records")
                options.Records = static_cast<int>(value);
            else if (option == "--table-rows")
                options.TableRows = static_cast<int>(value);
            else if (option == "--rtf-kb")
                options.RtfKb = static_cast<int>(value);
            else if (option == "--seed")
                options.Seed = static_cast<uint32_t>(value);
            else if (option == "--depth")
                options.GroupDepth = static_cast<int>(value);
            else if (option == "--rtf-dense")
                options.RtfDense = value != 0;
            else
                return usage();
        }
        const rbkn::SynthStats s = rbkn::WriteSynthCatalogue(argv[2], options);
        std::printf("rbkn-prep: %d records (%d GROUP, %d RTF, %d TABLE, %d PDF, %d hidden), "
                    "%d table rows, RTF %ld bytes\n",
                    s.Records, s.Groups, s.Rtf, s.Tables, s.Pdf, s.Hidden, s.TableRows, s.RtfBytes);
        return 0;
    }
    return usage();
}

} // namespace

int main(int argc, char **argv)
{
    try {
        return run(argc, argv);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "rbkn-prep: error: %s\n", e.what());
        return 1;
    }
}
