#include "kcl/KCLShUtils.h"

#include "platform/Forms.h"

TKCLChangeWindowMessageFilterFunc *ChangeWindowMessageFilter = nullptr;

namespace {
platform::HMODULE user32 = 0;
}

void KCLBindChangeWindowMessageFilter()
{
    user32 = platform::LoadLibraryA("user32.dll");
    ChangeWindowMessageFilter = user32 == 0 ? nullptr
                                            : platform::FromFarProc<TKCLChangeWindowMessageFilterFunc>(
                                                  platform::GetProcAddress(user32, "ChangeWindowMessageFilter"));
}

void KCLUnbindChangeWindowMessageFilter()
{
    ChangeWindowMessageFilter = nullptr;
    if (user32 != 0)
        platform::FreeLibrary(user32);
    user32 = 0;
}

void KCLCenterForm(platform::TCustomForm *Form)
{
    using platform::Screen;
    if (Form == nullptr || Screen == nullptr)
        return;
    platform::TMonitor monitor;
    platform::TCustomForm *mainForm = platform::Application ? platform::Application->MainForm() : nullptr;
    if (mainForm != nullptr && Screen->ActiveForm() != nullptr)
        monitor = Screen->ActiveForm()->Monitor();
    else if (mainForm != nullptr)
        monitor = mainForm->Monitor();
    else if (Screen->MonitorCount() > 0)
        monitor = Screen->Monitors(0);
    const int width = Form->Width(), height = Form->Height();
    platform::TRect r = platform::Bounds((monitor.Width() - width) / 2, (monitor.Height() - height) / 2, width, height);
    // A form larger than the monitor's work area would start with its title
    // off the screen: it shrinks to the work area, its corner on it.
    const platform::TRect &area = monitor.WorkareaRect;
    if (!area.IsEmpty() && (width > area.Width() || height > area.Height()))
        r = platform::KeepRectOnWorkArea(r, area);
    Form->SetBounds(r.Left, r.Top, r.Width(), r.Height());
}
