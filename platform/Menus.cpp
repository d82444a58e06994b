#include "platform/Menus.h"
#include "platform/ImgList.h"

#include <QAction>
#include <QCoreApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QProxyStyle>
#include <QShortcut>
#include <algorithm>

namespace platform {

namespace {

// Qt's styles size the pictures of a menu by the small-icon metric; this
// style answers it with the size of the main menu's image list, so that the
// pictures show at their own size as the tool bar shows them.
class MenuPictureStyle : public QProxyStyle {
public:
    explicit MenuPictureStyle(std::function<int()> extent) : extent_(std::move(extent)) {}

    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        if (metric == PM_SmallIconSize)
            if (const int e = extent_(); e > 0)
                return e;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

private:
    std::function<int()> extent_;
};

} // namespace

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
    // A separator shows no text: Qt's styles would draw "-" as a section title.
    action_->setSeparator(IsLine());
    action_->setText(IsLine() ? QString() : AnsiToQString(caption_));
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

void TMenuItem::SetImageIndex(int value)
{
    imageIndex_ = value;
    applyImages();
}

TMainMenu *TMenuItem::GetParentMenu() const { return parent_ ? parent_->GetParentMenu() : nullptr; }

void TMenuItem::applyImages()
{
    QIcon icon;
    const TMainMenu *menu = GetParentMenu();
    if (menu && menu->Images() && imageIndex_ >= 0 && !IsLine()) {
        const QImage normal = menu->Images()->Image(imageIndex_);
        if (!normal.isNull()) {
            icon.addPixmap(QPixmap::fromImage(normal), QIcon::Normal);
            const QImage disabled = menu->DisabledImages() ? menu->DisabledImages()->Image(imageIndex_) : QImage();
            if (!disabled.isNull())
                icon.addPixmap(QPixmap::fromImage(disabled), QIcon::Disabled);
        }
    }
    action_->setIcon(icon);
    for (TMenuItem *child : items_)
        child->applyImages();
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
        auto *style = new MenuPictureStyle([this] {
            const TMainMenu *menu = GetParentMenu();
            return menu && menu->Images() ? menu->Images()->Height() : 0;
        });
        style->setParent(menu_);
        menu_->setStyle(style);
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
    item->applyImages();
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
    item->applyImages();
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
    RootItem(TMainMenu *menu, QMenuBar *bar) : TMenuItem(nullptr), menu_(menu), bar_(bar) {}
    TMainMenu *GetParentMenu() const override { return menu_; }
    void imagesChanged() { applyImages(); }

protected:
    QWidget *subWidget() override { return bar_.data(); }

private:
    TMainMenu *menu_;
    QPointer<QMenuBar> bar_;
};

TMainMenu::TMainMenu(TComponent *AOwner)
    : TComponent(AOwner), lists_(std::make_unique<TImageListPair>(this, [this] { imagesChanged(); }))
{
    bar_ = new QMenuBar();
    items_ = new RootItem(this, bar_);
    // F10 activates the menu bar as Alt does: the first menu is highlighted
    // for the keyboard, no menu opens yet; F10 again leaves it. The shortcut
    // works while the bar is in an active form's window.
    auto *f10 = new QShortcut(QKeySequence(Qt::Key_F10), bar_, nullptr, nullptr, Qt::WindowShortcut);
    QObject::connect(f10, &QShortcut::activated, bar_, [bar = bar_] {
        if (bar)
            ActivateMenuBar(bar);
    });
}

void ActivateMenuBar(QMenuBar *bar)
{
    // Qt's menu bar enters its keyboard mode on a lone Alt (pressed and let
    // go with nothing between), which it watches for on its window: the
    // window gets that Alt (its shortcut check, press and release).
    QWidget *window = bar->parentWidget();
    if (window == nullptr || !bar->isVisible())
        return;
    QKeyEvent check(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::AltModifier);
    QCoreApplication::sendEvent(window, &check);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
    QCoreApplication::sendEvent(window, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &release);
}

TCustomImageList *TMainMenu::Images() const { return lists_->Images(); }

TCustomImageList *TMainMenu::DisabledImages() const { return lists_->DisabledImages(); }

void TMainMenu::imagesChanged() { static_cast<RootItem *>(items_)->imagesChanged(); }

void TMainMenu::SetImages(TCustomImageList *value) { lists_->SetImages(value); }

void TMainMenu::SetDisabledImages(TCustomImageList *value) { lists_->SetDisabledImages(value); }

void TMainMenu::Notification(TComponent *AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    lists_->Notification(AComponent, Operation);
}

TMainMenu::~TMainMenu()
{
    Destroying();
    // Leaving the lists first, the items lose their pictures as they leave.
    lists_->Detach();
    // Items owned by other components stay; they only leave the bar.
    while (items_->Count() > 0)
        items_->Remove(items_->Items(items_->Count() - 1));
    delete items_;
    delete bar_.data();
}

} // namespace platform
