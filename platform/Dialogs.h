// Common dialogs. TPrintDialog runs the system print dialog on its printer,
// as a child of the form that owns it (see DialogParentWidget); tests answer
// it through ExecuteHook instead.
#pragma once

#include "platform/Components.h"

#include <functional>
#include <memory>

class QPrinter;

namespace platform {

class TPrintDialog : public TComponent {
    RBK_CLASS(TPrintDialog, TComponent)
public:
    explicit TPrintDialog(TComponent *AOwner);
    ~TPrintDialog() override;
    // True when the user confirmed the dialog.
    bool Execute();
    // The printer the dialog set up (also before Execute).
    QPrinter *Printer();
    int Copies() const { return copies_; }
    void SetCopies(int value) { copies_ = value; }

    // When set, Execute returns its answer without showing anything.
    static std::function<bool(TPrintDialog *)> ExecuteHook;

private:
    std::unique_ptr<QPrinter> printer_;
    int copies_ = 1;
};

// Shows a message in a box with the application's title.
void ShowMessage(const AnsiString &message);

} // namespace platform
