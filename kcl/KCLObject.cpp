#include "kcl/KCLObject.h"

TKCLObject::TKCLObject(TPersistent *AOwner) : owner_(AOwner) {}

void TKCLObject::BeginUpdate() { updateState_ = 1; }

void TKCLObject::EndUpdate(bool DoChange)
{
    updateState_ = 0;
    if (DoChange)
        Change();
}

AnsiString TKCLObject::GetStatusText() { return AnsiString(); }

void TKCLObject::Change()
{
    if (updateState_ != 1 && OnChange.Assigned())
        OnChange(this);
}

void TKCLObject::Changed(TObject *) { Change(); }
