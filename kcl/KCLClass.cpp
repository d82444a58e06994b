#include "kcl/KCLClass.h"

#include "kcl/KCLRTLConst.h"
#include "platform/Forms.h"

AnsiString EKCLOneInstError::MessageFor(const AnsiString &Name, uint8_t Mode)
{
    switch (Mode) {
    case 0:
        return Name + ":\r" + SKCLOneInstError;
    case 1:
        return Name + ":\r" + SKCLAlreadyOne + Name + SKCLAlreadyOneTail;
    default:
        return AnsiString();
    }
}

EKCLOneInstError EKCLOneInstError::CreateMsg(const AnsiString &Name, uint8_t Mode)
{
    return EKCLOneInstError(MessageFor(Name, Mode));
}

bool KCLCheckOneInstance(TComponent *Owner, TClass AClass, bool AllowDataModule)
{
    const bool isForm = Owner != nullptr && Owner->InheritsFrom(platform::TForm::StaticClass());
    if (!isForm) {
        if (!AllowDataModule || Owner == nullptr || !Owner->InheritsFrom(platform::TDataModule::StaticClass()))
            return true;
    }
    if (AClass == nullptr)
        return false;
    int count = 0;
    for (int i = 0; i < Owner->ComponentCount(); ++i)
        if (Owner->Components(i)->InheritsFrom(AClass) && ++count > 1)
            return true;
    return false;
}
