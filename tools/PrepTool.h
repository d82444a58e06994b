// The catalogue preparation routines behind rbkn-prep: they turn the
// reviewable UTF-8 sources of a catalogue into the program folder's data
// files, and write synthetic catalogues for benchmarks and tests.
//
// Source naming rules of `PrepareCatalogue`:
//   X.tsv   -> X      a table file: each UTF-8 line converted to CP1250 and
//                     stored through the table-line codec; blank lines left out
//   *.pdf, *.png, *.jpg, *.jpeg, *.gif, *.bmp, *.ico
//           -> copied byte for byte
//   *.md and names starting with "."
//           -> skipped (notes on the sources, editor and VCS files)
//   anything else -> a text file converted UTF-8 -> CP1250
// Every written line ends in CR LF. A leading UTF-8 byte-order mark is
// dropped. Every output is written to a temporary file beside its target and
// renamed over it, so an interrupted run never leaves a half-written file.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace rbkn {

// Any failure of the tool; the message names the file (and line) at fault.
class PrepError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The lines of a UTF-8 text (LF or CR LF ends; a final line end adds no empty
// line), each converted to CP1250. Raises PrepError "<name>:<line>: ..." on
// malformed UTF-8 or a character the code page lacks.
std::vector<std::string> Utf8TextToAnsiLines(const std::string &utf8, const std::string &name);

// Joins lines with CR LF after each.
std::string JoinCrLf(const std::vector<std::string> &lines);

// Writes `bytes` to `path` through a temporary file and a rename; creates the
// parent folders. Raises PrepError.
void WriteFileAtomically(const std::string &path, const std::string &bytes);
std::string ReadWholeFile(const std::string &path);

// Single-file conversions.
void ConvertTextFile(const std::string &in, const std::string &out);
// UTF-8 tab-separated rows -> stored table lines; returns the rows written.
int EncodeTableFile(const std::string &in, const std::string &out);
// Stored table lines -> UTF-8 clear rows (LF ends). Lines that do not decode
// (or decode to text that is blank) are counted in `skipped` and left out.
void DecodeTableFile(const std::string &in, const std::string &out, int &decoded, int &skipped);

struct CatalogueStats {
    int Tables = 0;
    int TableRows = 0;
    int Texts = 0;
    int Copies = 0;
};

// Converts every source under srcDir into dstDir (see the naming rules).
CatalogueStats PrepareCatalogue(const std::string &srcDir, const std::string &dstDir);

// ------------------------------------------------------ synthetic catalogue

struct SynthOptions {
    int Records = 1000;     // item records in all definition files together
    int TableRows = 1000;   // rows of the one table file
    int RtfKb = 64;         // approximate size of the one RTF document
    uint32_t Seed = 20070101;
    int GroupDepth = 4;     // groups nest this many levels below the root
    bool RtfDense = false;  // the RTF document: long paragraphs and many tables
};

struct SynthStats {
    int Records = 0;
    int Groups = 0;
    int Rtf = 0;
    int Tables = 0;
    int Pdf = 0;
    int Hidden = 0;
    int TableRows = 0;
    long RtfBytes = 0;
};

// Writes a complete program folder (CP1250): definition.global, definition
// files, dictionary.global, tables/synth.txt, rtf/synth.rtf, matryca.pdf and the
// three documents of the secondary windows. The output depends only on the
// options (fixed seed).
SynthStats WriteSynthCatalogue(const std::string &dstDir, const SynthOptions &options);

// One clear row of long wrapped cells, laid out as the synthetic TABLE records'
// columns: a symbol (sometimes quoted), a name of about `cellChars`
// characters with style tags, line breaks, links, long words without blanks
// and odd tag sequences, references made of links, and a number that is now
// and then a link of its own. The same seed and row give the same text.
std::string SynthMarkupRow(uint32_t seed, int row, int cellChars);

// Writes `rows` such rows, stored through the table-line codec, to `path`,
// with blank and damaged lines among them. Returns the rows written.
int WriteSynthMarkupTable(const std::string &path, int rows, int cellChars, uint32_t seed);

// A catalogue for the classification search: classification SZT holds
// `Tables` TABLE items, each with a table file of its own (quoted cells,
// mark-up, links, blank and damaged lines, short and long lines, LINK columns
// headed in any case, a first line of empty cells now and then), and SZR
// holds `RtfItems` RTF items, each with a document of its own (long
// paragraphs with line breaks and character formats, tables, indented
// lists). Every `MissingEvery`-th item of each kind names a file that does
// not exist (0: none). The word "transportu" never occurs in a LINK column.
struct SearchCatalogueOptions {
    int Tables = 100;
    int RowsPerTable = 200;
    int RtfItems = 10;
    int RtfKb = 64;
    int MissingEvery = 0;
    uint32_t Seed = 20070101;
};
void WriteSearchCatalogue(const std::string &dstDir, const SearchCatalogueOptions &options);

} // namespace rbkn
