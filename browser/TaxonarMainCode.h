// The reader's main window TTaxonarMainForm: the navigation tree of the
// catalogue on the left, and on the right the start page, the rich-text view
// (RTF items) or the table view (TABLE items) with the page-search bar below;
// the menu and the tool bar; the history of visited items; the export of the
// open item.
//
// Everything runs on the main thread inside event handlers of this window.
// Long work (loading the catalogue, sliding the left panel) processes pending
// window messages between its steps, so other handlers may run meanwhile.
//
// Choices of this implementation:
// - The program folder comes from a replaceable source (the executable's
//   folder by default) and the shell's "open" goes through a replaceable
//   function (the desktop's launcher xdg-open by default), so that tests can
//   run the window on a folder of their own and record what would be opened.
// - A target the launcher cannot open (xdg-open missing or failing) is named
//   in a message: the matrix document with its path, an export with the path
//   of the file written, the mail address, the web address.
// - Export files are made new under a free number (see CreateExportFile):
//   an export never replaces a file that exists.
// - The minimum window size of 1260 x 984 is kept by the form-persistence
//   component TaxonarFormSize, created in code; its form-reading step runs
//   once this window's own OnShow and OnDestroy are set.
// - The secondary windows are shown with a modal pattern that frees the
//   window and re-enables the commands also when showing it raises.
// - A table's rows are gathered into the grid in doubling steps and cut to
//   the rows used, and the grid does not repaint while it fills; the row-1
//   link tags of the table before are cleared with its texts.
// - The creation makes every list and starting value before it reads any
//   file, so a missing dictionary.global costs only the typing hints.
// - A catalogue load that fails leaves the window on the start page with the
//   command rules applied (the start-up step does not run); the error names
//   the file that could not be opened.
// - A table record with no columns leaves nothing of the table before; one
//   with too many columns or an absurd width is refused with an error.
// - The tree is built only by LoadDefinitions; the node of each record is
//   kept by record index, so that the lookups by item stay cheap for large
//   catalogues while returning the first node in the tree's order.
// - While the classification search runs, UpdateMenus keeps every command,
//   the page-search buttons and the hit panel's close image off, and a click
//   in the tree, the hit list or a table link opens nothing; closing the
//   window stops the search, which then shows nothing more.
#pragma once

#include "browser/TaxonarTypeCode.h"
#include "browser/TaxonarWindowSupport.h"
#include "platform/ComCtrls.h"
#include "platform/Dialogs.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Grids.h"
#include "platform/ImgList.h"
#include "platform/Menus.h"
#include "platform/StdCtrls.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TKCLSysInfo;
class TKCLFormPersistent;
class QFont;

namespace taxonar {

// ------------------------------------------------------- maker and product

// The maker's web site and support mail address.
inline constexpr const char *MakerWebAddress = "www.velmora.pl";
inline constexpr const char *MakerMailAddress = "pomoc@velmora.pl";

// --------------------------------------------------------------- the shell

// One request to the shell to open something, as the program makes it.
struct ShellRequest {
    AnsiString Verb;       // "open"
    AnsiString File;       // a path, an address or a mailto: target
    AnsiString Parameters; // always empty here
    AnsiString Directory;  // working folder, empty for none
    int ShowCommand = 1;   // 1: shown normally
    // What the user asked to open, as the start of the message shown when
    // it cannot be opened; empty: the message names the target.
    AnsiString FailureText;
};
using ShellExecuteFunction = std::function<void(const ShellRequest &request)>;
// Replaces the shell (an empty function restores the default). A shell that
// cannot hand the target over raises; one that learns of a failure later
// calls ReportShellFailure.
//
// The default shell is the desktop's launcher: xdg-open (from xdg-utils) is
// started with the target: a path (the working folder + a relative name),
// a mailto: target as it is, anything else as an address typed by the user.
// The program does not wait for it; when it cannot be started, or it ends
// with a failure status (no program for that kind of file, a missing file),
// the user is told what could not be opened.
void SetShellExecute(ShellExecuteFunction shell);
// Hands the request to the shell; a failure is shown to the user in a
// message box (never raised): FailureText, or a text naming the target,
// followed by the reason.
void ShellExecute(const AnsiString &verb, const AnsiString &file, const AnsiString &parameters,
                  const AnsiString &directory, int showCommand, const AnsiString &failureText = AnsiString());
// Shows the failure message of a request in a message box; reason: why,
// may be empty.
void ReportShellFailure(const ShellRequest &request, const AnsiString &reason);

// The folder of the program's data files, ending in '/': the executable's
// folder unless a test replaced the source (an empty function restores it).
void SetProgramFolderSource(std::function<AnsiString()> source);
AnsiString ProgramFolder();

// ---------------------------------------------------------- the main window

class TTaxonarMainForm : public platform::TForm {
    RBK_CLASS(TTaxonarMainForm, platform::TForm)
public:
    explicit TTaxonarMainForm(platform::TComponent *AOwner);
    ~TTaxonarMainForm() override;

    // Tool bar and its pictures.
    platform::TToolBar *TaxonarMainToolBar;
    platform::TImageList *TaxonarToolBar2ImageList;
    platform::TImageList *TaxonarToolBar3ImageList;
    platform::TToolButton *TaxonarNaviStartToolButton;
    platform::TToolButton *TaxonarNaviClassToolButton;
    platform::TToolButton *TaxonarNaviPrevToolButton;
    platform::TToolButton *TaxonarNaviNextToolButton;
    platform::TToolButton *TaxonarNaviFindToolButton;
    platform::TToolButton *TaxonarNaviExportToolButton;
    platform::TToolButton *TaxonarToolSeparator1;
    platform::TToolButton *TaxonarHelpInfoToolButton;
    platform::TToolButton *TaxonarHelpUpdateToolButton;
    platform::TToolButton *TaxonarHelpHistoryToolButton;
    platform::TToolButton *TaxonarHelpHelpToolButton;
    platform::TToolButton *TaxonarToolSeparator2;
    platform::TToolButton *TaxonarHelpMailToolButton;
    platform::TToolButton *TaxonarHelpWwwToolButton;
    platform::TToolButton *TaxonarToolSeparator3;
    platform::TToolButton *TaxonarHelpAboutToolButton;

    // Left side: navigation tree and hit list.
    platform::TPanel *TaxonarMainPanel;
    platform::TPanel *TaxonarLeftPanel;
    platform::TPanel *TaxonarNaviPanel;
    platform::TPanel *TaxonarNaviNamePanel;
    platform::TTreeView *TaxonarNaviTreeView;
    platform::TSplitter *TaxonarFindSplitter;
    platform::TPanel *TaxonarFindPanel;
    platform::TPanel *TaxonarFindNamePanel;
    platform::TImage *TaxonarFindCloseButton;
    platform::TListBox *TaxonarFindListBox;

    // Right side: the four views and the page-search bar.
    platform::TPanel *TaxonarRightPanel;
    platform::TPanel *TaxonarStartPanel;
    platform::TLabel *TaxonarStartLabel;
    platform::TPanel *TaxonarRtf2Panel;
    platform::TPanel *TaxonarRtf2TitlePanel;
    TTaxonarRichEdit *TaxonarRtf2RichEdit;
    platform::TPanel *TaxonarTable3Panel;
    platform::TPanel *TaxonarTable3TitlePanel;
    platform::TStringGrid *TaxonarTable3StringGrid;
    platform::TPanel *TaxonarSearchPanel;
    platform::TLabel *TaxonarSearchLabel;
    platform::TEdit *TaxonarSearchEdit;
    platform::TButton *TaxonarSearchButton1;
    platform::TButton *TaxonarSearchButton2;

    platform::TStatusBar *TaxonarMainStatusBar;

    // Menu.
    platform::TMainMenu *TaxonarMainMenu;
    platform::TMenuItem *TaxonarProgramSubMenu;
    platform::TMenuItem *TaxonarProgramExitMenuItem;
    platform::TMenuItem *TaxonarNaviSubMenu;
    platform::TMenuItem *TaxonarNaviStartMenuItem;
    platform::TMenuItem *TaxonarNaviClassMenuItem;
    platform::TMenuItem *TaxonarNaviPrevMenuItem;
    platform::TMenuItem *TaxonarNaviNextMenuItem;
    platform::TMenuItem *TaxonarNaviFindMenuItem;
    platform::TMenuItem *TaxonarNaviExportMenuItem;
    platform::TMenuItem *TaxonarHelpSubMenu;
    platform::TMenuItem *TaxonarHelpInfoMenuItem;
    platform::TMenuItem *TaxonarHelpUpdateMenuItem;
    platform::TMenuItem *TaxonarHelpHistoryMenuItem;
    platform::TMenuItem *TaxonarHelpHelpMenuItem;
    platform::TMenuItem *TaxonarHelpSeparator1;
    platform::TMenuItem *TaxonarHelpMailMenuItem;
    platform::TMenuItem *TaxonarHelpWwwMenuItem;
    platform::TMenuItem *TaxonarHelpSeparator2;
    platform::TMenuItem *TaxonarHelpAboutMenuItem;

    // Non-visual components.
    TKCLFormPersistent *TaxonarFormSize;
    platform::TTimer *TaxonarStartTimer;
    TKCLSysInfo *TaxonarSysInfo;
    platform::TPrintDialog *TaxonarPrintDialog;

    // Life cycle.
    void FormCreate(platform::TObject *Sender);
    void FormShow(platform::TObject *Sender);
    void FormHide(platform::TObject *Sender);
    void FormDestroy(platform::TObject *Sender);
    // Closing the window stops a classification search that is running.
    void FormClose(platform::TObject *Sender, platform::TCloseAction &Action);
    void FormResize(platform::TObject *Sender);
    void FormCanResize(platform::TObject *Sender, int &NewWidth, int &NewHeight, bool &Resize);
    void TaxonarStartTimerTimer(platform::TObject *Sender);

    // Views and commands' states.
    void ApplyViewMode();
    int GetViewMode() const { return ViewMode; }
    void LayoutSidePanels();
    void UpdateMenus();
    void DisableControls();
    void EnableControls();

    // Catalogue and tree.
    void LoadDefinitions();
    platform::TTreeNode *FindParentNode(const AnsiString &parent, const AnsiString &signature);
    platform::TTreeNode *FindNodeByItem(int index);
    void TaxonarNaviTreeViewClick(platform::TObject *Sender);
    void TaxonarNaviTreeViewDblClick(platform::TObject *Sender);

    // Items and history.
    bool OpenItem(int index, bool addToHistory, int row, const AnsiString &rowKey);
    void TaxonarNaviStartMenuItemClick(platform::TObject *Sender);
    void TaxonarNaviClassMenuItemClick(platform::TObject *Sender);
    void TaxonarNaviPrevMenuItemClick(platform::TObject *Sender);
    void TaxonarNaviNextMenuItemClick(platform::TObject *Sender);

    // Table view.
    // Bounds of a table's layout: a COLUMNS= value above MaxTableColumns, or
    // a WIDTH<n>= value beyond MaxColumnWidth pixels either way, raises
    // EConvertError before the grid takes it. No real table comes near them;
    // they keep a broken record from allocating without bound or overflowing
    // the width sums.
    static constexpr int MaxTableColumns = 256;
    static constexpr int MaxColumnWidth = 10000;
    bool FirstDataRowUsed();
    void TaxonarTable3PanelResize(platform::TObject *Sender);
    void TaxonarTable3StringGridClick(platform::TObject *Sender);
    void TaxonarTable3StringGridKeyUp(platform::TObject *Sender, uint16_t &Key, platform::TShiftState Shift);
    // The cell text without its mark-up, each link reduced to its text.
    AnsiString MarkupToPlainText(const AnsiString &text) const;
    // Cell mark-up drawing, line wrap and links.
    void TaxonarTable3StringGridDrawCell(platform::TObject *Sender, int ACol, int ARow, platform::TRect Rect,
                                         platform::TGridDrawState State);
    void TaxonarTable3StringGridMouseMove(platform::TObject *Sender, platform::TShiftState Shift, int X, int Y);
    void TaxonarTable3StringGridMouseUp(platform::TObject *Sender, platform::TMouseButton Button,
                                        platform::TShiftState Shift, int X, int Y);
    // The lines a marked-up text needs in a column W pixels wide, measured
    // with the grid's canvas; leaves the canvas font as the text's tags do.
    int CountMarkupLines(int W, const AnsiString &text);
    // Draws a marked-up text with the grid's canvas from (x0, y0), lines h
    // pixels apart, and records its link zones in LinkRecords[linkIndex]
    // (none when linkIndex < 0).
    void DrawMarkupText(int x0, int W, int y0, const AnsiString &text, int linkIndex, int h);

    // Other commands.
    void TaxonarProgramExitMenuItemClick(platform::TObject *Sender);
    void TaxonarNaviExportMenuItemClick(platform::TObject *Sender);
    void TaxonarHelpInfoMenuItemClick(platform::TObject *Sender);
    void TaxonarHelpHistoryMenuItemClick(platform::TObject *Sender);
    void TaxonarHelpHelpMenuItemClick(platform::TObject *Sender);
    void TaxonarHelpAboutMenuItemClick(platform::TObject *Sender);
    void TaxonarHelpMailMenuItemClick(platform::TObject *Sender);
    void TaxonarHelpWwwMenuItemClick(platform::TObject *Sender);
    void TaxonarSearchEditChange(platform::TObject *Sender);

    // Update check and update-file conversion.
    // The command asks the maker's update server for its version file; when
    // the version there is newer than this program's, it downloads the
    // converted installer into UpdateNewFileName, converts it into
    // UpdateExeFileName in the program folder, asks, and on consent starts it
    // through the shell and ends the program. Every network and file error
    // ends in the message that no update is available. Choices:
    // - The requests block the window in a local event loop that takes no
    //   user input. Each ends in failure after UpdateRequestTimeoutMs without
    //   a byte, and in any case once UpdateRequestDeadlineMs have passed, so
    //   a server that trickles cannot hold the window; only a 2xx answer
    //   counts, redirections are not followed.
    // - The version file is read into memory up to UpdateVersionMaxBytes; the
    //   installer is written to its file as it arrives (never held whole in
    //   memory), up to UpdateDownloadMaxBytes. A larger body fails the check.
    // - The conversion writes next to its destination and renames on success,
    //   so a failed conversion leaves no installer; a download that cannot be
    //   written whole is deleted; an empty installer is not offered.
    // - The version sum is taken in 64 bits, so large numbers cannot wrap.
    static constexpr const char *UpdateServerHost = "aktualizacje.velmora.pl";
    static constexpr const char *UpdateVersionPath = "/velmora/programy/qx4817.version";
    static constexpr const char *UpdateInstallPath = "/velmora/programy/qx4817.install";
    static constexpr const char *UpdateNewFileName = "instaluj.qx4817.new";
    static constexpr const char *UpdateExeFileName = "instaluj.qx4817.exe";
    static constexpr int UpdateRequestTimeoutMs = 30000;
    static constexpr int UpdateRequestDeadlineMs = 600000;
    static constexpr int64_t UpdateVersionMaxBytes = 65536;
    static constexpr int64_t UpdateDownloadMaxBytes = int64_t(512) << 20;
    // The bounds of one client's requests.
    struct THTTPLimits {
        int SilenceMs;          // no byte for this long fails the request
        int DeadlineMs;         // a request still running this long after it began fails
        int64_t MaxTextBytes;   // largest body Get returns
        int64_t MaxFileBytes;   // largest body Download writes
    };
    static constexpr THTTPLimits UpdateLimits{UpdateRequestTimeoutMs, UpdateRequestDeadlineMs,
                                              UpdateVersionMaxBytes, UpdateDownloadMaxBytes};
    // Blocking HTTP GETs; each raises platform::Exception on any failure (no
    // connection, error status, silence, deadline, a body over its limit).
    class THTTPClient {
    public:
        virtual ~THTTPClient() = default;
        // The whole body of a 2xx answer.
        virtual AnsiString Get(const AnsiString &path) = 0;
        // Writes the body of a 2xx answer to the file (created or truncated)
        // as it arrives; on failure the file is deleted.
        virtual void Download(const AnsiString &path, const AnsiString &fileName) = 0;
    };
    // The client on Qt Network for http://host:port.
    static std::unique_ptr<THTTPClient> NewHTTPClient(const AnsiString &host, int port = 80,
                                                      const THTTPLimits &limits = UpdateLimits);
    // The window's client; made for UpdateServerHost on first use when empty.
    std::unique_ptr<THTTPClient> TaxonarHTTP;
    // Ends the program once the installer was started; empty: the
    // application object's Terminate.
    std::function<void()> UpdateTerminate;
    void TaxonarHelpUpdateMenuItemClick(platform::TObject *Sender);
    // Major, minor and build from a version file's text ("1;3;1;..."); all 0
    // when a field is missing, empty or not a number.
    static void ParseUpdateVersion(const AnsiString &text, int &major, int &minor, int &build);
    // Whether that version is newer than this program's.
    static bool IsNewerVersion(int major, int minor, int build);
    // Converts a downloaded installer file: the first 256 bytes are the key,
    // body byte j is XOR-ed with key byte (j + 1) mod 256. True on success
    // and for an empty source (no destination made); false on an error, and
    // then the destination stays as it was.
    static bool UnscrambleUpdateFile(const AnsiString &source, const AnsiString &destination);

    // The menu items of the command table with their tool buttons (nil for
    // the submenus and separators), in menu order.
    struct Command {
        platform::TMenuItem *Item;
        platform::TToolButton *Button;
    };
    std::vector<Command> Commands() const;

    // Classification search, hit list and page search.
    void TaxonarNaviFindMenuItemClick(platform::TObject *Sender);
    // The search with the parameters the dialog wrote: the scan, the return
    // to the item open before, the message and the first hit opened.
    void RunClassificationSearch();
    // Whether a classification search is running (from the scan to the first
    // hit opened), and whether closing the window has asked it to stop.
    bool SearchRunning() const { return searchRunning_; }
    bool SearchCancelled() const { return searchCancelled_; }
    void OpenSearchHit();
    void TaxonarFindListBoxClick(platform::TObject *Sender);
    void TaxonarFindListBoxKeyUp(platform::TObject *Sender, uint16_t &Key, platform::TShiftState Shift);
    void TaxonarFindCloseButtonClick(platform::TObject *Sender);
    // The hit test of the classification search on one text.
    bool LineMatchesSearch(const AnsiString &text) const;
    // The searchable text of a grid row: every cell not in a column headed
    // LINK, as stored, each followed by "#".
    AnsiString GetRowSearchText(int row) const;
    void TaxonarSearchButton1Click(platform::TObject *Sender);
    void TaxonarSearchButton2Click(platform::TObject *Sender);
    // Shows one message in the message window (modal).
    void ShowSearchMessage(const AnsiString &message);
    // The page search from line or row `start`; false when nothing matched.
    bool FindOnPage(const AnsiString &term, int start);

private:
    void createComponents();
    void createMenu();
    void createToolBar();
    void createLeftSide();
    void createRightSide();
    void setCommandEnabled(platform::TMenuItem *item, platform::TToolButton *button, bool enabled);
    // DisableControls; create the window owned by the application object
    // into its form variable; show it modally; free it; EnableControls;
    // UpdateMenus.
    template <class Form>
    void ShowModalWindow(Form *&formVariable);
    bool openTableItem(const AnsiString &record, int row, const AnsiString &rowKey);
    void autoColumn(int &fixedSum, int &autoCol);
    void selectRow(int row);
    void historyMove(int newIndex);

    std::unique_ptr<Catalogue> catalogue_;
    std::vector<platform::TTreeNode *> nodeByItem_;
    AnsiString lastParent_;
    AnsiString lastSignature_;
    int lastParentRecord_ = -1;
    bool searchRunning_ = false;
    bool searchCancelled_ = false;
};

extern TTaxonarMainForm *TaxonarMainForm;

// A copy of the font with data of its own, for a worker thread of the
// classification search: a font's data caches the font engine of the thread
// that last used it, so threads must not share it.
QFont SearchOwnFont(const QFont &font);

} // namespace taxonar
