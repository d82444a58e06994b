// Menus on Qt actions: TMenuItem (a caption, an Enabled state, an OnClick,
// sub-items) and TMainMenu (the menu bar of a form, TCustomForm::SetMenu).
// A caption "-" makes a separator. Another control can follow an item's
// Enabled state (a tool button linked to the item, ComCtrls.h): the item
// tells every follower when its Enabled state is set.
//
// Pictures: an item of a main menu with an ImageIndex shows that picture of
// the menu's Images beside its caption, at the list's size; while disabled it
// shows the same index of DisabledImages (Qt greys the normal picture when
// there is no disabled list). Items show no picture outside a main menu.
//
// Keys: Alt, and F10 as well, activate the menu bar of the active form.
#pragma once

#include "platform/Components.h"
#include "platform/Controls.h"

#include <QMenuBar>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace platform {

class TImageListPair;
class TCustomImageList;
class TMainMenu;

class TMenuItem : public TComponent {
    RBK_CLASS(TMenuItem, TComponent)
public:
    explicit TMenuItem(TComponent *AOwner);
    ~TMenuItem() override;

    const AnsiString &Caption() const { return caption_; }
    void SetCaption(const AnsiString &value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    bool Checked() const { return checked_; }
    void SetChecked(bool value);
    const AnsiString &Hint() const { return hint_; }
    void SetHint(const AnsiString &value) { hint_ = value; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    bool IsLine() const { return caption_ == "-"; }

    void Add(TMenuItem *item);
    void Insert(int index, TMenuItem *item);
    void Remove(TMenuItem *item);
    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem *Items(int index) const { return items_.at(size_t(index)); }
    TMenuItem *Parent() const { return parent_; }
    // The main menu the item is in (through its parents), or nil.
    virtual TMainMenu *GetParentMenu() const;

    // Fires OnClick (what choosing the item does).
    virtual void Click();
    TNotifyEvent OnClick;

    // Followers of the Enabled state, by key.
    void AddEnabledFollower(const void *key, std::function<void(bool)> follower);
    void RemoveEnabledFollower(const void *key);

    QAction *Action() const { return action_; }

protected:
    friend class TMainMenu;
    // The widget that shows the sub-items (a menu, or the main menu's bar).
    virtual QWidget *subWidget();
    // Sets the pictures of this item and of every item below it.
    void applyImages();

private:
    void applyCaption();
    QAction *action_;
    QMenu *menu_ = nullptr;
    TMenuItem *parent_ = nullptr;
    std::vector<TMenuItem *> items_;
    std::map<const void *, std::function<void(bool)>> followers_;
    AnsiString caption_;
    AnsiString hint_;
    int imageIndex_ = -1;
    bool enabled_ = true;
    bool visible_ = true;
    bool checked_ = false;
};

class TMainMenu : public TComponent {
    RBK_CLASS(TMainMenu, TComponent)
public:
    explicit TMainMenu(TComponent *AOwner);
    ~TMainMenu() override;
    // The top-level items.
    TMenuItem *Items() const { return items_; }
    QMenuBar *MenuBar() const { return bar_.data(); }
    TCustomImageList *Images() const;
    void SetImages(TCustomImageList *value);
    TCustomImageList *DisabledImages() const;
    void SetDisabledImages(TCustomImageList *value);

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    class RootItem;
    void imagesChanged();
    // The bar lives in the form's window once the form shows the menu, and
    // goes with that window.
    QPointer<QMenuBar> bar_;
    TMenuItem *items_;
    std::unique_ptr<TImageListPair> lists_;
};

// Puts the menu bar in its keyboard mode, as a lone Alt does: the first menu
// highlighted, none open; when it already is, leaves it. Nothing for a bar
// that is not shown in a window.
void ActivateMenuBar(QMenuBar *bar);

} // namespace platform
