// The reader's main window (see TaxonarMainCode.h).
#include "browser/TaxonarMainCode.h"

#include "browser/TaxonarAboutCode.h"
#include "browser/TaxonarHelpCode.h"
#include "browser/TaxonarHistoryCode.h"
#include "browser/TaxonarInfo2Code.h"
#include "browser/TaxonarResources.h"
#include "browser/TaxonarStartCode.h"
#include "kcl/KCLFormPersistent.h"
#include "kcl/KCLSysInfo.h"
#include "platform/System.h"
#include "platform/TextFile.h"

#include <QCoreApplication>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <string_view>

namespace taxonar {

using namespace platform;

// ---------------------------------------------------------- the main window

TTaxonarMainForm *TaxonarMainForm = nullptr;

// --------------------------------------------------------------- the shell

namespace {

ShellExecuteFunction &shellFunction()
{
    static ShellExecuteFunction f;
    return f;
}

std::function<AnsiString()> &programFolderSource()
{
    static std::function<AnsiString()> f;
    return f;
}

const char *const LauncherProgram = "xdg-open";

// Why the launcher failed, from its exit status.
AnsiString launcherStatusText(int code)
{
    const char *text;
    switch (code) {
    case 2: text = "Plik nie istnieje"; break;
    case 3: text = "Brak programu, który otwiera ten rodzaj pliku lub adresu"; break;
    default: text = "Otwieranie nie powiodło się"; break;
    }
    return Pl(text) + " (xdg-open, kod " + IntToStr(code) + ").";
}

// The file a request names: the file itself when absolute, else the file in
// the request's folder; empty for an address (no folder given).
AnsiString requestPath(const ShellRequest &r)
{
    if (!r.File.empty() && r.File[0] == '/')
        return r.File;
    if (r.File.rfind("mailto:", 0) != 0 && !r.Directory.empty())
        return IncludeTrailingPathDelimiter(r.Directory) + r.File;
    return AnsiString();
}

// The target as the launcher takes it: an address as a URL, a file as its
// absolute path with the names decoded as the file system stores them.
// Nothing else reaches the launcher, so no target is taken for an option.
QString launcherTarget(const ShellRequest &r)
{
    AnsiString path = requestPath(r);
    if (path.empty()) {
        if (r.File.rfind("mailto:", 0) == 0)
            return AnsiToQString(r.File);
        const QUrl url = QUrl::fromUserInput(AnsiToQString(r.File));
        if (url.isValid() && !url.scheme().isEmpty())
            return url.toString();
        path = r.File; // not an address: a file in the current folder
    }
    const AnsiString full = AbsolutePath(path);
    if (full.empty())
        throw Exception(Pl("Nie można ustalić bieżącego folderu."));
    return PathToQString(full);
}

// Starts the launcher without waiting for it; its failure status, when it
// ends, is reported to the user. A launcher killed (the program ending while
// it runs) reports nothing.
void defaultShell(const ShellRequest &r)
{
    auto *process = new QProcess(QCoreApplication::instance());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setProgram(LauncherProgram);
    process->setArguments({launcherTarget(r)});
    QObject::connect(process, &QProcess::finished, process, [process, r](int code, QProcess::ExitStatus status) {
        process->deleteLater();
        if (status == QProcess::NormalExit && code != 0 && !QCoreApplication::closingDown())
            ReportShellFailure(r, launcherStatusText(code));
    });
    process->start();
    if (!process->waitForStarted()) {
        delete process;
        if (QStandardPaths::findExecutable(LauncherProgram).isEmpty())
            throw Exception(Pl("Brak programu xdg-open (pakiet xdg-utils), przez który program otwiera pliki "
                               "i adresy w programach pulpitu."));
        throw Exception(Pl("Nie można uruchomić programu xdg-open."));
    }
}

// The message of a failed request: its failure text, or a text naming the
// target, then the reason.
AnsiString shellFailureMessage(const ShellRequest &request, const AnsiString &reason)
{
    AnsiString text = request.FailureText;
    if (text.empty()) {
        const AnsiString path = requestPath(request);
        text = Pl("Nie można otworzyć: ") + (path.empty() ? request.File : PathToText(path));
    }
    if (!reason.empty())
        text += "\n\n" + reason;
    return text;
}

// Record lists are created unsorted, accepting duplicates, and empty.
TStringList *newList() { return new TStringList(); }

const char *const kClassifications = "Klasyfikacje";

} // namespace

void SetShellExecute(ShellExecuteFunction shell) { shellFunction() = std::move(shell); }

void ShellExecute(const AnsiString &verb, const AnsiString &file, const AnsiString &parameters,
                  const AnsiString &directory, int showCommand, const AnsiString &failureText)
{
    ShellRequest r{verb, file, parameters, directory, showCommand, failureText};
    AnsiString reason;
    try {
        if (shellFunction())
            shellFunction()(r);
        else
            defaultShell(r);
        return;
    } catch (const std::exception &e) {
        reason = e.what();
    } catch (...) {
    }
    ReportShellFailure(r, reason);
}

void ReportShellFailure(const ShellRequest &request, const AnsiString &reason)
{
    Application->MessageBox(shellFailureMessage(request, reason), Application->Title(), MB_OK | MB_ICONWARNING);
}

void SetProgramFolderSource(std::function<AnsiString()> source) { programFolderSource() = std::move(source); }

AnsiString ProgramFolder()
{
    AnsiString dir = programFolderSource() ? programFolderSource()() : ExecutableDir();
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

// ------------------------------------------------------------ construction

TTaxonarMainForm::TTaxonarMainForm(TComponent *AOwner) : TForm(AOwner)
{
    InitTaxonarResources();
    createComponents();
    TaxonarHelpUpdateMenuItem->OnClick =
        TNotifyEvent::Bind<&TTaxonarMainForm::TaxonarHelpUpdateMenuItemClick>(this);
    OnCreate = TNotifyEvent::Bind<&TTaxonarMainForm::FormCreate>(this);
    OnShow = TNotifyEvent::Bind<&TTaxonarMainForm::FormShow>(this);
    OnHide = TNotifyEvent::Bind<&TTaxonarMainForm::FormHide>(this);
    OnDestroy = TNotifyEvent::Bind<&TTaxonarMainForm::FormDestroy>(this);
    OnClose = TCloseEvent::Bind<&TTaxonarMainForm::FormClose>(this);
    // The form-reading step of the size component: chain the handlers just
    // set, then hook the window procedure.
    TaxonarFormSize->ChainFormEvents();
    TComponent::CallLoaded(TaxonarFormSize);
    OnResize = TNotifyEvent::Bind<&TTaxonarMainForm::FormResize>(this);
    OnCanResize = TCanResizeEvent::Bind<&TTaxonarMainForm::FormCanResize>(this);
    // The creation steps run once the window and its components exist; an
    // error in them goes to the application object, as for any handler.
    SafeCall([this] { DoCreate(); });
}

TTaxonarMainForm::~TTaxonarMainForm()
{
    SafeCall([this] { DoDestroy(); });
    // The controls go next; nothing of theirs may call back into this window.
    OnResize.Clear();
    OnCanResize.Clear();
    OnShow.Clear();
    OnHide.Clear();
    TaxonarTable3Panel->OnResize.Clear();
    TaxonarTable3StringGrid->OnClick.Clear();
    TaxonarTable3StringGrid->OnKeyUp.Clear();
    TaxonarTable3StringGrid->OnDrawCell.Clear();
    TaxonarTable3StringGrid->OnMouseMove.Clear();
    TaxonarTable3StringGrid->OnMouseUp.Clear();
    TaxonarNaviTreeView->OnClick.Clear();
    TaxonarSearchEdit->OnChange.Clear();
    TaxonarFindListBox->OnClick.Clear();
    TaxonarFindListBox->OnKeyUp.Clear();
    TaxonarStartTimer->SetOnTimer(TNotifyEvent());
    if (TaxonarMainForm == this)
        TaxonarMainForm = nullptr;
}

void TTaxonarMainForm::createComponents()
{
    SetName("TaxonarMainForm");
    SetCaption("Rubrikon");
    SetPosition(poScreenCenter);
    Font().SetName("MS Sans Serif");
    Font().SetHeight(-11);
    SetBounds(0, 0, 1260, 984);
    Widget()->setWindowIcon(ProgramWindowIcon());

    TaxonarToolBar2ImageList = new TImageList(this);
    TaxonarToolBar2ImageList->SetName("TaxonarToolBar2ImageList");
    TaxonarToolBar3ImageList = new TImageList(this);
    TaxonarToolBar3ImageList->SetName("TaxonarToolBar3ImageList");
    for (TImageList *list : {TaxonarToolBar2ImageList, TaxonarToolBar3ImageList}) {
        list->SetWidth(44);
        list->SetHeight(44);
    }
    for (int i = 0; i <= 12; ++i) {
        const QString nn = QString::asprintf("%02d", i);
        TaxonarToolBar2ImageList->Add(QImage(":/images/toolbar/" + nn + ".png"));
        TaxonarToolBar3ImageList->Add(QImage(":/images/toolbar-disabled/" + nn + ".png"));
    }

    createMenu();
    createToolBar();

    TaxonarMainStatusBar = new TStatusBar(this);
    TaxonarMainStatusBar->SetName("TaxonarMainStatusBar");
    TaxonarMainStatusBar->SetParent(this);
    TaxonarMainStatusBar->SetAlign(alBottom);
    TaxonarMainStatusBar->SetSimplePanel(true);
    TaxonarMainStatusBar->SetAutoHint(true);

    TaxonarMainPanel = new TPanel(this);
    TaxonarMainPanel->SetName("TaxonarMainPanel");
    TaxonarMainPanel->SetParent(this);
    TaxonarMainPanel->SetBevelOuter(bvNone);
    TaxonarMainPanel->SetAlign(alClient);

    createLeftSide();
    createRightSide();

    TaxonarFormSize = new TKCLFormPersistent(this);
    TaxonarFormSize->SetName("TaxonarFormSize");
    TaxonarFormSize->SetIniKey("TaxonarMainForm");
    TaxonarFormSize->SetTrackMinHeight(984);
    TaxonarFormSize->SetTrackMinWidth(1260);

    TaxonarStartTimer = new TTimer(this);
    TaxonarStartTimer->SetName("TaxonarStartTimer");
    TaxonarStartTimer->SetEnabled(false);
    TaxonarStartTimer->SetInterval(1000);
    TaxonarStartTimer->SetOnTimer(TNotifyEvent::Bind<&TTaxonarMainForm::TaxonarStartTimerTimer>(this));

    TaxonarSysInfo = new TKCLSysInfo(this);
    TaxonarSysInfo->SetName("TaxonarSysInfo");
    TaxonarPrintDialog = new TPrintDialog(this);
    TaxonarPrintDialog->SetName("TaxonarPrintDialog");
}

void TTaxonarMainForm::createMenu()
{
    TaxonarMainMenu = new TMainMenu(this);
    TaxonarMainMenu->SetName("TaxonarMainMenu");
    // The menu is drawn with each command's tool-button picture beside it,
    // greyed from the same disabled set while the command is disabled.
    TaxonarMainMenu->SetImages(TaxonarToolBar2ImageList);
    TaxonarMainMenu->SetDisabledImages(TaxonarToolBar3ImageList);
    auto add = [this](TMenuItem *parent, const char *name, const char *caption) {
        auto *m = new TMenuItem(this);
        m->SetName(name);
        m->SetCaption(Pl(caption));
        (parent ? parent : TaxonarMainMenu->Items())->Add(m);
        return m;
    };
    using Self = TTaxonarMainForm;

    TaxonarProgramSubMenu = add(nullptr, "TaxonarProgramSubMenu", "Program");
    TaxonarProgramExitMenuItem = add(TaxonarProgramSubMenu, "TaxonarProgramExitMenuItem", "Zakończ");
    TaxonarProgramExitMenuItem->OnClick = TNotifyEvent::Bind<&Self::TaxonarProgramExitMenuItemClick>(this);

    TaxonarNaviSubMenu = add(nullptr, "TaxonarNaviSubMenu", "Nawigacja");
    TaxonarNaviStartMenuItem = add(TaxonarNaviSubMenu, "TaxonarNaviStartMenuItem", "Strona startowa");
    TaxonarNaviStartMenuItem->OnClick = TNotifyEvent::Bind<&Self::TaxonarNaviStartMenuItemClick>(this);
    TaxonarNaviClassMenuItem = add(TaxonarNaviSubMenu, "TaxonarNaviClassMenuItem", kClassifications);
    TaxonarNaviClassMenuItem->OnClick = TNotifyEvent::Bind<&Self::TaxonarNaviClassMenuItemClick>(this);
    TaxonarNaviPrevMenuItem = add(TaxonarNaviSubMenu, "TaxonarNaviPrevMenuItem", "Poprzedni temat");
    TaxonarNaviPrevMenuItem->OnClick = TNotifyEvent::Bind<&Self::TaxonarNaviPrevMenuItemClick>(this);
    TaxonarNaviNextMenuItem = add(TaxonarNaviSubMenu, "TaxonarNaviNextMenuItem", "Następny temat");
    TaxonarNaviNextMenuItem->OnClick = TNotifyEvent::Bind<&Self::TaxonarNaviNextMenuItemClick>(this);
    TaxonarNaviFindMenuItem = add(TaxonarNaviSubMenu, "TaxonarNaviFindMenuItem", "Znajdź");
    TaxonarNaviFindMenuItem->OnClick = TNotifyEvent::Bind<&Self::TaxonarNaviFindMenuItemClick>(this);
    TaxonarNaviExportMenuItem = add(TaxonarNaviSubMenu, "TaxonarNaviExportMenuItem", "Eksport");
    TaxonarNaviExportMenuItem->OnClick = TNotifyEvent::Bind<&Self::TaxonarNaviExportMenuItemClick>(this);

    TaxonarHelpSubMenu = add(nullptr, "TaxonarHelpSubMenu", "Pomoc");
    TaxonarHelpInfoMenuItem = add(TaxonarHelpSubMenu, "TaxonarHelpInfoMenuItem", "Wyjaśnienia do klasyfikacji");
    TaxonarHelpInfoMenuItem->OnClick = TNotifyEvent::Bind<&Self::TaxonarHelpInfoMenuItemClick>(this);
    // The update check is bound by its own side; UpdateMenus keeps it disabled.
    TaxonarHelpUpdateMenuItem = add(TaxonarHelpSubMenu, "TaxonarHelpUpdateMenuItem", "Sprawdź aktualizację");
    TaxonarHelpHistoryMenuItem = add(TaxonarHelpSubMenu, "TaxonarHelpHistoryMenuItem", "Historia zmian");
    TaxonarHelpHistoryMenuItem->OnClick = TNotifyEvent::Bind<&Self::TaxonarHelpHistoryMenuItemClick>(this);
    TaxonarHelpHelpMenuItem = add(TaxonarHelpSubMenu, "TaxonarHelpHelpMenuItem", "Instrukcja obsługi programu");
    TaxonarHelpHelpMenuItem->OnClick = TNotifyEvent::Bind<&Self::TaxonarHelpHelpMenuItemClick>(this);
    TaxonarHelpSeparator1 = add(TaxonarHelpSubMenu, "TaxonarHelpSeparator1", "-");
    TaxonarHelpMailMenuItem = add(TaxonarHelpSubMenu, "TaxonarHelpMailMenuItem", "Poczta do Velmora");
    TaxonarHelpMailMenuItem->OnClick = TNotifyEvent::Bind<&Self::TaxonarHelpMailMenuItemClick>(this);
    TaxonarHelpWwwMenuItem = add(TaxonarHelpSubMenu, "TaxonarHelpWwwMenuItem", "Velmora w internecie");
    TaxonarHelpWwwMenuItem->OnClick = TNotifyEvent::Bind<&Self::TaxonarHelpWwwMenuItemClick>(this);
    TaxonarHelpSeparator2 = add(TaxonarHelpSubMenu, "TaxonarHelpSeparator2", "-");
    TaxonarHelpAboutMenuItem = add(TaxonarHelpSubMenu, "TaxonarHelpAboutMenuItem", "O programie");
    TaxonarHelpAboutMenuItem->OnClick = TNotifyEvent::Bind<&Self::TaxonarHelpAboutMenuItemClick>(this);

    SetMenu(TaxonarMainMenu);
}

void TTaxonarMainForm::createToolBar()
{
    TaxonarMainToolBar = new TToolBar(this);
    TaxonarMainToolBar->SetName("TaxonarMainToolBar");
    TaxonarMainToolBar->SetParent(this);
    TaxonarMainToolBar->SetAlign(alTop);
    TaxonarMainToolBar->SetHeight(60);
    TaxonarMainToolBar->SetFlat(true);
    TaxonarMainToolBar->SetButtonWidth(51);
    TaxonarMainToolBar->SetButtonHeight(50);
    TaxonarMainToolBar->SetShowHint(true);
    TaxonarMainToolBar->SetImages(TaxonarToolBar2ImageList);
    TaxonarMainToolBar->SetDisabledImages(TaxonarToolBar3ImageList);

    int image = 0;
    auto button = [&](const char *name, TMenuItem *item, const AnsiString &hint) {
        auto *b = new TToolButton(this);
        b->SetName(name);
        b->SetParent(TaxonarMainToolBar);
        b->SetImageIndex(image++);
        b->SetHint(hint);
        b->SetShowHint(true);
        b->SetMenuItem(item);
        item->SetImageIndex(b->ImageIndex());
        return b;
    };
    auto separator = [&](const char *name) {
        auto *b = new TToolButton(this);
        b->SetName(name);
        b->SetParent(TaxonarMainToolBar);
        b->SetStyle(TToolButtonStyle::tbsSeparator);
        b->SetWidth(8);
        return b;
    };

    TaxonarNaviStartToolButton = button("TaxonarNaviStartToolButton", TaxonarNaviStartMenuItem,
        Pl("Start|Zamyka wszystkie otwarte okienka, usuwa historię i otwiera okienko startowe programu"));
    TaxonarNaviClassToolButton = button("TaxonarNaviClassToolButton", TaxonarNaviClassMenuItem,
        Pl(kClassifications) + "|" + Pl("Otwiera okienko nawigacji po strukturze klasyfikacji"));
    TaxonarNaviPrevToolButton = button("TaxonarNaviPrevToolButton", TaxonarNaviPrevMenuItem,
        Pl("Poprzedni temat|Otwiera okienko z poprzednim tematem"));
    TaxonarNaviNextToolButton = button("TaxonarNaviNextToolButton", TaxonarNaviNextMenuItem,
        Pl("Następny temat|Otwiera okienko z następnym tematem"));
    TaxonarNaviFindToolButton = button("TaxonarNaviFindToolButton", TaxonarNaviFindMenuItem,
        Pl("Znajdź|Rozpoczyna przeszukiwanie zgodnie z zapytaniem"));
    TaxonarNaviExportToolButton = button("TaxonarNaviExportToolButton", TaxonarNaviExportMenuItem,
        Pl("Eksportuj|Wksportuje aktualnie otwarty temat do edytora tekstu lub arkusza kalkulacyjnego"));
    TaxonarToolSeparator1 = separator("TaxonarToolSeparator1");
    TaxonarHelpInfoToolButton = button("TaxonarHelpInfoToolButton", TaxonarHelpInfoMenuItem,
        Pl("Wyjaśnienia do klasyfikacji|Wyjaśnienia do klasyfikacji"));
    TaxonarHelpUpdateToolButton = button("TaxonarHelpUpdateToolButton", TaxonarHelpUpdateMenuItem,
        Pl("Sprawdź aktualizację|Sprawdza dostępność aktualizacji programu"));
    TaxonarHelpHistoryToolButton = button("TaxonarHelpHistoryToolButton", TaxonarHelpHistoryMenuItem,
        Pl("Historia zmian|Wyświetla okienko z historią zmian w programie"));
    TaxonarHelpHelpToolButton = button("TaxonarHelpHelpToolButton", TaxonarHelpHelpMenuItem,
        Pl("Instrukcja obsługi programu|Otwiera okienko pomocy"));
    TaxonarToolSeparator2 = separator("TaxonarToolSeparator2");
    TaxonarHelpMailToolButton = button("TaxonarHelpMailToolButton", TaxonarHelpMailMenuItem,
        Pl("Wyślij wiadomość do Velmora|Tworzy nową wiadomość z adresem wydawnictwa Velmora"));
    TaxonarHelpWwwToolButton = button("TaxonarHelpWwwToolButton", TaxonarHelpWwwMenuItem,
        AnsiString(MakerWebAddress) + "|" + Pl("Otwiera witrynę internetową wydawnictwa Velmora"));
    TaxonarToolSeparator3 = separator("TaxonarToolSeparator3");
    TaxonarHelpAboutToolButton = button("TaxonarHelpAboutToolButton", TaxonarHelpAboutMenuItem,
        Pl("O programie|Wyświetla okienko z informacjami o programie, jego wersji, autorach, prawach "
           "autorskich oraz danych właściciela kopii programu"));
}

void TTaxonarMainForm::createLeftSide()
{
    TaxonarLeftPanel = new TPanel(this);
    TaxonarLeftPanel->SetName("TaxonarLeftPanel");
    TaxonarLeftPanel->SetParent(TaxonarMainPanel);
    TaxonarLeftPanel->SetBevelOuter(bvNone);
    TaxonarLeftPanel->SetBounds(0, 0, 300, 600);
    TaxonarLeftPanel->SetAlign(alLeft);

    TaxonarNaviPanel = new TPanel(this);
    TaxonarNaviPanel->SetName("TaxonarNaviPanel");
    TaxonarNaviPanel->SetParent(TaxonarLeftPanel);
    TaxonarNaviPanel->SetBounds(0, 0, 300, 565);
    TaxonarNaviPanel->SetAlign(alTop);

    TaxonarNaviNamePanel = new TPanel(this);
    TaxonarNaviNamePanel->SetName("TaxonarNaviNamePanel");
    TaxonarNaviNamePanel->SetParent(TaxonarNaviPanel);
    TaxonarNaviNamePanel->SetBounds(0, 0, 300, 20);
    TaxonarNaviNamePanel->SetAlign(alTop);
    TaxonarNaviNamePanel->SetCaption("Nawigacja");

    TaxonarNaviTreeView = new TTreeView(this);
    TaxonarNaviTreeView->SetName("TaxonarNaviTreeView");
    TaxonarNaviTreeView->SetParent(TaxonarNaviPanel);
    TaxonarNaviTreeView->SetBounds(0, 20, 300, 545);
    TaxonarNaviTreeView->SetAlign(alClient);
    TaxonarNaviTreeView->SetReadOnly(true);
    TaxonarNaviTreeView->SetHideSelection(false);
    TaxonarNaviTreeView->SetIndent(19);
    TaxonarNaviTreeView->OnClick = TNotifyEvent::Bind<&TTaxonarMainForm::TaxonarNaviTreeViewClick>(this);
    TaxonarNaviTreeView->OnDblClick = TNotifyEvent::Bind<&TTaxonarMainForm::TaxonarNaviTreeViewDblClick>(this);

    TaxonarFindSplitter = new TSplitter(this);
    TaxonarFindSplitter->SetName("TaxonarFindSplitter");
    TaxonarFindSplitter->SetParent(TaxonarLeftPanel);
    // A splitter starts left-aligned: align it first, then give it its height.
    TaxonarFindSplitter->SetAlign(alTop);
    TaxonarFindSplitter->SetBounds(0, 565, 300, 3);
    TaxonarFindSplitter->SetCursor(crVSplit);

    TaxonarFindPanel = new TPanel(this);
    TaxonarFindPanel->SetName("TaxonarFindPanel");
    TaxonarFindPanel->SetParent(TaxonarLeftPanel);
    TaxonarFindPanel->SetBounds(0, 568, 300, 32);
    TaxonarFindPanel->SetAlign(alClient);

    TaxonarFindNamePanel = new TPanel(this);
    TaxonarFindNamePanel->SetName("TaxonarFindNamePanel");
    TaxonarFindNamePanel->SetParent(TaxonarFindPanel);
    TaxonarFindNamePanel->SetBounds(0, 0, 300, 20);
    TaxonarFindNamePanel->SetAlign(alTop);
    TaxonarFindNamePanel->SetCaption("Wynik przeszukania");

    TaxonarFindCloseButton = new TImage(this);
    TaxonarFindCloseButton->SetName("TaxonarFindCloseButton");
    TaxonarFindCloseButton->SetParent(TaxonarFindNamePanel);
    TaxonarFindCloseButton->SetBounds(280, 2, 16, 16);
    TaxonarFindCloseButton->SetTransparent(true);
    TaxonarFindCloseButton->SetPicture(QImage(":/images/CANCELGRAY.png"));

    TaxonarFindListBox = new TListBox(this);
    TaxonarFindListBox->SetName("TaxonarFindListBox");
    TaxonarFindListBox->SetParent(TaxonarFindPanel);
    TaxonarFindListBox->SetBounds(0, 20, 300, 12);
    TaxonarFindListBox->SetAlign(alClient);
    TaxonarFindListBox->SetItemHeight(13);
    TaxonarFindListBox->OnClick = TNotifyEvent::Bind<&TTaxonarMainForm::TaxonarFindListBoxClick>(this);
    TaxonarFindListBox->OnKeyUp = TKeyEvent::Bind<&TTaxonarMainForm::TaxonarFindListBoxKeyUp>(this);
    TaxonarFindCloseButton->OnClick = TNotifyEvent::Bind<&TTaxonarMainForm::TaxonarFindCloseButtonClick>(this);
}

void TTaxonarMainForm::createRightSide()
{
    TaxonarRightPanel = new TPanel(this);
    TaxonarRightPanel->SetName("TaxonarRightPanel");
    TaxonarRightPanel->SetParent(TaxonarMainPanel);
    TaxonarRightPanel->SetBevelOuter(bvNone);
    TaxonarRightPanel->SetBounds(300, 0, 960, 600);
    TaxonarRightPanel->SetAlign(alClient);

    auto titlePanel = [this](const char *name, TWinControl *parent) {
        auto *p = new TPanel(this);
        p->SetName(name);
        p->SetParent(parent);
        p->SetBounds(0, 0, 100, 20);
        p->SetAlign(alTop);
        return p;
    };

    TaxonarStartPanel = new TPanel(this);
    TaxonarStartPanel->SetName("TaxonarStartPanel");
    TaxonarStartPanel->SetParent(TaxonarRightPanel);
    TaxonarStartPanel->SetBounds(0, 0, 0, 500);
    TaxonarStartLabel = new TLabel(this);
    TaxonarStartLabel->SetName("TaxonarStartLabel");
    TaxonarStartLabel->SetParent(TaxonarStartPanel);
    TaxonarStartLabel->SetAutoSize(false);
    TaxonarStartLabel->SetAlign(alClient);
    TaxonarStartLabel->SetAlignment(taCenter);
    TaxonarStartLabel->SetLayout(tlCenter);
    TaxonarStartLabel->SetWordWrap(true);
    TaxonarStartLabel->Font().SetName("Arial");
    TaxonarStartLabel->Font().SetHeight(-48);
    TaxonarStartLabel->Font().SetStyle(TFontStyles{fsBold});
    TaxonarStartLabel->Font().SetColor(clGray);
    TaxonarStartLabel->SetCaption("Rubrikon");

    TaxonarRtf2Panel = new TPanel(this);
    TaxonarRtf2Panel->SetName("TaxonarRtf2Panel");
    TaxonarRtf2Panel->SetParent(TaxonarRightPanel);
    TaxonarRtf2Panel->SetBounds(0, 0, 0, 500);
    TaxonarRtf2TitlePanel = titlePanel("TaxonarRtf2TitlePanel", TaxonarRtf2Panel);
    TaxonarRtf2RichEdit = new TTaxonarRichEdit(this);
    TaxonarRtf2RichEdit->SetName("TaxonarRtf2RichEdit");
    TaxonarRtf2RichEdit->SetParent(TaxonarRtf2Panel);
    TaxonarRtf2RichEdit->SetBounds(0, 20, 100, 400);
    TaxonarRtf2RichEdit->SetAlign(alClient);

    TaxonarTable3Panel = new TPanel(this);
    TaxonarTable3Panel->SetName("TaxonarTable3Panel");
    TaxonarTable3Panel->SetParent(TaxonarRightPanel);
    TaxonarTable3Panel->SetBounds(0, 0, 960, 500);
    TaxonarTable3Panel->SetAlign(alClient);
    TaxonarTable3TitlePanel = titlePanel("TaxonarTable3TitlePanel", TaxonarTable3Panel);

    TStringGrid *g = TaxonarTable3StringGrid = new TStringGrid(this);
    g->SetName("TaxonarTable3StringGrid");
    g->SetParent(TaxonarTable3Panel);
    g->SetBounds(0, 20, 960, 480);
    g->SetAlign(alClient);
    g->SetRowCount(2);
    g->SetFixedCols(0);
    g->SetFixedRows(1);
    g->SetDefaultColWidth(16);
    g->SetDefaultRowHeight(16);
    g->SetGridLineWidth(1);
    g->SetOptions(TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRowSelect});
    g->SetScrollBars(ssVertical);
    g->SetDefaultDrawing(true);
    // The draw-cell event grows rows to fit their wrapped cells: each row is
    // sized before it is drawn, so a paint draws it once.
    g->SetSizeRowsBeforeDrawing(true);
    g->OnClick = TNotifyEvent::Bind<&TTaxonarMainForm::TaxonarTable3StringGridClick>(this);
    g->OnKeyUp = TKeyEvent::Bind<&TTaxonarMainForm::TaxonarTable3StringGridKeyUp>(this);
    g->OnDrawCell = TDrawCellEvent::Bind<&TTaxonarMainForm::TaxonarTable3StringGridDrawCell>(this);
    g->OnMouseMove = TMouseMoveEvent::Bind<&TTaxonarMainForm::TaxonarTable3StringGridMouseMove>(this);
    g->OnMouseUp = TMouseEvent::Bind<&TTaxonarMainForm::TaxonarTable3StringGridMouseUp>(this);

    TaxonarSearchPanel = new TPanel(this);
    TaxonarSearchPanel->SetName("TaxonarSearchPanel");
    TaxonarSearchPanel->SetParent(TaxonarRightPanel);
    TaxonarSearchPanel->SetBounds(0, 500, 960, 41);
    TaxonarSearchPanel->SetAlign(alBottom);
    TaxonarSearchPanel->SetBorderStyle(TBorderStyle::bsSingle);

    TaxonarSearchLabel = new TLabel(this);
    TaxonarSearchLabel->SetName("TaxonarSearchLabel");
    TaxonarSearchLabel->SetParent(TaxonarSearchPanel);
    TaxonarSearchLabel->SetCaption("Szukaj na aktualnej stronie");
    TaxonarSearchLabel->SetLeft(8);
    TaxonarSearchLabel->SetTop(14);

    TaxonarSearchEdit = new TEdit(this);
    TaxonarSearchEdit->SetName("TaxonarSearchEdit");
    TaxonarSearchEdit->SetParent(TaxonarSearchPanel);
    TaxonarSearchEdit->SetBounds(144, 10, 365, 21);
    TaxonarSearchEdit->OnChange = TNotifyEvent::Bind<&TTaxonarMainForm::TaxonarSearchEditChange>(this);

    TaxonarSearchButton1 = new TButton(this);
    TaxonarSearchButton1->SetName("TaxonarSearchButton1");
    TaxonarSearchButton1->SetParent(TaxonarSearchPanel);
    TaxonarSearchButton1->SetBounds(516, 8, 75, 25);
    TaxonarSearchButton1->SetCaption(Pl("Znajdź"));

    TaxonarSearchButton2 = new TButton(this);
    TaxonarSearchButton2->SetName("TaxonarSearchButton2");
    TaxonarSearchButton2->SetParent(TaxonarSearchPanel);
    TaxonarSearchButton2->SetBounds(596, 8, 91, 25);
    TaxonarSearchButton2->SetCaption(Pl("Znajdź następny"));
    TaxonarSearchButton1->OnClick = TNotifyEvent::Bind<&TTaxonarMainForm::TaxonarSearchButton1Click>(this);
    TaxonarSearchButton2->OnClick = TNotifyEvent::Bind<&TTaxonarMainForm::TaxonarSearchButton2Click>(this);

    TaxonarTable3Panel->OnResize = TNotifyEvent::Bind<&TTaxonarMainForm::TaxonarTable3PanelResize>(this);
}

std::vector<TTaxonarMainForm::Command> TTaxonarMainForm::Commands() const
{
    return {
        {TaxonarProgramSubMenu, nullptr},
        {TaxonarProgramExitMenuItem, nullptr},
        {TaxonarNaviSubMenu, nullptr},
        {TaxonarNaviStartMenuItem, TaxonarNaviStartToolButton},
        {TaxonarNaviClassMenuItem, TaxonarNaviClassToolButton},
        {TaxonarNaviPrevMenuItem, TaxonarNaviPrevToolButton},
        {TaxonarNaviNextMenuItem, TaxonarNaviNextToolButton},
        {TaxonarNaviFindMenuItem, TaxonarNaviFindToolButton},
        {TaxonarNaviExportMenuItem, TaxonarNaviExportToolButton},
        {TaxonarHelpSubMenu, nullptr},
        {TaxonarHelpInfoMenuItem, TaxonarHelpInfoToolButton},
        {TaxonarHelpUpdateMenuItem, TaxonarHelpUpdateToolButton},
        {TaxonarHelpHistoryMenuItem, TaxonarHelpHistoryToolButton},
        {TaxonarHelpHelpMenuItem, TaxonarHelpHelpToolButton},
        {TaxonarHelpMailMenuItem, TaxonarHelpMailToolButton},
        {TaxonarHelpWwwMenuItem, TaxonarHelpWwwToolButton},
        {TaxonarHelpAboutMenuItem, TaxonarHelpAboutToolButton},
    };
}

// -------------------------------------------------------------- life cycle

void TTaxonarMainForm::FormCreate(TObject *)
{
    FormReady = false;

    // Every list and every starting value exists before any file is read, so
    // that a file that fails to load stops the creation with nothing missing:
    // the window then works without what that file would have given.
    ItemRecords = newList();
    LinkRecords = newList();
    HistoryList = newList();
    HistoryIndex = -1;
    CurrentItem = -1;
    CurrentEntry.clear();
    SearchWords = newList();
    DictionaryWords = newList();
    FoundList = newList();
    SearchClassIndex = 0;
    SearchWordMode = 0;
    SearchResultLimit = 0;
    CanFindNext = false;
    FindNextStart = 0;

    AppDir = ProgramFolder();
    UserDataDir = IncludeTrailingPathDelimiter(UserAppDataDir()) + "velmora/" + "rbkn" + "/";

    // The per-user temporary folder starts empty; failures are not reported.
    const AnsiString temp = UserDataDir + "temp/";
    ForceDirectories(UserDataDir + "temp");
    for (const AnsiString &name : ListDirectory(temp))
        DeleteFile(temp + name);
    UiReady = true;

    if (!ConfigExists())
        ConfigCreateDefault();
    ConfigLoad();

    // The search dialog's typing hints, one per line; without the file the
    // search works without hints.
    DictionaryWords->LoadFromFile(AppDir + "dictionary.global");
}

void TTaxonarMainForm::FormShow(TObject *)
{
    TaxonarLeftPanel->SetWidth(0);

    TaxonarStartForm = new TTaxonarStartForm(Application);
    TaxonarStartForm->Show();
    Application->ProcessMessages();

    try {
        LoadDefinitions();
    } catch (...) {
        // The splash window does not outlive a failed load, and the window
        // is left in a state its commands can work from: the start page with
        // the commands set by their rules, over what was read so far. The
        // start-up step is not run; the error goes on to the application
        // object, which shows it.
        delete TaxonarStartForm;
        TaxonarStartForm = nullptr;
        ViewMode = 0;
        ApplyViewMode();
        UpdateMenus();
        throw;
    }

    TaxonarStartForm->Close();
    TaxonarStartForm->Hide();
    delete TaxonarStartForm;
    TaxonarStartForm = nullptr;
    Application->ProcessMessages();

    ViewMode = 0;
    ApplyViewMode();
    UpdateMenus();
    TaxonarStartTimer->SetEnabled(true);
}

void TTaxonarMainForm::FormHide(TObject *) {}

void TTaxonarMainForm::TaxonarStartTimerTimer(TObject *)
{
    TaxonarStartTimer->SetEnabled(false);
    EnableControls();
    UiReady = true;
    if (ViewInfo || !FirstInfo)
        ShowModalWindow(TaxonarInfo2Form);
    FormReady = true;
    UpdateMenus();
}

void TTaxonarMainForm::FormDestroy(TObject *)
{
    delete FoundList;
    FoundList = nullptr;
    delete DictionaryWords;
    DictionaryWords = nullptr;
    delete SearchWords;
    SearchWords = nullptr;
    delete LinkRecords;
    LinkRecords = nullptr;
    delete HistoryList;
    HistoryList = nullptr;
    delete ItemRecords;
    ItemRecords = nullptr;
    FormReady = false;
}

void TTaxonarMainForm::FormClose(TObject *, TCloseAction &)
{
    if (searchRunning_)
        searchCancelled_ = true;
}

void TTaxonarMainForm::FormResize(TObject *) { LayoutSidePanels(); }

void TTaxonarMainForm::FormCanResize(TObject *, int &, int &, bool &Resize)
{
    LayoutSidePanels();
    Resize = true;
}

// ------------------------------------------------------------- view modes

void TTaxonarMainForm::ApplyViewMode()
{
    auto park = [](TPanel *p) {
        p->SetAlign(alNone);
        p->SetWidth(0);
    };
    auto slide = [this](int from, int to) {
        const int step = from < to ? 10 : -10;
        for (int w = from;; w += step) {
            TaxonarLeftPanel->SetWidth(w);
            Application->ProcessMessages();
            if (w == to)
                break;
        }
    };
    switch (ViewMode) {
    case 0:
        TaxonarSearchPanel->SetHeight(0);
        park(TaxonarRtf2Panel);
        park(TaxonarTable3Panel);
        TaxonarStartPanel->SetAlign(alClient);
        if (TaxonarLeftPanel->Width() > 0)
            slide(300, 0);
        TaxonarLeftPanel->SetWidth(0);
        break;
    case 1:
        TaxonarSearchPanel->SetHeight(0);
        if (TaxonarLeftPanel->Width() == 0)
            slide(0, 300);
        TaxonarLeftPanel->SetWidth(300);
        park(TaxonarRtf2Panel);
        park(TaxonarTable3Panel);
        TaxonarStartPanel->SetAlign(alClient);
        break;
    case 2:
        TaxonarLeftPanel->SetWidth(300);
        park(TaxonarStartPanel);
        park(TaxonarTable3Panel);
        TaxonarRtf2Panel->SetAlign(alClient);
        TaxonarSearchPanel->SetHeight(41);
        break;
    case 3:
        TaxonarLeftPanel->SetWidth(300);
        park(TaxonarStartPanel);
        park(TaxonarRtf2Panel);
        TaxonarTable3Panel->SetAlign(alClient);
        TaxonarSearchPanel->SetHeight(41);
        break;
    default:
        break;
    }
}

void TTaxonarMainForm::LayoutSidePanels()
{
    if (!FormReady)
        return;
    if (FoundList == nullptr || FoundList->Count() == 0) {
        TaxonarNaviPanel->SetHeight(ClientHeight() - 105);
        TaxonarFindSplitter->SetEnabled(false);
        TaxonarFindCloseButton->SetPicture(QImage(":/images/CANCELGRAY.png"));
        TaxonarFindCloseButton->SetCursor(crDefault);
    } else {
        if (ClientHeight() - 200 < TaxonarNaviPanel->Height())
            TaxonarNaviPanel->SetHeight(ClientHeight() - 200);
        TaxonarFindSplitter->SetEnabled(true);
        TaxonarFindCloseButton->SetPicture(QImage(":/images/CANCELCOLOR.png"));
        TaxonarFindCloseButton->SetCursor(crHandPoint);
    }
    const int bar = TaxonarSearchPanel->Width();
    TaxonarSearchEdit->SetWidth(bar - 331);
    TaxonarSearchButton1->SetLeft(bar - 180);
    TaxonarSearchButton2->SetLeft(bar - 100);
    TaxonarFindPanel->SetAlign(alClient);
    TaxonarFindListBox->SetAlign(alClient);
}

// ---------------------------------------------------------- command states

void TTaxonarMainForm::setCommandEnabled(TMenuItem *item, TToolButton *button, bool enabled)
{
    item->SetEnabled(enabled);
    if (button)
        button->SetEnabled(enabled);
}

void TTaxonarMainForm::UpdateMenus()
{
    // Nothing can be started while the classification search runs.
    if (searchRunning_) {
        DisableControls();
        TaxonarSearchButton1->SetEnabled(false);
        TaxonarSearchButton2->SetEnabled(false);
        TaxonarFindCloseButton->SetEnabled(false);
        return;
    }
    TaxonarFindCloseButton->SetEnabled(true);
    const int historyCount = HistoryList ? HistoryList->Count() : 0;
    setCommandEnabled(TaxonarProgramSubMenu, nullptr, UiReady);
    setCommandEnabled(TaxonarProgramExitMenuItem, nullptr, UiReady);
    setCommandEnabled(TaxonarNaviSubMenu, nullptr, UiReady);
    setCommandEnabled(TaxonarNaviStartMenuItem, TaxonarNaviStartToolButton, UiReady && ViewMode > 0);
    setCommandEnabled(TaxonarNaviClassMenuItem, TaxonarNaviClassToolButton, UiReady && ViewMode == 0);
    setCommandEnabled(TaxonarNaviPrevMenuItem, TaxonarNaviPrevToolButton, UiReady && HistoryIndex > 0);
    setCommandEnabled(TaxonarNaviNextMenuItem, TaxonarNaviNextToolButton,
                      UiReady && HistoryIndex >= 0 && HistoryIndex < historyCount - 1);
    setCommandEnabled(TaxonarNaviFindMenuItem, TaxonarNaviFindToolButton, UiReady && ViewMode > 0);
    setCommandEnabled(TaxonarNaviExportMenuItem, TaxonarNaviExportToolButton, UiReady && ViewMode > 1);
    setCommandEnabled(TaxonarHelpSubMenu, nullptr, true);
    setCommandEnabled(TaxonarHelpInfoMenuItem, TaxonarHelpInfoToolButton, true);
    setCommandEnabled(TaxonarHelpUpdateMenuItem, TaxonarHelpUpdateToolButton, false);
    setCommandEnabled(TaxonarHelpHistoryMenuItem, TaxonarHelpHistoryToolButton, true);
    setCommandEnabled(TaxonarHelpHelpMenuItem, TaxonarHelpHelpToolButton, true);
    setCommandEnabled(TaxonarHelpMailMenuItem, TaxonarHelpMailToolButton, true);
    setCommandEnabled(TaxonarHelpWwwMenuItem, TaxonarHelpWwwToolButton, true);
    setCommandEnabled(TaxonarHelpAboutMenuItem, TaxonarHelpAboutToolButton, true);

    // The page-search buttons: blanks count as text (no trimming).
    const bool hasText = !LowerCase(NormalizeSearchText(TaxonarSearchEdit->Text())).empty();
    TaxonarSearchButton1->SetEnabled(hasText);
    TaxonarSearchButton2->SetEnabled(hasText && CanFindNext);
}

void TTaxonarMainForm::DisableControls()
{
    for (const Command &c : Commands())
        setCommandEnabled(c.Item, c.Button, false);
}

void TTaxonarMainForm::EnableControls()
{
    for (const Command &c : Commands())
        setCommandEnabled(c.Item, c.Button, true);
}

template <class Form>
void TTaxonarMainForm::ShowModalWindow(Form *&formVariable)
{
    DisableControls();
    auto finish = [&] {
        delete formVariable;
        formVariable = nullptr;
        EnableControls();
        UpdateMenus();
    };
    try {
        formVariable = new Form(Application);
        formVariable->ShowModal();
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TTaxonarMainForm::TaxonarSearchEditChange(TObject *) { UpdateMenus(); }

// ------------------------------------------------------ catalogue and tree

void TTaxonarMainForm::LoadDefinitions()
{
    TTreeNodes &nodes = TaxonarNaviTreeView->Items();
    nodes.Clear();
    nodeByItem_.clear();
    if (ItemRecords == nullptr)
        ItemRecords = newList();
    catalogue_ = std::make_unique<Catalogue>(*ItemRecords);
    lastParentRecord_ = -1;

    CatalogueSink sink;
    sink.OnClassification = [](const AnsiString &title) {
        if (TaxonarStartForm)
            TaxonarStartForm->TaxonarStartStatus->SetCaption(Pl("Proszę czekać wczytuję ") + title + " ...");
    };
    sink.OnShownRecord = [this, &nodes](int index, const AnsiString &name, const AnsiString &parent,
                                        const AnsiString &signature) {
        TTreeNode *parentNode = parent == "nil" ? nullptr : FindParentNode(parent, signature);
        TTreeNode *node = nodes.AddChildObject(parentNode, name, index);
        if (size_t(index) >= nodeByItem_.size())
            nodeByItem_.resize(size_t(index) + 1, nullptr);
        if (nodeByItem_[size_t(index)] == nullptr)
            nodeByItem_[size_t(index)] = node;
    };
    sink.ProcessMessages = [] { Application->ProcessMessages(); };

    // The tree repaints once at the end rather than at every node.
    struct UpdateGuard {
        TTreeNodes &n;
        explicit UpdateGuard(TTreeNodes &nodes) : n(nodes) { n.BeginUpdate(); }
        ~UpdateGuard() { n.EndUpdate(); }
    } guard(nodes);
    catalogue_->Load(AppDir, sink);
    TaxonarNaviTreeView->FullCollapse();
    Application->ProcessMessages();
}

TTreeNode *TTaxonarMainForm::FindParentNode(const AnsiString &parent, const AnsiString &signature)
{
    if (!catalogue_)
        return nullptr;
    // Records only ever get appended, so a record found once stays the first
    // match: siblings loaded one after another reuse the last answer.
    if (lastParentRecord_ >= 0 && parent == lastParent_ && signature == lastSignature_)
        return FindNodeByItem(lastParentRecord_);
    const int index = catalogue_->FindParentRecord(parent, signature);
    if (index >= 0) {
        lastParent_ = parent;
        lastSignature_ = signature;
        lastParentRecord_ = index;
    }
    return index < 0 ? nullptr : FindNodeByItem(index);
}

TTreeNode *TTaxonarMainForm::FindNodeByItem(int index)
{
    if (index < 0 || size_t(index) >= nodeByItem_.size())
        return nullptr;
    return nodeByItem_[size_t(index)];
}

void TTaxonarMainForm::TaxonarNaviTreeViewClick(TObject *)
{
    TTreeNode *node = TaxonarNaviTreeView->Selected();
    if (searchRunning_ || node == nullptr)
        return;
    const int item = int(node->Data());
    // The item on view stays as it is. The current item, hidden by a group or
    // the navigation view, is shown again without a second history entry.
    if (item == CurrentItem && (ViewMode == 2 || ViewMode == 3))
        return;
    OpenItem(item, item != CurrentItem, -1, AnsiString());
    UpdateMenus();
}

void TTaxonarMainForm::TaxonarNaviTreeViewDblClick(TObject *) {}

// ------------------------------------------------------- items and history

bool TTaxonarMainForm::OpenItem(int index, bool addToHistory, int row, const AnsiString &rowKey)
{
    const AnsiString record = ItemRecords->Strings(index);
    const AnsiString mode = AnsiUpperCase(GetRecordValue(record, "MODE="));

    if (mode == "PDF") {
        // Always the one matrix document, whatever the record names.
        ShellExecute("open", "matryca.pdf", "", AppDir, 1,
                     Pl("Nie można otworzyć matrycy klasyfikacji (plik ") + PathToText(AppDir + "matryca.pdf") + ").");
        return true;
    }

    CanFindNext = false;
    FindNextStart = 0;

    // Opening a leaf with history drops the entries ahead of the current one
    // and folds the shown item's entry back in.
    if (addToHistory && HistoryList->Count() > 0 && CurrentItem >= 0) {
        TTreeNode *node = FindNodeByItem(index);
        if (node != nullptr && !node->HasChildren()) {
            while (HistoryList->Count() > HistoryIndex + 1 && HistoryList->Count() > 0)
                HistoryList->Delete(HistoryList->Count() - 1);
            if (HistoryIndex >= 0 && HistoryIndex < HistoryList->Count())
                HistoryList->Put(HistoryIndex, CurrentEntry);
        }
    }

    if (mode.empty() || mode == "GROUP") {
        ViewMode = 1;
        ApplyViewMode();
        return true;
    }

    if (mode == "RTF") {
        const AnsiString path = AppDir + GetRecordValue(record, "FILE=");
        if (!FileExists(path)) {
            ViewMode = 1;
            ApplyViewMode();
            return false;
        }
        TaxonarRtf2TitlePanel->SetCaption(UpperCase(GetRecordValue(record, "SIGNATURE=")) + " - " +
                                          GetRecordValue(record, "NAME="));
        TaxonarRtf2RichEdit->RichEdit()->Clear();
        TaxonarRtf2RichEdit->LoadFromFile(path);
        ViewMode = 2;
        ApplyViewMode();
        const AnsiString entry = IntToStr(index) + "\t";
        if (addToHistory) {
            HistoryList->Add(entry);
            HistoryIndex = HistoryList->Count() - 1;
        }
        CurrentEntry = entry;
        CurrentItem = index;
        return true;
    }

    if (mode == "TABLE") {
        LinkRecords->Clear();
        if (!openTableItem(record, row, rowKey))
            return false;
        // An entry names row 1, except when a link opened the table at its
        // keyed row: that row is kept, as the grid's click keeps a row the
        // user chose, so that coming back to the entry shows it again.
        const int shownRow = rowKey.empty() ? 1 : TaxonarTable3StringGrid->Row();
        const AnsiString entry = IntToStr(index) + "\t" + IntToStr(shownRow) + "\t";
        if (addToHistory) {
            HistoryList->Add(entry);
            HistoryIndex = HistoryList->Count() - 1;
        }
        CurrentEntry = entry;
        CurrentItem = index;
        return true;
    }

    return true;
}

void TTaxonarMainForm::TaxonarNaviStartMenuItemClick(TObject *)
{
    HistoryList->Clear();
    HistoryIndex = -1;
    CurrentItem = -1;
    CurrentEntry.clear();
    ViewMode = 0;
    ApplyViewMode();
    UpdateMenus();
}

void TTaxonarMainForm::TaxonarNaviClassMenuItemClick(TObject *)
{
    TaxonarNaviTreeView->FullCollapse();
    ViewMode = 1;
    ApplyViewMode();
    UpdateMenus();
    TaxonarNaviTreeView->SetFocus();
}

void TTaxonarMainForm::historyMove(int newIndex)
{
    HistoryList->Put(HistoryIndex, CurrentEntry);
    HistoryIndex = newIndex;
    const AnsiString entry = HistoryList->Strings(HistoryIndex);
    const size_t tab1 = entry.find('\t');
    const int item = StrToInt(entry.substr(0, tab1));
    TaxonarNaviTreeView->SetSelected(FindNodeByItem(item));
    const bool opened = OpenItem(item, false, -1, AnsiString());
    // The stored row applies to the table just loaded, not to a table left
    // over from before when the item's file has gone.
    if (opened && AnsiUpperCase(GetRecordValue(ItemRecords->Strings(item), "MODE=")) == "TABLE" &&
        tab1 != AnsiString::npos) {
        const size_t tab2 = entry.find('\t', tab1 + 1);
        const int row = StrToInt(entry.substr(tab1 + 1, tab2 == AnsiString::npos ? AnsiString::npos : tab2 - tab1 - 1));
        selectRow(row);
    }
    UpdateMenus();
}

void TTaxonarMainForm::TaxonarNaviPrevMenuItemClick(TObject *)
{
    if (HistoryIndex >= 1)
        historyMove(HistoryIndex - 1);
}

void TTaxonarMainForm::TaxonarNaviNextMenuItemClick(TObject *)
{
    if (HistoryIndex >= 0 && HistoryIndex < HistoryList->Count() - 1)
        historyMove(HistoryIndex + 1);
}

// -------------------------------------------------------------- table view

bool TTaxonarMainForm::FirstDataRowUsed()
{
    TStringGrid *g = TaxonarTable3StringGrid;
    for (int k = 0; k < g->ColCount(); ++k)
        if (!g->Cells(k, 1).empty())
            return true;
    return false;
}

void TTaxonarMainForm::autoColumn(int &fixedSum, int &autoCol)
{
    TStringGrid *g = TaxonarTable3StringGrid;
    fixedSum = 0;
    autoCol = -1;
    for (int k = 0; k < g->ColCount(); ++k) {
        if (g->Objects(k, 0) == 0)
            fixedSum += g->ColWidths(k);
        else if (autoCol < 0)
            autoCol = k;
    }
    if (autoCol < 0)
        autoCol = 0;
}

void TTaxonarMainForm::selectRow(int row)
{
    TaxonarTable3StringGrid->SetRow(row);
    TaxonarTable3StringGrid->SetTopRow(row);
}

bool TTaxonarMainForm::openTableItem(const AnsiString &record, int row, const AnsiString &rowKey)
{
    TStringGrid *g = TaxonarTable3StringGrid;
    const AnsiString path = AppDir + GetRecordValue(record, "FILE=");
    if (!FileExists(path)) {
        ViewMode = 1;
        ApplyViewMode();
        return false;
    }
    TaxonarTable3TitlePanel->SetCaption(UpperCase(GetRecordValue(record, "SIGNATURE=")) + " - " +
                                        GetRecordValue(record, "NAME="));

    const AnsiString columnsText = GetRecordValue(record, "COLUMNS=");
    const int columns = StrToInt(columnsText);
    if (columns > MaxTableColumns)
        throw EConvertError("'" + columnsText + "' is not a valid column count (at most " +
                            IntToStr(MaxTableColumns) + ")");
    g->SetColCount(columns);
    g->SetRowCount(2);
    g->SetDefaultRowHeight(16);
    LeftColumns = "#";
    CenterColumns = "#";
    RightColumns = "#";
    if (columns <= 0) {
        // No column of its own: the one column the grid keeps is emptied of
        // the table before and fills the grid's width, as an AUTO column.
        g->SetCells(0, 0, AnsiString());
        g->SetColWidths(0, 50);
        g->SetObjects(0, 0, 1);
        g->SetCells(0, 1, AnsiString());
        g->SetObjects(0, 1, -1);
    }
    for (int n = 1; n <= columns; ++n) {
        const int k = n - 1;
        const AnsiString num = IntToStr(n);
        g->SetCells(k, 0, GetRecordValue(record, "NAME" + num + "="));
        const AnsiString width = GetRecordValue(record, "WIDTH" + num + "=");
        if (UpperCase(width) == "AUTO") {
            g->SetColWidths(k, 50);
            g->SetObjects(k, 0, 1);
        } else {
            const int pixels = StrToInt(width);
            if (pixels > MaxColumnWidth || pixels < -MaxColumnWidth)
                throw EConvertError("'" + width + "' is not a valid column width (at most " +
                                    IntToStr(MaxColumnWidth) + ")");
            g->SetColWidths(k, pixels);
            g->SetObjects(k, 0, 0);
        }
        const AnsiString alignment = UpperCase(GetRecordValue(record, "ALIGNMENT" + num + "="));
        const AnsiString entry = IntToStr(k) + "#";
        if (alignment == "LEFT")
            LeftColumns += entry;
        else if (alignment == "CENTER")
            CenterColumns += entry;
        else if (alignment == "RIGHT")
            RightColumns += entry;
        g->SetCells(k, 1, AnsiString());
        // A row left from the previous table must not keep its link tags:
        // they would point into the emptied link list.
        g->SetObjects(k, 1, -1);
    }

    // A line fills row 1 while row 1 has no text, and adds a row after that.
    // The grid grows in doubling steps and is cut to the rows used at the
    // end, so that a long table costs no more than its lines; it does not
    // repaint until the load is over.
    int lastRow = 1;
    AnsiString cellText;
    struct PaintGuard {
        QWidget *w;
        bool was;
        explicit PaintGuard(QWidget *widget) : w(widget), was(widget->updatesEnabled()) { w->setUpdatesEnabled(false); }
        ~PaintGuard() { w->setUpdatesEnabled(was); }
    };
    {
        PaintGuard paintGuard(g->Widget());
        ReadTableFile(path, g->ColCount(), FirstDataRowUsed(), [&](int row, const std::vector<TableCell> &cells) {
            lastRow = row;
            if (lastRow >= g->RowCount())
                g->SetRowCount(std::max(lastRow + 1, 2 * g->RowCount()));
            for (size_t k = 0; k < cells.size(); ++k) {
                if (cells[k].Raw.find("#L#") != std::string_view::npos)
                    g->SetObjects(int(k), lastRow, LinkRecords->Add(AnsiString(cells[k].Raw) + "#R#"));
                else
                    g->SetObjects(int(k), lastRow, -1);
                cellText.assign(cells[k].Text); // one buffer for every cell: the grid keeps its own copy
                g->SetCells(int(k), lastRow, cellText);
            }
        });
        g->SetRowCount(lastRow + 1);
    }

    int fixedSum = 0, autoCol = 0;
    autoColumn(fixedSum, autoCol);

    ViewMode = 3;
    ApplyViewMode();

    g->SetColWidths(autoCol, g->Width() - fixedSum - (g->ColCount() - 1) - 21);

    // At the last row, pending messages are processed. The grid would paint
    // there, growing the rows in view and recording their links' zones, and
    // be painted over at once by the row finally chosen below: its rows are
    // instead given those heights and zones without being drawn, so the open
    // paints the screen it ends on, once.
    const int last = g->RowCount() - 1;
    selectRow(last);
    {
        struct NoPaint {
            TStringGrid *g;
            ~NoPaint() { g->SetPaintingSuspended(false); }
        } noPaint{g};
        g->SetPaintingSuspended(true);
        Application->ProcessMessages();
    }
    g->SizeRowsInView();

    bool chosen = false;
    if (!rowKey.empty()) {
        for (int r = 1; r <= g->RowCount() - 1; ++r) {
            if (g->Cells(0, r) == rowKey) {
                selectRow(r);
                chosen = true;
                break;
            }
        }
    }
    if (row >= 0) {
        selectRow(row);
        chosen = true;
    }
    if (!chosen)
        selectRow(1);
    return true;
}

void TTaxonarMainForm::TaxonarTable3PanelResize(TObject *)
{
    TStringGrid *g = TaxonarTable3StringGrid;
    g->SetDefaultRowHeight(16);
    int fixedSum = 0, autoCol = 0;
    autoColumn(fixedSum, autoCol);
    g->SetColWidths(autoCol, g->Width() - fixedSum - (g->ColCount() - 1) - 21);
    if (g->RowCount() > 1)
        selectRow(1);
}

AnsiString TTaxonarMainForm::MarkupToPlainText(const AnsiString &text) const
{
    if (Trim(text).empty())
        return AnsiString();
    AnsiString s = text;
    auto removeAll = [&s](const char *tag) {
        for (size_t p; (p = s.find(tag)) != AnsiString::npos;)
            s.erase(p, 3);
    };
    removeAll("#B#");
    // A line break after a digit becomes a decimal comma, otherwise a blank.
    for (size_t p; (p = s.find("#N#")) != AnsiString::npos;) {
        s.erase(p, 3);
        const bool afterDigit = p > 0 && s[p - 1] >= '0' && s[p - 1] <= '9';
        s.insert(p, 1, afterDigit ? ',' : ' ');
    }
    removeAll("#I#");
    removeAll("#U#");
    for (size_t open; (open = s.find("#L#")) != AnsiString::npos;) {
        s.erase(open, 3);
        const size_t close = s.find("#L#", open);
        if (close == AnsiString::npos)
            continue;
        s.erase(close, 3);
        // The target and its closing "#" go with the tag.
        const size_t end = s.find('#');
        if (end != AnsiString::npos && end >= close)
            s.erase(close, end - close + 1);
    }
    return s;
}

// ----------------------------------------------------------- other commands

void TTaxonarMainForm::TaxonarProgramExitMenuItemClick(TObject *) { Close(); }

namespace {

AnsiString exportFailureText(const AnsiString &file)
{
    return Pl("Nie można otworzyć wyeksportowanego tematu. Eksport zapisano w pliku:\n") + PathToText(file);
}

} // namespace

void TTaxonarMainForm::TaxonarNaviExportMenuItemClick(TObject *)
{
    if (ViewMode == 2) {
        const AnsiString folder = TaxonarSysInfo->TempPath();
        const AnsiString file = CreateExportFile(folder, "rtf", ".rtf");
        try {
            TaxonarRtf2RichEdit->RichEdit()->SaveToFile(file);
        } catch (...) {
            DeleteFile(file); // the empty file made for the name
            throw;
        }
        ShellExecute("open", file, "", folder, 1, exportFailureText(file));
    } else if (ViewMode == 3) {
        TStringGrid *g = TaxonarTable3StringGrid;
        const int first = UpperCase(g->Cells(0, 0)) == "LINK" ? 1 : 0;
        const AnsiString folder = TaxonarSysInfo->TempPath();
        const AnsiString file = CreateExportFile(folder, "table", ".xls");
        try {
            TextFile out(file);
            out.Rewrite();
            AnsiString line;
            for (int k = first; k < g->ColCount(); ++k)
                line += g->Cells(k, 0) + "\t";
            out.WriteLn(line);
            // The empty row of a table without data is no data row.
            const int rows = FirstDataRowUsed() ? g->RowCount() : 1;
            for (int r = 1; r < rows; ++r) {
                line.clear();
                for (int k = first; k < g->ColCount(); ++k)
                    line += MarkupToPlainText(g->Cells(k, r)) + "\t";
                out.WriteLn(line);
            }
            out.CloseFile();
        } catch (...) {
            DeleteFile(file); // no half-written table is left
            throw;
        }
        ShellExecute("open", file, "", folder, 1, exportFailureText(file));
    }
}

void TTaxonarMainForm::TaxonarHelpInfoMenuItemClick(TObject *) { ShowModalWindow(TaxonarInfo2Form); }

void TTaxonarMainForm::TaxonarHelpHistoryMenuItemClick(TObject *) { ShowModalWindow(TaxonarHistoryForm); }

void TTaxonarMainForm::TaxonarHelpHelpMenuItemClick(TObject *) { ShowModalWindow(TaxonarHelpForm); }

void TTaxonarMainForm::TaxonarHelpAboutMenuItemClick(TObject *) { ShowModalWindow(TaxonarAboutForm); }

void TTaxonarMainForm::TaxonarHelpMailMenuItemClick(TObject *)
{
    ShellExecute("open", AnsiString("mailto:") + MakerMailAddress + "?subject=Rubrikon", "", "", 1,
                 Pl("Nie można otworzyć programu pocztowego. Adres pomocy: ") + MakerMailAddress);
}

void TTaxonarMainForm::TaxonarHelpWwwMenuItemClick(TObject *)
{
    ShellExecute("open", MakerWebAddress, "", "", 1,
                 Pl("Nie można otworzyć strony ") + MakerWebAddress + Pl(" w przeglądarce."));
}

} // namespace taxonar
