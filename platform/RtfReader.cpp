#include "platform/RtfReader.h"

#include "platform/Cp1250.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>

#include <iconv.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <unordered_map>

namespace platform {

// ------------------------------------------------------------- code pages

namespace {

using CodeTable = std::array<char16_t, 256>;

// Fills `table` for a single-byte code page; false when the system has no
// converter for it.
bool BuildTable(int codePage, CodeTable &table)
{
    for (int b = 0; b < 256; ++b)
        table[b] = char16_t(b);
    if (codePage == 1250) {
        for (int b = 0; b < 256; ++b)
            table[b] = Cp1250ToUnicode(static_cast<unsigned char>(b));
        return true;
    }
    std::string name = codePage == 10000 ? "MACINTOSH" : "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open("UTF-16LE", name.c_str());
    if (cd == iconv_t(-1))
        return false;
    for (int b = 0x80; b < 256; ++b) {
        char in = static_cast<char>(b);
        unsigned char out[8] = {};
        char *inp = &in, *outp = reinterpret_cast<char *>(out);
        size_t inLeft = 1, outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inp, &inLeft, &outp, &outLeft) != size_t(-1) && sizeof out - outLeft == 2)
            table[b] = char16_t(out[0] | (out[1] << 8));
    }
    iconv_close(cd);
    return true;
}

// Single-byte code pages that documents of the era use; anything else is
// read as 1252.
bool KnownSingleByte(int cp)
{
    switch (cp) {
    case 437: case 737: case 775: case 850: case 852: case 855: case 857: case 860:
    case 861: case 862: case 863: case 864: case 865: case 866: case 869: case 874:
    case 1250: case 1251: case 1252: case 1253: case 1254: case 1255: case 1256:
    case 1257: case 1258: case 10000:
        return true;
    default:
        return false;
    }
}

const CodeTable *TableFor(int codePage)
{
    static std::mutex mutex;
    static std::map<int, CodeTable> tables; // nodes never move
    if (!KnownSingleByte(codePage))
        codePage = 1252;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = tables.find(codePage);
    if (it != tables.end())
        return &it->second;
    CodeTable &table = tables[codePage];
    // Without a converter the page reads as Latin-1 (1250 needs none).
    BuildTable(codePage, table);
    return &table;
}

int CodePageOfCharset(int charset, int documentCodePage)
{
    switch (charset) {
    case 0: return 1252;
    case 77: return 10000;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 255: return 437;
    default: return documentCodePage;
    }
}

} // namespace

char16_t CodePageToUnicode(int codePage, unsigned char b)
{
    return (*TableFor(codePage))[b];
}

bool IsRtf(std::string_view data)
{
    return data.size() >= 5 && data.substr(0, 5) == "{\\rtf";
}

// ------------------------------------------------------------------ parser

namespace {

enum class Dest : uint8_t {
    Text,       // shown
    DropText,   // control words act, text is dropped (\object outside \result)
    FontTable,
    FontEntry,
    ColorTable,
    StyleSheet,
    StyleEntry,
    FieldInst,
    Picture,
};

enum Touch : uint16_t {
    TFont = 1, TSize = 2, TBold = 4, TItalic = 8, TUnderline = 16, TStrike = 32,
    TFore = 64, TBack = 128, TVertical = 256, THidden = 512,
};

struct CharState {
    RtfCharFormat fmt;
    int32_t fontNumber = 0;
    int32_t link = -1;
    bool hidden = false;
    uint16_t touched = 0;
};

struct Style {
    CharState ch;
};

struct State {
    Dest dest = Dest::Text;
    CharState ch;
    RtfParaFormat pf;
    const CodeTable *cp = nullptr;
    int8_t uc = 1;
    int32_t field = -1;
    // What closing this group finishes.
    bool ownsFontTable = false, ownsFontEntry = false, ownsStyle = false, ownsPicture = false;
    int8_t styleKind = 0; // 0 paragraph, 1 character, 2 other
    int32_t styleNumber = 0;
};

enum class Kw : uint16_t {
    Unknown,
    // destinations
    Rtf, FontTbl, ColorTbl, StyleSheet, Field, FldInst, FldRslt, Pict, ShpPict, Object, Result,
    Skip,
    // document
    Ansi, Mac, Pc, Pca, AnsiCpg, Deff, DefTab, Uc, U, Bin,
    // fonts and colours
    F, FCharset, FNil, FRoman, FSwiss, FModern, FScript, FDecor, FTech, FBidi, Red, Green, Blue,
    // styles
    S, Cs, Ds, Ts,
    // characters
    Plain, B, I, Ul, UlNone, Strike, Fs, Cf, Cb, Highlight, Super, Sub, NoSuperSub, V,
    // special characters
    Par, Line, Tab, Page, Sect, EmDash, EnDash, EmSpace, EnSpace, QmSpace, Bullet, LQuote, RQuote,
    LDblQuote, RDblQuote, Zwj, Zwnj, LtrMark, RtlMark,
    // paragraphs
    Pard, Ql, Qc, Qr, Qj, Li, Ri, Fi, Sb, Sa, Sl, SlMult, InTbl, Itap,
    // tables
    Trowd, Cellx, TrLeft, TrGaph, ClCbPat, BorderSide, ParBorderSide, BorderStyle, BorderNone,
    Cell, Row, NestCell, NestRow,
    // pictures
    PngBlip, JpegBlip, OtherBlip, PicW, PicH, PicWGoal, PicHGoal, PicScaleX, PicScaleY,
};

const std::unordered_map<std::string_view, Kw> &Keywords()
{
    static const std::unordered_map<std::string_view, Kw> map = [] {
        std::unordered_map<std::string_view, Kw> m;
        auto add = [&m](std::initializer_list<std::string_view> names, Kw kw) {
            for (auto n : names)
                m.emplace(n, kw);
        };
        add({"rtf", "urtf"}, Kw::Rtf);
        add({"fonttbl"}, Kw::FontTbl);
        add({"colortbl"}, Kw::ColorTbl);
        add({"stylesheet"}, Kw::StyleSheet);
        add({"field"}, Kw::Field);
        add({"fldinst"}, Kw::FldInst);
        add({"fldrslt"}, Kw::FldRslt);
        add({"pict"}, Kw::Pict);
        add({"shppict"}, Kw::ShpPict);
        add({"object"}, Kw::Object);
        add({"result"}, Kw::Result);
        add({"info", "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr",
             "footerf", "footnote", "annotation", "atnid", "atnauthor", "atntime", "atnicn",
             "atnref", "atndate", "atrfstart", "atrfend", "ftnsep", "ftnsepc", "ftncn", "aftnsep",
             "aftnsepc", "aftncn", "nonshppict", "pn", "pnseclvl", "pntxta", "pntxtb", "xe", "tc",
             "template", "revtbl", "rsidtbl", "listtable", "listoverridetable", "objdata",
             "objclass", "objname", "bkmkstart", "bkmkend", "filetbl", "pgdsctbl", "xmlnstbl",
             "themedata", "colorschememapping", "latentstyles", "datastore", "generator",
             "userprops", "docvar", "mmathPr", "private", "comment", "title", "author", "operator",
             "keywords", "subject", "doccomm", "company", "creatim", "revtim", "printim", "buptim",
             "do", "listpicture", "fchars", "lchars", "blipuid", "picprop", "shpinst", "shptxt",
             "sp", "sn", "sv", "nonesttables", "nesttableprops", "fldtype", "datafield", "falt",
             "panose", "fname", "keycode", "txe", "rxe", "tcn", "ud", "wgrffmtfilter",
             "pgptbl", "mhtmltag", "htmltag", "factoidname", "oldcprops", "oldpprops",
             "oldtprops", "oldsprops", "protusertbl", "ftnalt", "passwordhash"},
            Kw::Skip);
        add({"ansi"}, Kw::Ansi);
        add({"mac"}, Kw::Mac);
        add({"pc"}, Kw::Pc);
        add({"pca"}, Kw::Pca);
        add({"ansicpg"}, Kw::AnsiCpg);
        add({"deff"}, Kw::Deff);
        add({"deftab"}, Kw::DefTab);
        add({"uc"}, Kw::Uc);
        add({"u"}, Kw::U);
        add({"bin"}, Kw::Bin);
        add({"f"}, Kw::F);
        add({"fcharset"}, Kw::FCharset);
        add({"fnil"}, Kw::FNil);
        add({"froman"}, Kw::FRoman);
        add({"fswiss"}, Kw::FSwiss);
        add({"fmodern"}, Kw::FModern);
        add({"fscript"}, Kw::FScript);
        add({"fdecor"}, Kw::FDecor);
        add({"ftech"}, Kw::FTech);
        add({"fbidi"}, Kw::FBidi);
        add({"red"}, Kw::Red);
        add({"green"}, Kw::Green);
        add({"blue"}, Kw::Blue);
        add({"s"}, Kw::S);
        add({"cs"}, Kw::Cs);
        add({"ds"}, Kw::Ds);
        add({"ts"}, Kw::Ts);
        add({"plain"}, Kw::Plain);
        add({"b"}, Kw::B);
        add({"i"}, Kw::I);
        add({"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth",
             "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw",
             "ulwave"},
            Kw::Ul);
        add({"ulnone"}, Kw::UlNone);
        add({"strike", "striked"}, Kw::Strike);
        add({"fs"}, Kw::Fs);
        add({"cf"}, Kw::Cf);
        add({"cb", "chcbpat"}, Kw::Cb);
        add({"highlight"}, Kw::Highlight);
        add({"super"}, Kw::Super);
        add({"sub"}, Kw::Sub);
        add({"nosupersub"}, Kw::NoSuperSub);
        add({"v"}, Kw::V);
        add({"par"}, Kw::Par);
        add({"line"}, Kw::Line);
        add({"tab"}, Kw::Tab);
        add({"page"}, Kw::Page);
        add({"sect"}, Kw::Sect);
        add({"emdash"}, Kw::EmDash);
        add({"endash"}, Kw::EnDash);
        add({"emspace"}, Kw::EmSpace);
        add({"enspace"}, Kw::EnSpace);
        add({"qmspace"}, Kw::QmSpace);
        add({"bullet"}, Kw::Bullet);
        add({"lquote"}, Kw::LQuote);
        add({"rquote"}, Kw::RQuote);
        add({"ldblquote"}, Kw::LDblQuote);
        add({"rdblquote"}, Kw::RDblQuote);
        add({"zwj"}, Kw::Zwj);
        add({"zwnj"}, Kw::Zwnj);
        add({"ltrmark"}, Kw::LtrMark);
        add({"rtlmark"}, Kw::RtlMark);
        add({"pard"}, Kw::Pard);
        add({"ql"}, Kw::Ql);
        add({"qc"}, Kw::Qc);
        add({"qr"}, Kw::Qr);
        add({"qj", "qd"}, Kw::Qj);
        add({"li", "lin"}, Kw::Li);
        add({"ri", "rin"}, Kw::Ri);
        add({"fi"}, Kw::Fi);
        add({"sb"}, Kw::Sb);
        add({"sa"}, Kw::Sa);
        add({"sl"}, Kw::Sl);
        add({"slmult"}, Kw::SlMult);
        add({"intbl"}, Kw::InTbl);
        add({"itap"}, Kw::Itap);
        add({"trowd"}, Kw::Trowd);
        add({"cellx"}, Kw::Cellx);
        add({"trleft"}, Kw::TrLeft);
        add({"trgaph"}, Kw::TrGaph);
        add({"clcbpat"}, Kw::ClCbPat);
        add({"clbrdrt", "clbrdrl", "clbrdrb", "clbrdrr", "trbrdrt", "trbrdrl", "trbrdrb",
             "trbrdrr", "trbrdrh", "trbrdrv"},
            Kw::BorderSide);
        add({"brdrt", "brdrl", "brdrb", "brdrr", "brdrbtw", "brdrbar", "box"}, Kw::ParBorderSide);
        add({"brdrs", "brdrth", "brdrsh", "brdrdb", "brdrdot", "brdrdash", "brdrhair",
             "brdrtriple", "brdrdashsm", "brdrdashd", "brdrdashdd", "brdrinset", "brdroutset",
             "brdrwavy", "brdrengrave", "brdremboss", "brdrtnthsg", "brdrthtnsg"},
            Kw::BorderStyle);
        add({"brdrnone", "brdrnil", "brdrtbl"}, Kw::BorderNone);
        add({"cell"}, Kw::Cell);
        add({"row"}, Kw::Row);
        add({"nestcell"}, Kw::NestCell);
        add({"nestrow"}, Kw::NestRow);
        add({"pngblip"}, Kw::PngBlip);
        add({"jpegblip"}, Kw::JpegBlip);
        add({"emfblip", "wmetafile", "macpict", "pmmetafile", "dibitmap", "wbitmap"},
            Kw::OtherBlip);
        add({"picw"}, Kw::PicW);
        add({"pich"}, Kw::PicH);
        add({"picwgoal"}, Kw::PicWGoal);
        add({"pichgoal"}, Kw::PicHGoal);
        add({"picscalex"}, Kw::PicScaleX);
        add({"picscaley"}, Kw::PicScaleY);
        return m;
    }();
    return map;
}

int HexValue(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi)
{
    return std::min(std::max(v, lo), hi);
}

constexpr int32_t kMaxTwips = 31680; // 22 inches

struct FieldInfo {
    std::u16string instruction;
    int32_t link = -2; // -2: not resolved yet
};

class Parser {
public:
    Parser(std::string_view data, const RtfLimits &limits)
        : p_(reinterpret_cast<const unsigned char *>(data.data())), end_(p_ + data.size()),
          limits_(limits)
    {
    }

    RtfDocument Run();

private:
    // input
    const unsigned char *p_;
    const unsigned char *end_;
    const RtfLimits &limits_;
    RtfDocument doc_;

    std::vector<State> stack_;
    bool ignorableNext_ = false;
    int skipCount_ = 0; // characters still to skip after \uN
    bool done_ = false;

    int documentCodePage_ = 1252;
    int32_t defaultFont_ = 0;
    std::unordered_map<int32_t, int32_t> fontIndex_;
    RtfFont pendingFont_;
    bool fontPending_ = false;
    uint8_t colorSet_ = 0;
    RtfColor pendingColor_;
    std::unordered_map<int32_t, Style> paraStyles_, charStyles_;
    std::vector<FieldInfo> fields_;

    // picture being read
    RtfPicture picture_;
    int pictureKind_ = -1; // -1 unknown/unsupported, else RtfPicture::Kind
    int pictureNibble_ = -1;
    bool pictureTooBig_ = false;

    // runs and paragraphs
    std::unordered_map<uint64_t, uint32_t> formatIndex_;
    bool formatDirty_ = true;
    uint32_t currentFormat_ = 0;
    uint32_t paraFirstRun_ = 0;
    RtfParaFormat lastParaFormat_;

    // tables
    RtfTableRow rowDef_;
    int32_t pendingCellBackground_ = -1;
    bool borderContext_ = false;
    int32_t openTable_ = -1;
    int32_t rowIndex_ = 0;
    int32_t cellIndex_ = 0;
    bool rowHasContent_ = false;
    int64_t tableCells_ = 0;

    State &Top() { return stack_.back(); }

    void OpenGroup();
    void CloseGroup();
    void SkipGroupRest();
    void ControlSequence();
    void ControlWord(std::string_view word, bool hasParam, int32_t param);
    void TextBytes(const unsigned char *b, const unsigned char *e);
    void TextByte(unsigned char b);
    void AppendChar(char16_t c);
    void AppendToField(const State &st, char16_t c);
    void AppendPicture(int32_t index);
    uint32_t FormatIndex();
    void ResolveFont(State &s);
    void FinishParagraph(bool inTable);
    void CloseRow();
    void CloseTable();
    void CommitFont();
    void FinishPicture();
    int32_t LinkOfField(int32_t field);
    void SetCharFormat(Kw kw, bool hasParam, int32_t param);
    void ApplyStyle(const Style &style);
};

RtfDocument Parser::Run()
{
    // Everything before the first group is not part of the document.
    while (p_ < end_ && *p_ != '{')
        ++p_;
    while (p_ < end_ && !done_) {
        unsigned char c = *p_;
        switch (c) {
        case '{':
            ++p_;
            skipCount_ = 0;
            ignorableNext_ = false;
            OpenGroup();
            break;
        case '}':
            ++p_;
            skipCount_ = 0;
            ignorableNext_ = false;
            CloseGroup();
            break;
        case '\\':
            ++p_;
            ControlSequence();
            break;
        case '\r':
        case '\n':
            ++p_;
            break;
        default: {
            const unsigned char *s = p_;
            while (p_ < end_) {
                unsigned char d = *p_;
                if (d == '{' || d == '}' || d == '\\' || d == '\r' || d == '\n')
                    break;
                ++p_;
            }
            if (ignorableNext_) {
                // \* followed by text: not a destination we know
                ignorableNext_ = false;
                p_ = s;
                SkipGroupRest();
                CloseGroup();
                break;
            }
            if (skipCount_ > 0) {
                size_t n = std::min<size_t>(size_t(skipCount_), size_t(p_ - s));
                skipCount_ -= int(n);
                s += n;
            }
            if (s < p_)
                TextBytes(s, p_);
            break;
        }
        }
    }
    // End of input (or of the root group): close what is open.
    if (doc_.runs.size() > paraFirstRun_)
        FinishParagraph(lastParaFormat_.inTable);
    if (openTable_ >= 0)
        CloseTable();
    if (doc_.paragraphs.empty()) {
        RtfParagraph para;
        para.firstRun = uint32_t(doc_.runs.size());
        doc_.paragraphs.push_back(para);
    }
    return std::move(doc_);
}

void Parser::OpenGroup()
{
    if (stack_.empty()) {
        State root;
        root.cp = TableFor(documentCodePage_);
        stack_.push_back(root);
        return;
    }
    if (int(stack_.size()) >= limits_.maxGroupDepth) {
        SkipGroupRest();
        return;
    }
    State child = stack_.back();
    child.ownsFontTable = child.ownsFontEntry = child.ownsStyle = child.ownsPicture = false;
    switch (child.dest) {
    case Dest::StyleSheet:
        child.dest = Dest::StyleEntry;
        child.ownsStyle = true;
        child.styleKind = 0;
        child.styleNumber = 0;
        child.ch = CharState{};
        child.ch.fontNumber = defaultFont_;
        ResolveFont(child);
        break;
    case Dest::FontTable:
        child.dest = Dest::FontEntry;
        child.ownsFontEntry = true;
        break;
    case Dest::StyleEntry:
    case Dest::FontEntry:
    case Dest::ColorTable:
    case Dest::Picture:
        // nothing inside these groups is shown or needed
        SkipGroupRest();
        return;
    default:
        break;
    }
    stack_.push_back(child);
}

void Parser::CloseGroup()
{
    if (stack_.empty())
        return;
    State closing = std::move(stack_.back());
    if (closing.ownsFontEntry && fontPending_)
        CommitFont();
    if (closing.ownsFontTable && fontPending_)
        CommitFont();
    if (closing.ownsStyle) {
        Style st{closing.ch};
        if (closing.styleKind == 0)
            paraStyles_[closing.styleNumber] = st;
        else if (closing.styleKind == 1)
            charStyles_[closing.styleNumber] = st;
    }
    stack_.pop_back();
    formatDirty_ = true;
    if (stack_.empty()) {
        done_ = true;
        return;
    }
    if (closing.ownsFontTable) {
        for (State &s : stack_)
            ResolveFont(s);
    }
    if (closing.ownsPicture)
        FinishPicture();
}

// Skips the rest of the group whose '{' was read, up to and including its
// '}'. The caller pops the group's state when it had pushed one.
void Parser::SkipGroupRest()
{
    int depth = 1;
    while (p_ < end_) {
        unsigned char c = *p_++;
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth == 0)
                break;
        } else if (c == '\\' && p_ < end_) {
            unsigned char d = *p_;
            if (d == '{' || d == '}' || d == '\\') {
                ++p_;
            } else if (d == 'b' && end_ - p_ > 3 && p_[1] == 'i' && p_[2] == 'n' &&
                       (p_[3] == '-' || (p_[3] >= '0' && p_[3] <= '9'))) {
                p_ += 3;
                bool neg = *p_ == '-';
                if (neg)
                    ++p_;
                uint64_t n = 0;
                while (p_ < end_ && *p_ >= '0' && *p_ <= '9') {
                    if (n < (uint64_t(1) << 40))
                        n = n * 10 + (*p_ - '0');
                    ++p_;
                }
                if (p_ < end_ && *p_ == ' ')
                    ++p_;
                if (!neg)
                    p_ += std::min<uint64_t>(n, uint64_t(end_ - p_));
            }
        }
    }
}

void Parser::ResolveFont(State &s)
{
    auto it = fontIndex_.find(s.ch.fontNumber);
    if (it != fontIndex_.end()) {
        s.ch.fmt.font = it->second;
        const RtfFont &f = doc_.fonts[size_t(it->second)];
        s.cp = TableFor(CodePageOfCharset(f.charset, documentCodePage_));
    } else {
        s.ch.fmt.font = -1;
        s.cp = TableFor(documentCodePage_);
    }
}

void Parser::ControlSequence()
{
    if (p_ >= end_)
        return;
    unsigned char c = *p_;
    bool skipping = skipCount_ > 0;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
        const unsigned char *s = p_;
        while (p_ < end_ && ((*p_ >= 'a' && *p_ <= 'z') || (*p_ >= 'A' && *p_ <= 'Z')))
            ++p_;
        std::string_view word(reinterpret_cast<const char *>(s), size_t(p_ - s));
        bool neg = false, hasParam = false;
        int64_t v = 0;
        if (p_ + 1 < end_ && *p_ == '-' && p_[1] >= '0' && p_[1] <= '9') {
            neg = true;
            ++p_;
        }
        while (p_ < end_ && *p_ >= '0' && *p_ <= '9') {
            if (v < (int64_t(1) << 40))
                v = v * 10 + (*p_ - '0');
            hasParam = true;
            ++p_;
        }
        if (p_ < end_ && *p_ == ' ')
            ++p_;
        if (neg)
            v = -v;
        int32_t param = int32_t(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
        if (skipping && word != "bin") {
            --skipCount_;
            return;
        }
        ControlWord(word, hasParam, param);
        return;
    }
    ++p_;
    if (c == '*' && !skipping) {
        ignorableNext_ = true;
        return;
    }
    if (ignorableNext_) {
        // \* before a control symbol: unknown destination
        ignorableNext_ = false;
        SkipGroupRest();
        if (!stack_.empty())
            CloseGroup();
        return;
    }
    if (c == '\'') {
        int hi = p_ < end_ ? HexValue(*p_) : -1;
        int lo = p_ + 1 < end_ ? HexValue(p_[1]) : -1;
        if (skipping) {
            // Even a broken escape is the one replacement character: it takes
            // the two characters after it, short of a group or control word.
            for (int n = 0; n < 2 && p_ < end_ && *p_ != '{' && *p_ != '}' && *p_ != '\\'; ++n)
                ++p_;
            --skipCount_;
            return;
        }
        if (hi < 0 || lo < 0)
            return;
        p_ += 2;
        TextByte(static_cast<unsigned char>(hi * 16 + lo));
        return;
    }
    if (skipping) {
        --skipCount_;
        return;
    }
    switch (c) {
    case '\\':
    case '{':
    case '}':
        TextByte(c);
        break;
    case '~':
        AppendChar(0x00A0);
        break;
    case '-':
        AppendChar(0x00AD);
        break;
    case '_':
        AppendChar(0x2011);
        break;
    case '\r':
    case '\n':
        ControlWord("par", false, 0);
        break;
    case '\t':
        AppendChar(u'\t');
        break;
    default:
        break;
    }
}

void Parser::SetCharFormat(Kw kw, bool hasParam, int32_t param)
{
    CharState &ch = Top().ch;
    bool on = !hasParam || param != 0;
    switch (kw) {
    case Kw::B: ch.fmt.bold = on; ch.touched |= TBold; break;
    case Kw::I: ch.fmt.italic = on; ch.touched |= TItalic; break;
    case Kw::Ul: ch.fmt.underline = on; ch.touched |= TUnderline; break;
    case Kw::UlNone: ch.fmt.underline = false; ch.touched |= TUnderline; break;
    case Kw::Strike: ch.fmt.strike = on; ch.touched |= TStrike; break;
    case Kw::Fs:
        ch.fmt.sizeHalfPoints = hasParam && param > 0 ? Clamp(param, 2, 3276) : 24;
        ch.touched |= TSize;
        break;
    case Kw::Cf:
        ch.fmt.foreground = param >= 0 && param < limits_.maxColors ? param : -1;
        ch.touched |= TFore;
        break;
    case Kw::Cb:
    case Kw::Highlight:
        ch.fmt.background = param > 0 && param < limits_.maxColors ? param : -1;
        ch.touched |= TBack;
        break;
    case Kw::Super: ch.fmt.vertical = 1; ch.touched |= TVertical; break;
    case Kw::Sub: ch.fmt.vertical = 2; ch.touched |= TVertical; break;
    case Kw::NoSuperSub: ch.fmt.vertical = 0; ch.touched |= TVertical; break;
    case Kw::V: ch.hidden = on; ch.touched |= THidden; break;
    default: break;
    }
    formatDirty_ = true;
}

void Parser::ApplyStyle(const Style &style)
{
    CharState &ch = Top().ch;
    const CharState &st = style.ch;
    uint16_t t = st.touched;
    if (t & TFont) {
        ch.fontNumber = st.fontNumber;
        ResolveFont(Top());
    }
    if (t & TSize) ch.fmt.sizeHalfPoints = st.fmt.sizeHalfPoints;
    if (t & TBold) ch.fmt.bold = st.fmt.bold;
    if (t & TItalic) ch.fmt.italic = st.fmt.italic;
    if (t & TUnderline) ch.fmt.underline = st.fmt.underline;
    if (t & TStrike) ch.fmt.strike = st.fmt.strike;
    if (t & TFore) ch.fmt.foreground = st.fmt.foreground;
    if (t & TBack) ch.fmt.background = st.fmt.background;
    if (t & TVertical) ch.fmt.vertical = st.fmt.vertical;
    if (t & THidden) ch.hidden = st.hidden;
    formatDirty_ = true;
}

void Parser::ControlWord(std::string_view word, bool hasParam, int32_t param)
{
    const auto &map = Keywords();
    auto it = map.find(word);
    Kw kw = it == map.end() ? Kw::Unknown : it->second;
    if (stack_.empty())
        return;

    if (ignorableNext_) {
        // \* only marks a destination a reader may not know: an unknown word
        // skips its group, a known one acts as without the mark (destinations
        // to skip skip themselves; a formatting word such as \cs applies and
        // the group's text stays).
        ignorableNext_ = false;
        if (kw == Kw::Unknown) {
            SkipGroupRest();
            CloseGroup();
            return;
        }
    }

    State &st = Top();
    switch (kw) {
    case Kw::Unknown:
    case Kw::Rtf:
        return;
    case Kw::Skip:
        SkipGroupRest();
        CloseGroup();
        return;
    case Kw::FontTbl:
        st.dest = Dest::FontTable;
        st.ownsFontTable = true;
        return;
    case Kw::ColorTbl:
        st.dest = Dest::ColorTable;
        colorSet_ = 0;
        return;
    case Kw::StyleSheet:
        st.dest = Dest::StyleSheet;
        return;
    case Kw::Field:
        if (fields_.size() < 100000) {
            fields_.push_back({});
            st.field = int32_t(fields_.size() - 1);
        }
        return;
    case Kw::FldInst:
        st.dest = Dest::FieldInst;
        return;
    case Kw::FldRslt:
        if (st.dest == Dest::FieldInst || st.dest == Dest::DropText)
            st.dest = Dest::Text;
        st.ch.link = LinkOfField(st.field);
        formatDirty_ = true;
        return;
    case Kw::Pict:
        if (st.dest == Dest::Text || st.dest == Dest::DropText) {
            st.dest = Dest::Picture;
            st.ownsPicture = true;
            picture_ = RtfPicture{};
            pictureKind_ = -1;
            pictureNibble_ = -1;
            pictureTooBig_ = false;
        } else {
            SkipGroupRest();
            CloseGroup();
        }
        return;
    case Kw::ShpPict:
        return;
    case Kw::Object:
        if (st.dest == Dest::Text)
            st.dest = Dest::DropText;
        return;
    case Kw::Result:
        if (st.dest == Dest::DropText)
            st.dest = Dest::Text;
        return;
    case Kw::Ansi: documentCodePage_ = 1252; ResolveFont(st); return;
    case Kw::Mac: documentCodePage_ = 10000; ResolveFont(st); return;
    case Kw::Pc: documentCodePage_ = 437; ResolveFont(st); return;
    case Kw::Pca: documentCodePage_ = 850; ResolveFont(st); return;
    case Kw::AnsiCpg:
        if (hasParam)
            documentCodePage_ = param;
        ResolveFont(st);
        return;
    case Kw::Deff:
        defaultFont_ = param;
        if (stack_.size() == 1) {
            st.ch.fontNumber = param;
            ResolveFont(st);
        }
        return;
    case Kw::DefTab:
        if (param > 0)
            doc_.defaultTab = Clamp(param, 15, kMaxTwips);
        return;
    case Kw::Uc:
        st.uc = int8_t(Clamp(param, 0, 16));
        return;
    case Kw::U: {
        int32_t v = param;
        if (v < 0)
            v += 65536;
        char16_t u = char16_t(v & 0xFFFF);
        if (st.dest == Dest::FieldInst) {
            AppendToField(st, u);
        } else if (st.dest == Dest::FontTable || st.dest == Dest::FontEntry) {
            if (fontPending_ && u >= 0x20 && pendingFont_.name.size() < 256)
                pendingFont_.name += QChar(u);
        } else if ((u >= 0x20 || u == u'\t') && u != 0xFFFC) {
            // Control characters as the byte path reads them (only the tab
            // shows); U+FFFC stands for pictures only.
            AppendChar(u);
        }
        skipCount_ = st.uc;
        return;
    }
    case Kw::Bin: {
        size_t n = param > 0 ? std::min<size_t>(size_t(param), size_t(end_ - p_)) : 0;
        if (st.dest == Dest::Picture && !pictureTooBig_) {
            if (picture_.data.size() + n > limits_.maxPictureBytes)
                pictureTooBig_ = true;
            else
                picture_.data.append(reinterpret_cast<const char *>(p_), n);
        }
        p_ += n;
        return;
    }
    default:
        break;
    }

    switch (st.dest) {
    case Dest::FontTable:
    case Dest::FontEntry:
        switch (kw) {
        case Kw::F:
            if (fontPending_)
                CommitFont();
            pendingFont_ = RtfFont{};
            pendingFont_.number = param;
            fontPending_ = true;
            break;
        case Kw::FCharset: pendingFont_.charset = param; break;
        case Kw::FNil: pendingFont_.family = 0; break;
        case Kw::FRoman: pendingFont_.family = 1; break;
        case Kw::FSwiss: pendingFont_.family = 2; break;
        case Kw::FModern: pendingFont_.family = 3; break;
        case Kw::FScript: pendingFont_.family = 4; break;
        case Kw::FDecor: pendingFont_.family = 5; break;
        case Kw::FTech: pendingFont_.family = 6; break;
        case Kw::FBidi: pendingFont_.family = 0; break;
        default: break;
        }
        return;
    case Dest::ColorTable:
        switch (kw) {
        case Kw::Red: pendingColor_.red = uint8_t(Clamp(param, 0, 255)); colorSet_ |= 1; break;
        case Kw::Green: pendingColor_.green = uint8_t(Clamp(param, 0, 255)); colorSet_ |= 2; break;
        case Kw::Blue: pendingColor_.blue = uint8_t(Clamp(param, 0, 255)); colorSet_ |= 4; break;
        default: break;
        }
        return;
    case Dest::Picture:
        switch (kw) {
        case Kw::PngBlip: pictureKind_ = RtfPicture::Png; break;
        case Kw::JpegBlip: pictureKind_ = RtfPicture::Jpeg; break;
        case Kw::OtherBlip: pictureKind_ = -2; break;
        case Kw::PicWGoal: picture_.widthGoal = Clamp(param, 0, 20 * kMaxTwips); break;
        case Kw::PicHGoal: picture_.heightGoal = Clamp(param, 0, 20 * kMaxTwips); break;
        case Kw::PicScaleX: picture_.scaleX = param > 0 ? Clamp(param, 1, 1000) : 100; break;
        case Kw::PicScaleY: picture_.scaleY = param > 0 ? Clamp(param, 1, 1000) : 100; break;
        default: break;
        }
        return;
    case Dest::FieldInst:
        return;
    case Dest::StyleSheet:
        return;
    case Dest::StyleEntry:
        switch (kw) {
        case Kw::S: st.styleKind = 0; st.styleNumber = param; return;
        case Kw::Cs: st.styleKind = 1; st.styleNumber = param; return;
        case Kw::Ds:
        case Kw::Ts: st.styleKind = 2; return;
        default: break;
        }
        break;
    case Dest::Text:
    case Dest::DropText:
        break;
    }

    // Character, paragraph and table words in text (and style definitions).
    RtfParaFormat &pf = st.pf;
    switch (kw) {
    case Kw::F:
        st.ch.fontNumber = param;
        st.ch.touched |= TFont;
        ResolveFont(st);
        formatDirty_ = true;
        break;
    case Kw::Plain: {
        uint16_t touched = st.ch.touched;
        int32_t link = st.ch.link;
        st.ch = CharState{};
        st.ch.touched = touched;
        st.ch.link = link;
        st.ch.fontNumber = defaultFont_;
        ResolveFont(st);
        formatDirty_ = true;
        break;
    }
    case Kw::B: case Kw::I: case Kw::Ul: case Kw::UlNone: case Kw::Strike: case Kw::Fs:
    case Kw::Cf: case Kw::Cb: case Kw::Highlight: case Kw::Super: case Kw::Sub:
    case Kw::NoSuperSub: case Kw::V:
        SetCharFormat(kw, hasParam, param);
        break;
    case Kw::S:
        if (auto s = paraStyles_.find(param); s != paraStyles_.end())
            ApplyStyle(s->second);
        break;
    case Kw::Cs:
        if (auto s = charStyles_.find(param); s != charStyles_.end())
            ApplyStyle(s->second);
        break;
    case Kw::Pard:
        pf = RtfParaFormat{};
        borderContext_ = false;
        break;
    case Kw::Ql: pf.align = RtfParaFormat::Left; break;
    case Kw::Qc: pf.align = RtfParaFormat::Center; break;
    case Kw::Qr: pf.align = RtfParaFormat::Right; break;
    case Kw::Qj: pf.align = RtfParaFormat::Justify; break;
    case Kw::Li: pf.leftIndent = Clamp(param, -kMaxTwips, kMaxTwips); break;
    case Kw::Ri: pf.rightIndent = Clamp(param, -kMaxTwips, kMaxTwips); break;
    case Kw::Fi: pf.firstIndent = Clamp(param, -kMaxTwips, kMaxTwips); break;
    case Kw::Sb: pf.spaceBefore = Clamp(param, 0, kMaxTwips); break;
    case Kw::Sa: pf.spaceAfter = Clamp(param, 0, kMaxTwips); break;
    case Kw::Sl: pf.lineSpacing = hasParam ? Clamp(param, -kMaxTwips, kMaxTwips) : 0; break;
    case Kw::SlMult: pf.lineMultiple = hasParam && param != 0; break;
    case Kw::InTbl: pf.inTable = true; break;
    case Kw::Itap: pf.inTable = param > 0; break;
    case Kw::Trowd:
        rowDef_ = RtfTableRow{};
        pendingCellBackground_ = -1;
        borderContext_ = false;
        break;
    case Kw::Cellx:
        if (int(rowDef_.cellRight.size()) < limits_.maxTableColumns) {
            rowDef_.cellRight.push_back(Clamp(param, -kMaxTwips, 2 * kMaxTwips));
            rowDef_.cellBackground.push_back(pendingCellBackground_);
        }
        pendingCellBackground_ = -1;
        borderContext_ = false;
        break;
    case Kw::TrLeft: rowDef_.left = Clamp(param, -kMaxTwips, kMaxTwips); break;
    case Kw::TrGaph: rowDef_.gap = Clamp(param, 0, 1440); break;
    case Kw::ClCbPat:
        pendingCellBackground_ = param > 0 && param < limits_.maxColors ? param : -1;
        break;
    case Kw::BorderSide: borderContext_ = true; break;
    case Kw::ParBorderSide: borderContext_ = false; break;
    case Kw::BorderStyle:
        if (borderContext_)
            rowDef_.borders = true;
        break;
    case Kw::BorderNone: break;
    default:
        break;
    }

    if (st.dest != Dest::Text)
        return;
    switch (kw) {
    case Kw::Par:
    case Kw::Page:
    case Kw::Sect:
        FinishParagraph(st.pf.inTable);
        break;
    case Kw::Cell:
        FinishParagraph(true);
        ++cellIndex_;
        break;
    case Kw::NestCell:
    case Kw::NestRow:
        if (doc_.runs.size() > paraFirstRun_ || kw == Kw::NestCell)
            FinishParagraph(true);
        break;
    case Kw::Row:
        if (doc_.runs.size() > paraFirstRun_) {
            FinishParagraph(true);
            ++cellIndex_;
        }
        if (openTable_ < 0) {
            doc_.tables.emplace_back();
            openTable_ = int32_t(doc_.tables.size() - 1);
            rowIndex_ = 0;
            tableCells_ = 0;
        }
        CloseRow();
        break;
    case Kw::Line: AppendChar(0x2028); break;
    case Kw::Tab: AppendChar(u'\t'); break;
    case Kw::EmDash: AppendChar(0x2014); break;
    case Kw::EnDash: AppendChar(0x2013); break;
    case Kw::EmSpace: AppendChar(0x2003); break;
    case Kw::EnSpace: AppendChar(0x2002); break;
    case Kw::QmSpace: AppendChar(0x2005); break;
    case Kw::Bullet: AppendChar(0x2022); break;
    case Kw::LQuote: AppendChar(0x2018); break;
    case Kw::RQuote: AppendChar(0x2019); break;
    case Kw::LDblQuote: AppendChar(0x201C); break;
    case Kw::RDblQuote: AppendChar(0x201D); break;
    case Kw::Zwj: AppendChar(0x200D); break;
    case Kw::Zwnj: AppendChar(0x200C); break;
    case Kw::LtrMark: AppendChar(0x200E); break;
    case Kw::RtlMark: AppendChar(0x200F); break;
    default: break;
    }
}

void Parser::CommitFont()
{
    fontPending_ = false;
    while (!pendingFont_.name.isEmpty() && pendingFont_.name.back() == u' ')
        pendingFont_.name.chop(1);
    if (int(doc_.fonts.size()) >= limits_.maxFonts || fontIndex_.count(pendingFont_.number))
        return;
    fontIndex_[pendingFont_.number] = int32_t(doc_.fonts.size());
    doc_.fonts.push_back(pendingFont_);
}

int32_t Parser::LinkOfField(int32_t field)
{
    if (field < 0 || size_t(field) >= fields_.size())
        return -1;
    FieldInfo &f = fields_[size_t(field)];
    if (f.link != -2)
        return f.link;
    f.link = -1;
    QString inst = QString::fromStdU16String(f.instruction).trimmed();
    if (!inst.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive))
        return -1;
    inst = inst.mid(9).trimmed();
    QString target, anchor;
    int i = 0;
    auto readArg = [&inst, &i]() {
        while (i < inst.size() && inst[i].isSpace())
            ++i;
        QString out;
        if (i < inst.size() && inst[i] == u'"') {
            ++i;
            while (i < inst.size() && inst[i] != u'"') {
                if (inst[i] == u'\\' && i + 1 < inst.size())
                    ++i;
                out += inst[i++];
            }
            ++i;
        } else {
            while (i < inst.size() && !inst[i].isSpace())
                out += inst[i++];
        }
        return out;
    };
    while (i < inst.size()) {
        QString arg = readArg();
        if (arg == QLatin1String("\\l")) {
            anchor = readArg();
        } else if (arg.startsWith(u'\\')) {
            if (arg == QLatin1String("\\o") || arg == QLatin1String("\\t"))
                readArg();
        } else if (target.isEmpty()) {
            target = arg;
        }
    }
    if (!anchor.isEmpty())
        target += u'#' + anchor;
    if (target.isEmpty())
        return -1;
    doc_.links.push_back(target);
    f.link = int32_t(doc_.links.size() - 1);
    return f.link;
}

void Parser::TextBytes(const unsigned char *b, const unsigned char *e)
{
    State &st = Top();
    if (st.dest == Dest::Text) {
        if (st.ch.hidden)
            return;
        const CodeTable &table = *st.cp;
        AppendChar(0); // opens or continues the run; the placeholder is replaced below
        doc_.text.pop_back();
        doc_.runs.back().length--;
        size_t before = doc_.text.size();
        doc_.text.resize(before + size_t(e - b));
        char16_t *out = doc_.text.data() + before;
        for (const unsigned char *q = b; q < e; ++q) {
            unsigned char c = *q;
            if (c >= 0x20)
                *out++ = table[c];
            else if (c == '\t')
                *out++ = u'\t';
        }
        size_t added = size_t(out - (doc_.text.data() + before));
        doc_.text.resize(before + added);
        doc_.runs.back().length += uint32_t(added);
        return;
    }
    for (const unsigned char *q = b; q < e; ++q)
        TextByte(*q);
}

void Parser::AppendToField(const State &st, char16_t c)
{
    if (st.field >= 0 && fields_[size_t(st.field)].instruction.size() < limits_.maxFieldInstruction)
        fields_[size_t(st.field)].instruction.push_back(c);
}

void Parser::TextByte(unsigned char c)
{
    State &st = Top();
    switch (st.dest) {
    case Dest::Text:
        if (c >= 0x20)
            AppendChar((*st.cp)[c]);
        else if (c == '\t')
            AppendChar(u'\t');
        return;
    case Dest::FontTable:
    case Dest::FontEntry:
        if (c == ';') {
            if (fontPending_)
                CommitFont();
        } else if (fontPending_ && c >= 0x20 && pendingFont_.name.size() < 256) {
            int cp = CodePageOfCharset(pendingFont_.charset, documentCodePage_);
            pendingFont_.name += QChar((*TableFor(cp))[c]);
        }
        return;
    case Dest::ColorTable:
        if (c == ';') {
            if (int(doc_.colors.size()) < limits_.maxColors) {
                pendingColor_.automatic = colorSet_ == 0;
                doc_.colors.push_back(pendingColor_);
            }
            pendingColor_ = RtfColor{};
            colorSet_ = 0;
        }
        return;
    case Dest::FieldInst:
        AppendToField(st, (*st.cp)[c]);
        return;
    case Dest::Picture: {
        if (pictureTooBig_)
            return;
        int h = HexValue(c);
        if (h < 0)
            return;
        if (pictureNibble_ < 0) {
            pictureNibble_ = h;
        } else {
            if (picture_.data.size() >= limits_.maxPictureBytes)
                pictureTooBig_ = true;
            else
                picture_.data.push_back(char(pictureNibble_ * 16 + h));
            pictureNibble_ = -1;
        }
        return;
    }
    default:
        return;
    }
}

uint32_t Parser::FormatIndex()
{
    if (!formatDirty_)
        return currentFormat_;
    const RtfCharFormat &f = Top().ch.fmt;
    uint64_t key = uint64_t(uint32_t(f.font + 1) & 0x1FFF);
    key = (key << 12) | uint64_t(f.sizeHalfPoints & 0xFFF);
    key = (key << 4) | uint64_t(f.bold | f.italic << 1 | f.underline << 2 | f.strike << 3);
    key = (key << 2) | uint64_t(f.vertical & 3);
    key = (key << 13) | uint64_t(uint32_t(f.foreground + 1) & 0x1FFF);
    key = (key << 13) | uint64_t(uint32_t(f.background + 1) & 0x1FFF);
    auto [it, inserted] = formatIndex_.try_emplace(key, uint32_t(doc_.formats.size()));
    if (inserted)
        doc_.formats.push_back(f);
    currentFormat_ = it->second;
    formatDirty_ = false;
    return currentFormat_;
}

void Parser::AppendChar(char16_t c)
{
    State &st = Top();
    if (st.dest != Dest::Text || st.ch.hidden)
        return;
    uint32_t fmt = FormatIndex();
    lastParaFormat_ = st.pf;
    if (doc_.runs.size() == paraFirstRun_ || doc_.runs.back().format != fmt ||
        doc_.runs.back().link != st.ch.link || doc_.runs.back().picture >= 0) {
        RtfRun run;
        run.begin = uint32_t(doc_.text.size());
        run.format = fmt;
        run.link = st.ch.link;
        doc_.runs.push_back(run);
    }
    doc_.text.push_back(c);
    doc_.runs.back().length++;
}

void Parser::AppendPicture(int32_t index)
{
    State &st = Top();
    if (st.dest != Dest::Text || st.ch.hidden)
        return;
    RtfRun run;
    run.begin = uint32_t(doc_.text.size());
    run.length = 1;
    run.format = FormatIndex();
    run.link = st.ch.link;
    run.picture = index;
    lastParaFormat_ = st.pf;
    doc_.text.push_back(0xFFFC);
    doc_.runs.push_back(run);
}

void Parser::FinishPicture()
{
    if (pictureKind_ < 0 || pictureTooBig_ || picture_.data.empty())
        return;
    picture_.kind = RtfPicture::Kind(pictureKind_);
    doc_.pictures.push_back(std::move(picture_));
    picture_ = RtfPicture{};
    AppendPicture(int32_t(doc_.pictures.size() - 1));
}

void Parser::FinishParagraph(bool inTable)
{
    RtfParagraph para;
    para.format = stack_.empty() ? lastParaFormat_ : Top().pf;
    para.format.inTable = inTable;
    if (inTable) {
        if (openTable_ < 0) {
            doc_.tables.emplace_back();
            openTable_ = int32_t(doc_.tables.size() - 1);
            rowIndex_ = 0;
            cellIndex_ = 0;
            tableCells_ = 0;
        }
        para.table = openTable_;
        para.row = rowIndex_;
        para.cell = std::min(cellIndex_, limits_.maxTableColumns - 1);
        rowHasContent_ = true;
    } else if (openTable_ >= 0) {
        CloseTable();
    }
    para.firstRun = paraFirstRun_;
    para.runCount = uint32_t(doc_.runs.size()) - paraFirstRun_;
    doc_.paragraphs.push_back(para);
    paraFirstRun_ = uint32_t(doc_.runs.size());
    lastParaFormat_ = para.format;
}

void Parser::CloseRow()
{
    if (openTable_ < 0)
        return;
    RtfTableRow row = rowDef_;
    row.cellCount = std::max(1, std::min(cellIndex_, limits_.maxTableColumns));
    RtfTable &table = doc_.tables[size_t(openTable_)];
    table.rows.push_back(std::move(row));
    tableCells_ += std::max<int64_t>(table.rows.back().cellCount,
                                     int64_t(table.rows.back().cellRight.size()));
    ++rowIndex_;
    cellIndex_ = 0;
    rowHasContent_ = false;
    if (tableCells_ >= limits_.maxTableCells)
        openTable_ = -1;
}

void Parser::CloseTable()
{
    if (openTable_ >= 0 && (rowHasContent_ || cellIndex_ > 0))
        CloseRow();
    openTable_ = -1;
    cellIndex_ = 0;
    rowHasContent_ = false;
}

} // namespace

RtfDocument ParseRtf(std::string_view data, const RtfLimits &limits)
{
    Parser parser(data, limits);
    return parser.Run();
}

// ----------------------------------------------------------------- builder

namespace {

constexpr double kTwipsPerPixel = 15.0;

QTextCharFormat QtCharFormat(const RtfDocument &rtf, const RtfCharFormat &f)
{
    QTextCharFormat cf;
    if (f.font >= 0 && size_t(f.font) < rtf.fonts.size()) {
        const RtfFont &font = rtf.fonts[size_t(f.font)];
        if (!font.name.isEmpty())
            cf.setFontFamilies(QStringList{font.name});
        static const QFont::StyleHint hints[] = {QFont::AnyStyle, QFont::Serif, QFont::SansSerif,
                                                 QFont::TypeWriter, QFont::Cursive,
                                                 QFont::Decorative, QFont::AnyStyle};
        if (font.family > 0 && font.family < 7)
            cf.setFontStyleHint(hints[font.family]);
    }
    cf.setFontPointSize(f.sizeHalfPoints / 2.0);
    cf.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
    cf.setFontItalic(f.italic);
    cf.setFontUnderline(f.underline);
    cf.setFontStrikeOut(f.strike);
    auto color = [&rtf](int32_t index, QColor &out) {
        if (index < 0 || size_t(index) >= rtf.colors.size() || rtf.colors[size_t(index)].automatic)
            return false;
        const RtfColor &c = rtf.colors[size_t(index)];
        out = QColor(c.red, c.green, c.blue);
        return true;
    };
    QColor c;
    if (color(f.foreground, c))
        cf.setForeground(c);
    if (color(f.background, c))
        cf.setBackground(c);
    if (f.vertical == 1)
        cf.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (f.vertical == 2)
        cf.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    return cf;
}

QTextBlockFormat QtBlockFormat(const RtfParaFormat &pf)
{
    QTextBlockFormat bf;
    static const Qt::Alignment aligns[] = {Qt::AlignLeft | Qt::AlignAbsolute, Qt::AlignHCenter,
                                           Qt::AlignRight | Qt::AlignAbsolute, Qt::AlignJustify};
    bf.setAlignment(aligns[pf.align]);
    if (pf.leftIndent)
        bf.setLeftMargin(pf.leftIndent / kTwipsPerPixel);
    if (pf.rightIndent)
        bf.setRightMargin(pf.rightIndent / kTwipsPerPixel);
    if (pf.firstIndent)
        bf.setTextIndent(pf.firstIndent / kTwipsPerPixel);
    // With a hanging first line the left indent is the first line's first
    // tab stop: a bullet and its tab put the text where the wrapped lines
    // start. Qt measures tab stops from the start of the line being laid
    // out, so the stop lies the hanging width right of the first line's
    // start; past it the default stops apply as before.
    if (pf.firstIndent < 0)
        bf.setTabPositions({QTextOption::Tab(-pf.firstIndent / kTwipsPerPixel, QTextOption::LeftTab)});
    if (pf.spaceBefore)
        bf.setTopMargin(pf.spaceBefore / kTwipsPerPixel);
    if (pf.spaceAfter)
        bf.setBottomMargin(pf.spaceAfter / kTwipsPerPixel);
    if (pf.lineSpacing != 0) {
        if (pf.lineMultiple && pf.lineSpacing > 0)
            bf.setLineHeight(pf.lineSpacing * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
        else if (pf.lineSpacing < 0)
            bf.setLineHeight(-pf.lineSpacing / kTwipsPerPixel, QTextBlockFormat::FixedHeight);
        else
            bf.setLineHeight(pf.lineSpacing / kTwipsPerPixel, QTextBlockFormat::MinimumHeight);
    }
    return bf;
}

// Column grid of one table: the union of the rows' cell boundaries.
struct TableGrid {
    std::vector<int32_t> bounds;                 // twips, ascending
    std::vector<std::vector<std::pair<int, int>>> cells; // per row: [first column, last column)
    int columns = 0;
};

TableGrid MakeGrid(const RtfTable &table, const RtfLimits &limits)
{
    TableGrid grid;
    std::vector<std::vector<int32_t>> rights(table.rows.size());
    std::vector<int32_t> lefts(table.rows.size());
    std::set<int32_t> all;
    int maxCells = 1;
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const RtfTableRow &row = table.rows[r];
        int n = std::max<int>(row.cellCount, int(row.cellRight.size()));
        n = std::clamp(n, 1, limits.maxTableColumns);
        maxCells = std::max(maxCells, n);
        int32_t left = row.left;
        if (!row.cellRight.empty())
            left = std::min(left, row.cellRight[0] - 15);
        int32_t prev = left;
        lefts[r] = left;
        all.insert(left);
        for (int i = 0; i < n; ++i) {
            int32_t right = size_t(i) < row.cellRight.size() ? row.cellRight[size_t(i)] : prev + 1440;
            right = std::max(right, prev + 15);
            rights[r].push_back(right);
            all.insert(right);
            prev = right;
        }
    }
    grid.cells.resize(table.rows.size());
    if (int(all.size()) - 1 <= limits.maxTableColumns) {
        grid.bounds.assign(all.begin(), all.end());
        grid.columns = int(grid.bounds.size()) - 1;
        for (size_t r = 0; r < table.rows.size(); ++r) {
            int32_t prev = lefts[r];
            for (int32_t right : rights[r]) {
                int a = int(std::lower_bound(grid.bounds.begin(), grid.bounds.end(), prev) - grid.bounds.begin());
                int b = int(std::lower_bound(grid.bounds.begin(), grid.bounds.end(), right) - grid.bounds.begin());
                grid.cells[r].push_back({a, std::max(b, a + 1)});
                prev = right;
            }
        }
    } else {
        // Boundaries too scattered: one column per cell, widths of the first row.
        grid.columns = maxCells;
        grid.bounds.push_back(0);
        for (int i = 0; i < maxCells; ++i)
            grid.bounds.push_back(grid.bounds.back() + 1440);
        for (size_t r = 0; r < table.rows.size(); ++r)
            for (int i = 0; i < int(rights[r].size()); ++i)
                grid.cells[r].push_back({i, i + 1});
    }
    return grid;
}

// Keeps one edit block open on a document for its lifetime.
class EditBlock {
public:
    explicit EditBlock(const QTextCursor &cursor) : cursor_(cursor) { cursor_.beginEditBlock(); }
    ~EditBlock() { cursor_.endEditBlock(); }
    EditBlock(const EditBlock &) = delete;
    EditBlock &operator=(const EditBlock &) = delete;

private:
    QTextCursor cursor_;
};

class Builder {
public:
    Builder(const RtfDocument &rtf, QTextDocument &doc, const RtfLimits &limits)
        : rtf_(rtf), doc_(doc), limits_(limits), cursor_(&doc)
    {
    }
    void Run();

private:
    const RtfDocument &rtf_;
    QTextDocument &doc_;
    const RtfLimits &limits_;
    QTextCursor cursor_;
    std::vector<QTextCharFormat> formats_;
    std::vector<QString> pictureNames_;
    bool fresh_ = true; // the cursor's block is not used by a paragraph yet

    void InsertRuns(const RtfParagraph &para, QTextCursor &c);
    size_t BuildTable(size_t first);
    void LoadPictures();
};

void Builder::LoadPictures()
{
    pictureNames_.resize(rtf_.pictures.size());
    for (size_t i = 0; i < rtf_.pictures.size(); ++i) {
        const RtfPicture &pic = rtf_.pictures[i];
        QByteArray bytes = QByteArray::fromRawData(pic.data.data(), qsizetype(pic.data.size()));
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, pic.kind == RtfPicture::Png ? "png" : "jpeg");
        QSize size = reader.size();
        if (!size.isValid() || size.width() > limits_.maxPictureSide ||
            size.height() > limits_.maxPictureSide ||
            int64_t(size.width()) * size.height() > limits_.maxPicturePixels)
            continue;
        QImage image;
        if (!reader.read(&image) || image.isNull())
            continue;
        QString name = QStringLiteral("rtfpict:%1").arg(i);
        doc_.addResource(QTextDocument::ImageResource, QUrl(name), image);
        pictureNames_[i] = name;
    }
}

void Builder::InsertRuns(const RtfParagraph &para, QTextCursor &c)
{
    for (uint32_t r = para.firstRun; r < para.firstRun + para.runCount; ++r) {
        const RtfRun &run = rtf_.runs[r];
        QTextCharFormat cf = formats_[run.format];
        if (run.link >= 0) {
            cf.setAnchor(true);
            cf.setAnchorHref(rtf_.links[size_t(run.link)]);
        }
        if (run.picture >= 0) {
            const QString &name = pictureNames_[size_t(run.picture)];
            if (name.isEmpty())
                continue;
            const RtfPicture &pic = rtf_.pictures[size_t(run.picture)];
            QImage image = doc_.resource(QTextDocument::ImageResource, QUrl(name)).value<QImage>();
            double w = pic.widthGoal > 0 ? pic.widthGoal / kTwipsPerPixel : image.width();
            double h = pic.heightGoal > 0 ? pic.heightGoal / kTwipsPerPixel : image.height();
            QTextImageFormat imf;
            imf.merge(cf);
            imf.setName(name);
            imf.setWidth(std::max(1.0, w * pic.scaleX / 100.0));
            imf.setHeight(std::max(1.0, h * pic.scaleY / 100.0));
            c.insertImage(imf);
            continue;
        }
        c.insertText(QString::fromUtf16(rtf_.text.data() + run.begin, qsizetype(run.length)), cf);
    }
}

size_t Builder::BuildTable(size_t first)
{
    const int32_t tableIndex = rtf_.paragraphs[first].table;
    const RtfTable &table = rtf_.tables[size_t(tableIndex)];
    size_t last = first;
    while (last < rtf_.paragraphs.size() && rtf_.paragraphs[last].table == tableIndex)
        ++last;
    if (table.rows.empty())
        return last;
    TableGrid grid = MakeGrid(table, limits_);

    QTextTableFormat tf;
    const RtfTableRow &row0 = table.rows[0];
    bool borders = false;
    for (const RtfTableRow &row : table.rows)
        borders = borders || row.borders;
    tf.setBorder(borders ? 1 : 0);
    tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    tf.setBorderBrush(Qt::black);
    tf.setBorderCollapse(true);
    tf.setCellSpacing(0);
    tf.setCellPadding(row0.gap / kTwipsPerPixel);
    tf.setAlignment(Qt::AlignLeft);
    if (grid.bounds[0] > 0)
        tf.setLeftMargin(grid.bounds[0] / kTwipsPerPixel);
    QList<QTextLength> widths;
    for (int c = 0; c < grid.columns; ++c)
        widths.append(QTextLength(QTextLength::FixedLength,
                                  std::max(1.0, (grid.bounds[size_t(c) + 1] - grid.bounds[size_t(c)]) / kTwipsPerPixel)));
    tf.setColumnWidthConstraints(widths);

    QTextTable *qt = cursor_.insertTable(int(table.rows.size()), grid.columns, tf);
    for (size_t r = 0; r < table.rows.size(); ++r) {
        const RtfTableRow &row = table.rows[r];
        for (size_t i = 0; i < grid.cells[r].size(); ++i) {
            auto [a, b] = grid.cells[r][i];
            if (b - a > 1)
                qt->mergeCells(int(r), a, 1, b - a);
            int32_t bg = i < row.cellBackground.size() ? row.cellBackground[i] : -1;
            if (bg >= 0 && size_t(bg) < rtf_.colors.size() && !rtf_.colors[size_t(bg)].automatic) {
                const RtfColor &col = rtf_.colors[size_t(bg)];
                QTextTableCell cell = qt->cellAt(int(r), a);
                QTextCharFormat cf = cell.format();
                cf.setBackground(QColor(col.red, col.green, col.blue));
                cell.setFormat(cf);
            }
        }
    }
    int prevRow = -1, prevCell = -1;
    QTextCursor c;
    for (size_t i = first; i < last; ++i) {
        const RtfParagraph &para = rtf_.paragraphs[i];
        if (size_t(para.row) >= table.rows.size())
            continue;
        const auto &cells = grid.cells[size_t(para.row)];
        if (cells.empty())
            continue;
        int column = cells[std::min(size_t(para.cell), cells.size() - 1)].first;
        QTextBlockFormat bf = QtBlockFormat(para.format);
        QTextCharFormat first = para.runCount ? formats_[rtf_.runs[para.firstRun].format] : QTextCharFormat();
        if (para.row != prevRow || column != prevCell) {
            c = qt->cellAt(para.row, column).firstCursorPosition();
            c.setBlockFormat(bf);
            // The first block's character format holds the cell's own format
            // (span, shading): merge into it.
            c.mergeBlockCharFormat(first);
            prevRow = para.row;
            prevCell = column;
        } else {
            c.insertBlock(bf, first);
        }
        InsertRuns(para, c);
    }
    cursor_ = qt->lastCursorPosition();
    cursor_.movePosition(QTextCursor::NextBlock);
    fresh_ = true;
    return last;
}

void Builder::Run()
{
    doc_.clear();
    doc_.setUndoRedoEnabled(false);
    QTextOption option = doc_.defaultTextOption();
    option.setTabStopDistance(rtf_.defaultTab / kTwipsPerPixel);
    doc_.setDefaultTextOption(option);
    formats_.reserve(rtf_.formats.size());
    for (const RtfCharFormat &f : rtf_.formats)
        formats_.push_back(QtCharFormat(rtf_, f));
    LoadPictures();
    cursor_ = QTextCursor(&doc_);
    // The whole document is one edit: outside an edit block every insert
    // re-reads the document's frame structure from its start (after each
    // table) and places the cursor by laying its block out again (quadratic
    // in long paragraphs); inside one the frames are read and the layout is
    // told once, at the end. Nothing else differs.
    EditBlock edit(cursor_);
    size_t i = 0;
    while (i < rtf_.paragraphs.size()) {
        const RtfParagraph &para = rtf_.paragraphs[i];
        if (para.table >= 0 && size_t(para.table) < rtf_.tables.size()) {
            i = BuildTable(i);
            continue;
        }
        QTextBlockFormat bf = QtBlockFormat(para.format);
        QTextCharFormat first = para.runCount ? formats_[rtf_.runs[para.firstRun].format] : QTextCharFormat();
        if (fresh_) {
            cursor_.setBlockFormat(bf);
            cursor_.setBlockCharFormat(first);
            fresh_ = false;
        } else {
            cursor_.insertBlock(bf, first);
        }
        InsertRuns(para, cursor_);
        ++i;
    }
}

} // namespace

void BuildTextDocument(const RtfDocument &rtf, QTextDocument &doc, const RtfLimits &limits)
{
    Builder builder(rtf, doc, limits);
    builder.Run();
}

void ReadRtf(std::string_view data, QTextDocument &doc, const RtfLimits &limits)
{
    RtfDocument rtf = ParseRtf(data, limits);
    BuildTextDocument(rtf, doc, limits);
}

void ReadPlainText(std::string_view data, QTextDocument &doc)
{
    QString text;
    text.reserve(qsizetype(data.size()));
    for (size_t i = 0; i < data.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(data[i]);
        if (c == '\r') {
            text += u'\n';
            if (i + 1 < data.size() && data[i + 1] == '\n')
                ++i;
        } else if (c == 0) {
            continue;
        } else {
            text += QChar(Cp1250ToUnicode(c));
        }
    }
    doc.clear();
    doc.setUndoRedoEnabled(false);
    doc.setPlainText(text);
}

} // namespace platform
