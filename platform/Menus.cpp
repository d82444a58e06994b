#include "platform/Menus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

namespace platform {

TMenuItem::TMenuItem(TComponent *AOwner) : TComponent(AOwner)
{
    action_ = new QAction();
    QObject::connect(action_, &QAction::triggered, action_, [this](bool) { SafeCall([this] { Click(); }); });
}

TMenuItem::~TMenuItem()
{
    Destroying();
    if (parent_)
        parent_->Remove(this);
    for (TMenuItem *child : items_)
        child->parent_ = nullptr;
    QObject::disconnect(action_, nullptr, nullptr, nullptr);
    delete action_;
    delete menu_;
}

void TMenuItem::applyCaption()
{
    action_->setSeparator(IsLine());
    action_->setText(AnsiToQString(caption_));
}

void TMenuItem::SetCaption(const AnsiString &value)
{
    caption_ = value;
    applyCaption();
}

void TMenuItem::SetEnabled(bool value)
{
    enabled_ = value;
    action_->setEnabled(value);
    auto followers = followers_;
    for (auto &f : followers)
        f.second(value);
}

void TMenuItem::SetVisible(bool value)
{
    visible_ = value;
    action_->setVisible(value);
}

void TMenuItem::SetChecked(bool value)
{
    checked_ = value;
    action_->setCheckable(value);
    action_->setChecked(value);
}

QWidget *TMenuItem::subWidget()
{
    if (!menu_) {
        menu_ = new QMenu();
        action_->setMenu(menu_);
    }
    return menu_;
}

void TMenuItem::Add(TMenuItem *item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem *item)
{
    if (!item)
        return;
    if (item->parent_)
        item->parent_->Remove(item);
    index = std::clamp(index, 0, Count());
    QWidget *w = subWidget();
    if (!w)
        return;
    QAction *before = index < Count() ? items_[size_t(index)]->action_ : nullptr;
    w->insertAction(before, item->action_);
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem *item)
{
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end())
        return;
    items_.erase(it);
    item->parent_ = nullptr;
    if (QWidget *w = subWidget())
        w->removeAction(item->action_);
}

void TMenuItem::Click()
{
    if (OnClick)
        OnClick(this);
}

void TMenuItem::AddEnabledFollower(const void *key, std::function<void(bool)> follower)
{
    followers_[key] = std::move(follower);
}

void TMenuItem::RemoveEnabledFollower(const void *key) { followers_.erase(key); }

// The root item of a main menu shows its items in the menu bar.
class TMainMenu::RootItem : public TMenuItem {
public:
    RootItem(QMenuBar *bar) : TMenuItem(nullptr), bar_(bar) {}

protected:
    QWidget *subWidget() override { return bar_.data(); }

private:
    QPointer<QMenuBar> bar_;
};

TMainMenu::TMainMenu(TComponent *AOwner) : TComponent(AOwner)
{
    bar_ = new QMenuBar();
    items_ = new RootItem(bar_);
}

TMainMenu::~TMainMenu()
{
    Destroying();
    // Items owned by other components stay; they only leave the bar.
    while (items_->Count() > 0)
        items_->Remove(items_->Items(items_->Count() - 1));
    delete items_;
    delete bar_.data();
}

} // namespace platform
