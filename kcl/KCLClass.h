// The one-instance rule for components that must sit once on a form, and
// its error.
#pragma once

#include "platform/Components.h"

#include <cstdint>

using platform::AnsiString;
using platform::TClass;
using platform::TComponent;

class EKCLOneInstError : public platform::Exception {
public:
    using platform::Exception::Exception;
    // Mode 0: "<Name>:\r" + the invalid-owner text; mode 1: "<Name>:\rAlready
    // one <Name> control in this project!"; any other mode: empty.
    static EKCLOneInstError CreateMsg(const AnsiString &Name, uint8_t Mode);
    static AnsiString MessageFor(const AnsiString &Name, uint8_t Mode);
};

// True when the placement is wrong: Owner is no form (nor, when allowed, a
// data module; a nil owner is neither), or Owner holds more than one instance
// of AClass or its descendants.
bool KCLCheckOneInstance(TComponent *Owner, TClass AClass, bool AllowDataModule);
