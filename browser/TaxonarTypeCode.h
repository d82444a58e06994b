// The reader's shared unit: its globals, the table-line codec, the search-text
// folding, the catalogue records and their lookups, the XML line store and the
// settings file.
//
// All text is CP1250 bytes (AnsiString). Routines that report success return a
// Boolean and hand results back through out-parameters; the codec, the folding
// and the store never raise.
#pragma once

#include "platform/Classes.h"
#include "platform/SysUtils.h"
#include "platform/TextFile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace taxonar {

using platform::AnsiString;
using platform::TStringList;

// ------------------------------------------------------------------ globals

// Program folder and per-user folder, each ending in '/'.
extern AnsiString AppDir;
extern AnsiString UserDataDir;

// Every item record of every classification, in loading order.
extern TStringList *ItemRecords;

// The settings flags kept in config.xml; false until ConfigLoad sets them.
extern bool ViewHelp;
extern bool View2010;
extern bool ViewInfo;
extern bool FirstInfo;

// ------------------------------------------------- state of the main window

// Gate of the state-dependent menu rules; True from the main window's creation.
extern bool UiReady;
// Gate of LayoutSidePanels; True from the end of the start-up step.
extern bool FormReady;
// 0 start page, 1 navigation, 2 RTF view, 3 table view.
extern int ViewMode;

// Link-bearing cells of the open table: cell text + "#R#" (+ zones when drawn).
extern TStringList *LinkRecords;
// Visited items: "index\t" (RTF) or "index\trow\t" (table), oldest first.
extern TStringList *HistoryList;
// The search phrase in comparable form, and its words (search dialog).
extern AnsiString SearchText;
extern TStringList *SearchWords;
// The search dialog's typing hints (dictionary.global).
extern TStringList *DictionaryWords;
// Search hits: kind, item name, record index, row or hit number, TAB-separated.
extern TStringList *FoundList;

// Position of the shown entry in HistoryList; -1 when the history is empty.
extern int HistoryIndex;
// Record index of the item in the RTF or table view; -1 when none.
extern int CurrentItem;
// History entry of the item shown now, with its selected row for a table.
extern AnsiString CurrentEntry;
// The grid cell under the mouse at the previous mouse move over the table.
extern int LastHoverCol;
extern int LastHoverRow;

// Code of the classification to search (the SIGNATURE= value), upper case.
extern AnsiString SearchClassCode;
extern int SearchClassIndex;
// 0 all words in any order, 1 all words in order, 2 any word.
extern int SearchWordMode;
// 0 the first 10 hits, 1 the first 50, 2 all.
extern int SearchResultLimit;
// The item open when the classification search started (-1 none) and its
// selected grid row when it was a table (else -1).
extern int FindReturnItem;
extern int FindReturnRow;
extern int FindNextStart;
extern bool CanFindNext;

// "#" followed by "<column>#" for every column of that alignment.
extern AnsiString LeftColumns;
extern AnsiString CenterColumns;
extern AnsiString RightColumns;

// --------------------------------------------------------- table-line codec

// 36 symbols: positions 0..15 carry the high nibble, 16..31 the low nibble.
inline constexpr char CodeAlphabet[] = "K7QZ2M0XRB5WJ9TEAN3HD8FYC1LUG4VPS6OI";

// Position of the character in CodeAlphabet; 0 for a character not in it.
int CodeSymbolIndex(unsigned char ch);
// Clear text of a stored table line, or "" when the line is not valid.
AnsiString DecodeTableLine(const AnsiString &line);
// Stored form of a clear line ("" for ""): "@", four check symbols, two
// symbols per character.
AnsiString EncodeTableLine(const AnsiString &text);

// ------------------------------------------------------------ table files

// One cell of a table line as the table view takes it.
struct TableCell {
    // The text between two TABs, trimmed (characters of code 32 and below):
    // what a link entry keeps.
    std::string_view Raw;
    // Raw without one leading and one trailing double quote, trimmed again:
    // what the grid shows.
    std::string_view Text;
};

// Reads a table file by the loading rules of the table view and hands over
// each line that becomes a grid row: every line is decoded; a line that is
// blank after decoding (or that the codec rejects) is skipped; the others are
// split at TABs into exactly `columns` cells (further cells are ignored,
// missing ones empty). The first line fills row 1, and so does each further
// line while no cell of row 1 holds text (`firstRowUsed`: row 1 held text
// before the file was read); after that each line is the next row. The cells
// are valid only during the call. Raises platform::EInOutError as the text
// file routines do (ResetTextFile).
void ReadTableFile(const AnsiString &path, int columns, bool firstRowUsed,
                   const std::function<void(int row, const std::vector<TableCell> &cells)> &onRow);

// ----------------------------------------------------- search-text folding

// Upper case by the CP1250 upper-casing, the 18 Polish diacritic letters
// replaced by their base letters; same length as the input.
AnsiString NormalizeSearchText(const AnsiString &s);
// The comparable form: ASCII lower case of NormalizeSearchText, in one pass.
AnsiString ComparableText(const AnsiString &s);
// True when `term` (already in comparable form) occurs in the comparable form
// of `text`. An empty term is contained in nothing.
bool ComparableContains(const AnsiString &text, const AnsiString &term);
// The containment test on a text already in comparable form.
bool ContainsTerm(std::string_view comparableText, std::string_view term);

// ---------------------------------------------------------- item records

// The value of the first item (text up to a TAB) whose upper case contains
// the key in upper case, less the key's length from its start; "" when none.
AnsiString GetRecordValue(const AnsiString &record, const AnsiString &key);

// Opens a text file for reading (TextFile::Reset); when that fails, raises
// the run-time input/output error with its message followed by ": " and the
// path, so that the user learns which file could not be opened.
void ResetTextFile(platform::TextFile &file, const AnsiString &path);

// Receives what the loader finds, so that the caller can build the
// navigation tree and report progress. Every callback is optional.
struct CatalogueSink {
    // Before each definition file: its title from definition.global.
    std::function<void(const AnsiString &title)> OnClassification;
    // For each record kept with VIEW=SHOW: its index in the records list, its
    // name, its parent value and the signature current in its file.
    std::function<void(int index, const AnsiString &name, const AnsiString &parent,
                       const AnsiString &signature)> OnShownRecord;
    // Pending window messages are processed at these points when set.
    std::function<void()> ProcessMessages;
};

// The catalogue as read from the program folder: the records and the index
// for the first record by signature and link.
class Catalogue {
public:
    explicit Catalogue(TStringList &records) : records_(records) {}

    // Reads appDir + "definition.global" and every definition file it names,
    // appending to the records list. Raises platform::EInOutError when a file
    // cannot be opened; the records read until then stay in the list.
    void Load(const AnsiString &appDir, const CatalogueSink &sink);
    // Reads one definition file (its records appended).
    void LoadDefinitionFile(const AnsiString &path, const CatalogueSink &sink);
    // Appends one record, keeping the lookup index up to date.
    int AddRecord(const AnsiString &record);
    // Index of the first record whose SIGNATURE= and LINK= values equal the
    // arguments without regard to case; -1 when none.
    int FindParentRecord(const AnsiString &parent, const AnsiString &signature) const;

    TStringList &Records() { return records_; }

private:
    int addRecord(const AnsiString &record, const AnsiString &upperRecord);
    TStringList &records_;
    std::unordered_map<std::string, int> firstBySignatureAndLink_;
};

// False only for an RTF or TABLE item whose file (AppDir + FILE=) is missing.
bool IsItemAvailable(int index);

// ------------------------------------------------------- XML line store

// Waits ms milliseconds of the tick count (wrapping at 2^32), processing
// window messages meanwhile.
void WaitMs(uint32_t ms);
// The pause between attempts of the store's file routines; tests replace it
// (an empty function restores WaitMs).
void SetXmlRetryWait(std::function<void(uint32_t ms)> wait);

// Makes the temporary file of a replacing write: opens the new file `path`
// for writing and returns its descriptor, or -1 with errno set. Tests replace
// it to stand for a folder that refuses new files (an empty function restores
// the default, an exclusive create).
using XmlTempFileCreator = std::function<int(const AnsiString &path)>;
void SetXmlTempFileCreator(XmlTempFileCreator creator);

bool XmlIsName(const AnsiString &text);
bool XmlIsText(const AnsiString &text);
bool XmlIsAttribute(const AnsiString &token);
bool XmlIsOpenTag(const AnsiString &line, AnsiString &name);
bool XmlIsCloseTag(const AnsiString &line, AnsiString &name);
bool XmlIsValueLine(const AnsiString &line, AnsiString &name);
bool XmlIsComment(const AnsiString &line);
bool XmlIsDeclaration(const AnsiString &line);

bool XmlCreateFile(const AnsiString &fileName, const AnsiString &rootName);
bool XmlLoadFile(const AnsiString &fileName, TStringList &list);
bool XmlSaveFile(const AnsiString &fileName, const TStringList &list);
bool XmlValidateFile(const AnsiString &fileName, int &code, int &lineNumber);
bool XmlFormatFile(const AnsiString &fileName, int indentWidth);

AnsiString XmlEscape(const AnsiString &text);
AnsiString XmlUnescape(const AnsiString &text);

bool XmlAddNode(TStringList &list, const AnsiString &parentPath, const AnsiString &childName);
bool XmlSetValue(TStringList &list, const AnsiString &path, const AnsiString &value);
void XmlGetValue(const TStringList &list, const AnsiString &path, AnsiString &value);

// ------------------------------------------------------- export counter

// Takes the next export number from AppDir + "taxonar.counter" (a 4-byte
// little-endian signed integer shared by every running copy) and advances it.
// When that counter cannot be used (an installed program's folder the user
// may not write to, another copy holding the file at that moment, a full
// disk that refuses the write) the counter UserDataDir + "taxonar.counter"
// beside the settings file is used the same way; its folder is made when
// missing. A missing counter appears holding 1, never empty (it is linked
// into place, so a folder whose file system has no hard links does not take
// it); a number whose counter could not be advanced is not used.
// The number is padded with "0" to six characters; the result is "" only
// when neither counter can be used (or UserDataDir is empty and the first
// cannot). Never raises for those cases.
AnsiString NextExportNumber();

// Makes a new, empty export file folder + prefix + "." + number + extension
// (extension with its dot) and returns its name. The number comes from
// NextExportNumber; a name that already exists is never reused or replaced:
// the next number is taken instead. When no counter can be used, the
// smallest number from 000001 whose name is free in the folder is taken, so
// an export always has a number. Raises EFCreateError when the folder does
// not take the file.
AnsiString CreateExportFile(const AnsiString &folder, const AnsiString &prefix, const AnsiString &extension);

// ------------------------------------------------------------ settings

// The settings file: UserDataDir + "config.xml".
AnsiString ConfigFileName();
bool ConfigExists();
bool ConfigCreateDefault();
bool ConfigLoad();
bool ConfigSave();
uint8_t StrToByteDef(const AnsiString &text);

} // namespace taxonar
