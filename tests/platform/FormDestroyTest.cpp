// A form's OnDestroy: every way of destroying a form on the heap runs it
// once, while the form (of its own class) and its components are whole.
#include "platform/Forms.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace platform;

namespace {

std::vector<std::string> destroyed;

// A form class whose own handler reads its own member, as the program's
// windows do.
class TNamedForm : public TForm {
public:
    TNamedForm(TComponent *AOwner, std::string name) : TForm(AOwner), name_(std::move(name))
    {
        OnDestroy = TNotifyEvent::Bind<&TNamedForm::FormDestroy>(this);
    }
    void FormDestroy(TObject *)
    {
        destroyed.push_back(name_);
    }

private:
    std::string name_;
};

} // namespace

TEST(FormDestroy, EveryWayOfDestroyingRunsOnDestroyOnceOnTheWholeForm)
{
    destroyed.clear();
    delete new TNamedForm(nullptr, "delete");
    { std::unique_ptr<TNamedForm> owned(new TNamedForm(nullptr, "unique_ptr")); }
    (new TNamedForm(nullptr, "Free"))->Free();
    {
        TComponent owner(nullptr);
        new TNamedForm(&owner, "owner");
    }
    (new TNamedForm(nullptr, "Release"))->Release();
    QCoreApplication::processEvents();
    EXPECT_EQ(destroyed, (std::vector<std::string>{"delete", "unique_ptr", "Free", "owner", "Release"}));

    // A form class that runs DoDestroy itself is not told again.
    struct TSelfDestroying : TNamedForm {
        TSelfDestroying() : TNamedForm(nullptr, "self") {}
        ~TSelfDestroying() override { DoDestroy(); }
    };
    destroyed.clear();
    TSelfDestroying *self = new TSelfDestroying;
    self->Free();
    EXPECT_EQ(destroyed, std::vector<std::string>{"self"});
}
