// Tree view, tool bar with tool buttons, status bar.
//
// TTreeView / TTreeNodes: nodes carry a text and a data slot (an integer);
// AddChildObject appends a node as the last child of its parent (or at the
// end of the top level for a nil parent). Items.Item(i) / Items.Count walk
// the tree in absolute order: depth first, a parent before its children,
// collapsed branches included. OnClick fires when the mouse button is
// released over the tree (the node under it is selected on the press);
// OnChange fires when the selected node changes by any means, SetSelected
// included. Labels are read-only; with
// HideSelection false the selection keeps its colour without the focus.
//
// TToolBar lays its buttons out from the left in the order they were added:
// ButtonWidth x ButtonHeight each, separators as wide as their Width. A
// tool button shows Images[ImageIndex] (DisabledImages[ImageIndex] while
// disabled), its short hint as tool tip and its long hint in the
// application's hint. A button linked to a menu item (SetMenuItem) runs the
// item's OnClick when it has no OnClick of its own and follows the item's
// Enabled state; setting the button's Enabled sets the item's too.
//
// TStatusBar with SimplePanel shows SimpleText; with AutoHint it shows the
// application's hint (the long part of the hint under the mouse).
#pragma once

#include "platform/Controls.h"

#include <memory>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;
class QToolButton;
class QLabel;

namespace platform {

class TImageListPair;
class TCustomImageList;
class TMenuItem;
class TTreeView;
class TTreeNodes;

class TTreeNode {
public:
    const AnsiString &Text() const { return text_; }
    void SetText(const AnsiString &value);
    intptr_t Data() const { return data_; }
    void SetData(intptr_t value) { data_ = value; }
    TTreeNode *Parent() const { return parent_; }
    int Level() const;
    int Count() const { return static_cast<int>(children_.size()); }
    TTreeNode *Item(int index) const { return children_.at(size_t(index)); }
    bool HasChildren() const { return !children_.empty(); }
    int Index() const;
    int AbsoluteIndex() const;
    TTreeNode *GetFirstChild() const { return children_.empty() ? nullptr : children_.front(); }
    TTreeNode *GetNextSibling() const;
    // The next node in absolute order (nil after the last).
    TTreeNode *GetNext() const;
    bool Expanded() const;
    void SetExpanded(bool value);
    void Expand(bool recurse);
    void Collapse(bool recurse);
    bool Selected() const;
    void SetSelected(bool value);
    void MakeVisible();
    TTreeNodes *Owner() const { return owner_; }

private:
    friend class TTreeNodes;
    friend class TTreeView;
    TTreeNodes *owner_ = nullptr;
    TTreeNode *parent_ = nullptr;
    std::vector<TTreeNode *> children_;
    QTreeWidgetItem *item_ = nullptr;
    AnsiString text_;
    intptr_t data_ = 0;
    int level_ = 0; // 0 for a top-level node
};

class TTreeNodes {
public:
    explicit TTreeNodes(TTreeView *view);
    ~TTreeNodes();
    int Count() const { return static_cast<int>(all_.size()); }
    // The node at an absolute index (nil outside).
    TTreeNode *Item(int index) const;
    TTreeNode *operator[](int index) const { return Item(index); }
    TTreeNode *GetFirstNode() const { return top_.empty() ? nullptr : top_.front(); }
    TTreeNode *AddChild(TTreeNode *parent, const AnsiString &text) { return AddChildObject(parent, text, 0); }
    TTreeNode *AddChildObject(TTreeNode *parent, const AnsiString &text, intptr_t data);
    // A node at the end of the sibling's level.
    TTreeNode *Add(TTreeNode *sibling, const AnsiString &text) { return AddObject(sibling, text, 0); }
    TTreeNode *AddObject(TTreeNode *sibling, const AnsiString &text, intptr_t data);
    void Delete(TTreeNode *node);
    void Clear();
    void BeginUpdate();
    void EndUpdate();
    TTreeView *Owner() const { return view_; }
    TTreeNode *NodeOf(const QTreeWidgetItem *item) const;

private:
    friend class TTreeNode;
    void rebuildOrder() const;
    void forget(TTreeNode *node);
    void rebuildLastPath();
    TTreeView *view_;
    std::vector<TTreeNode *> top_;
    std::vector<TTreeNode *> all_; // every node, absolute order when !dirty_
    mutable std::vector<TTreeNode *> order_;
    mutable bool dirty_ = false;
    // The path from a top-level node down to the last node in absolute order
    // (each time the last child), indexed by level: a new child of a node on
    // it is appended at the end of the absolute order.
    std::vector<TTreeNode *> lastPath_;
    int updates_ = 0;
};

using TTVChangedEvent = TMethod<void(TObject *Sender, TTreeNode *Node)>;

class TTreeView : public TWinControl {
    RBK_CLASS(TTreeView, TWinControl)
public:
    explicit TTreeView(TComponent *AOwner);
    ~TTreeView() override;
    TTreeNodes &Items() { return *items_; }
    TTreeNode *Selected() const;
    void SetSelected(TTreeNode *node);
    void FullCollapse();
    void FullExpand();
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);
    int Indent() const { return indent_; }
    void SetIndent(int value);
    // The node at a client point, or nil.
    TTreeNode *GetNodeAt(int x, int y) const;
    QTreeWidget *Tree() const { return tree_; }

    TTVChangedEvent OnChange;

protected:
    void colorChanged() override;

private:
    QTreeWidget *tree_;
    std::unique_ptr<TTreeNodes> items_;
    bool readOnly_ = false;
    bool hideSelection_ = true;
    int indent_ = 19;
};

class TToolBar;

enum class TToolButtonStyle : uint8_t { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

class TToolButton : public TControl {
    RBK_CLASS(TToolButton, TControl)
public:
    explicit TToolButton(TComponent *AOwner);
    ~TToolButton() override;
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    TToolButtonStyle Style() const { return style_; }
    void SetStyle(TToolButtonStyle value);
    TMenuItem *MenuItem() const { return menuItem_; }
    void SetMenuItem(TMenuItem *item);
    void SetEnabled(bool value) override;
    void SetParent(TWinControl *AParent) override;
    void Click() override;
    bool IsSeparator() const { return style_ == TToolButtonStyle::tbsSeparator || style_ == TToolButtonStyle::tbsDivider; }
    void UpdateImage();

protected:
    bool clicksOnMouseUp() const override { return false; }
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    void followItem(bool enabled);
    QToolButton *button_;
    TMenuItem *menuItem_ = nullptr;
    int imageIndex_ = -1;
    TToolButtonStyle style_ = TToolButtonStyle::tbsButton;
    bool following_ = false;
};

class TToolBar : public TWinControl {
    RBK_CLASS(TToolBar, TWinControl)
public:
    explicit TToolBar(TComponent *AOwner);
    ~TToolBar() override;
    TCustomImageList *Images() const;
    void SetImages(TCustomImageList *value);
    TCustomImageList *DisabledImages() const;
    void SetDisabledImages(TCustomImageList *value);
    int ButtonWidth() const { return buttonWidth_; }
    void SetButtonWidth(int value);
    int ButtonHeight() const { return buttonHeight_; }
    void SetButtonHeight(int value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    int ButtonCount() const;
    TToolButton *Buttons(int index) const;

protected:
    void AlignControls(TRect &rect) override;
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    void imagesChanged();
    std::unique_ptr<TImageListPair> lists_;
    int buttonWidth_ = 23;
    int buttonHeight_ = 22;
    bool flat_ = false;
};

class TStatusBar : public TWinControl {
    RBK_CLASS(TStatusBar, TWinControl)
public:
    explicit TStatusBar(TComponent *AOwner);
    ~TStatusBar() override;
    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool value) { simplePanel_ = value; }
    const AnsiString &SimpleText() const { return simpleText_; }
    void SetSimpleText(const AnsiString &value);
    bool AutoHint() const { return autoHint_; }
    void SetAutoHint(bool value);

private:
    QLabel *label_;
    AnsiString simpleText_;
    bool simplePanel_ = false;
    bool autoHint_ = false;
};

} // namespace platform
