#include "platform/ComCtrls.h"
#include "platform/Forms.h"
#include "platform/ImgList.h"
#include "platform/Menus.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QHelpEvent>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>
#include <algorithm>

namespace platform {

// ------------------------------------------------------------------- nodes

namespace {
// The widget item of a node points back at its node: no per-item data list
// to allocate and look through.
constexpr int kNodeItemType = QTreeWidgetItem::UserType + 1;

class NodeItem : public QTreeWidgetItem {
public:
    NodeItem(TTreeNode *node, const QString &text) : QTreeWidgetItem(kNodeItemType), node_(node) { setText(0, text); }
    TTreeNode *const node_;
};
} // namespace

void TTreeNode::SetText(const AnsiString &value)
{
    text_ = value;
    if (item_)
        item_->setText(0, AnsiToQString(value));
}

int TTreeNode::Level() const
{
    return level_;
}

int TTreeNode::Index() const
{
    const auto &sib = parent_ ? parent_->children_ : owner_->top_;
    return int(std::find(sib.begin(), sib.end(), this) - sib.begin());
}

int TTreeNode::AbsoluteIndex() const
{
    owner_->rebuildOrder();
    const auto &o = owner_->order_;
    return int(std::find(o.begin(), o.end(), this) - o.begin());
}

TTreeNode *TTreeNode::GetNextSibling() const
{
    const auto &sib = parent_ ? parent_->children_ : owner_->top_;
    const int i = Index();
    return i + 1 < int(sib.size()) ? sib[size_t(i + 1)] : nullptr;
}

TTreeNode *TTreeNode::GetNext() const
{
    if (!children_.empty())
        return children_.front();
    for (const TTreeNode *n = this; n; n = n->parent_)
        if (TTreeNode *s = n->GetNextSibling())
            return s;
    return nullptr;
}

bool TTreeNode::Expanded() const { return item_ && item_->isExpanded(); }
void TTreeNode::SetExpanded(bool value)
{
    if (item_)
        item_->setExpanded(value);
}

void TTreeNode::Expand(bool recurse)
{
    SetExpanded(true);
    if (recurse)
        for (TTreeNode *c : children_)
            c->Expand(true);
}

void TTreeNode::Collapse(bool recurse)
{
    SetExpanded(false);
    if (recurse)
        for (TTreeNode *c : children_)
            c->Collapse(true);
}

bool TTreeNode::Selected() const { return owner_->view_->Selected() == this; }

void TTreeNode::SetSelected(bool value)
{
    if (value)
        owner_->view_->SetSelected(this);
    else if (Selected())
        owner_->view_->SetSelected(nullptr);
}

void TTreeNode::MakeVisible()
{
    if (item_)
        owner_->view_->Tree()->scrollToItem(item_);
}

TTreeNodes::TTreeNodes(TTreeView *view) : view_(view) {}

TTreeNodes::~TTreeNodes()
{
    for (TTreeNode *n : all_)
        delete n;
}

void TTreeNodes::rebuildOrder() const
{
    if (!dirty_ && order_.size() == all_.size())
        return;
    order_.clear();
    order_.reserve(all_.size());
    std::vector<TTreeNode *> stack(top_.rbegin(), top_.rend());
    while (!stack.empty()) {
        TTreeNode *n = stack.back();
        stack.pop_back();
        order_.push_back(n);
        for (auto it = n->children_.rbegin(); it != n->children_.rend(); ++it)
            stack.push_back(*it);
    }
    dirty_ = false;
}

TTreeNode *TTreeNodes::Item(int index) const
{
    rebuildOrder();
    return index >= 0 && index < int(order_.size()) ? order_[size_t(index)] : nullptr;
}

TTreeNode *TTreeNodes::AddChildObject(TTreeNode *parent, const AnsiString &text, intptr_t data)
{
    auto *n = new TTreeNode();
    n->owner_ = this;
    n->parent_ = parent;
    n->text_ = text;
    n->data_ = data;
    n->item_ = new NodeItem(n, AnsiToQString(text));
    if (parent) {
        n->level_ = parent->level_ + 1;
        parent->children_.push_back(n);
        parent->item_->addChild(n->item_);
    } else {
        top_.push_back(n);
        view_->Tree()->addTopLevelItem(n->item_);
    }
    // A node lands at the very end of the absolute order exactly when its
    // parent lies on the path to the last node (or it is a top-level node);
    // then the order stays valid and the path ends in the new node. Any other
    // node goes in the middle: the order is rebuilt when next asked for and
    // the path to the last node stays as it was.
    const bool atEnd = !parent || (size_t(parent->level_) < lastPath_.size() &&
                                   lastPath_[size_t(parent->level_)] == parent);
    if (atEnd) {
        lastPath_.resize(size_t(n->level_)); // drops pointers only: no walk
        lastPath_.push_back(n);
    }
    all_.push_back(n);
    if (!atEnd)
        dirty_ = true;
    else if (!dirty_)
        order_.push_back(n);
    return n;
}

void TTreeNodes::rebuildLastPath()
{
    lastPath_.clear();
    for (TTreeNode *n = top_.empty() ? nullptr : top_.back(); n;
         n = n->children_.empty() ? nullptr : n->children_.back())
        lastPath_.push_back(n);
}

TTreeNode *TTreeNodes::AddObject(TTreeNode *sibling, const AnsiString &text, intptr_t data)
{
    return AddChildObject(sibling ? sibling->parent_ : nullptr, text, data);
}

void TTreeNodes::forget(TTreeNode *node)
{
    for (TTreeNode *c : node->children_)
        forget(c);
    all_.erase(std::remove(all_.begin(), all_.end(), node), all_.end());
}

void TTreeNodes::Delete(TTreeNode *node)
{
    if (!node)
        return;
    auto &sib = node->parent_ ? node->parent_->children_ : top_;
    sib.erase(std::remove(sib.begin(), sib.end(), node), sib.end());
    forget(node);
    dirty_ = true;
    std::vector<TTreeNode *> doomed{node};
    for (size_t i = 0; i < doomed.size(); ++i)
        for (TTreeNode *c : doomed[i]->children_)
            doomed.push_back(c);
    delete node->item_; // deletes the child items too
    for (TTreeNode *n : doomed)
        delete n;
    rebuildLastPath();
}

void TTreeNodes::Clear()
{
    view_->Tree()->clear();
    for (TTreeNode *n : all_)
        delete n;
    all_.clear();
    top_.clear();
    order_.clear();
    lastPath_.clear();
    dirty_ = false;
}

void TTreeNodes::BeginUpdate()
{
    if (updates_++ == 0)
        view_->Tree()->setUpdatesEnabled(false);
}

void TTreeNodes::EndUpdate()
{
    if (updates_ > 0 && --updates_ == 0)
        view_->Tree()->setUpdatesEnabled(true);
}

TTreeNode *TTreeNodes::NodeOf(const QTreeWidgetItem *item) const
{
    return item && item->type() == kNodeItemType ? static_cast<const NodeItem *>(item)->node_ : nullptr;
}

// --------------------------------------------------------------- tree view

namespace {

// The tree's widget. Its one column is as wide as the view or as the widest
// expanded item, whichever is wider: a name longer than the view scrolls
// sideways instead of being cut short. A name that the view shows only in
// part appears whole as a tool tip under the mouse.
class TreeWidget : public QTreeWidget {
public:
    TreeWidget()
    {
        header()->setStretchLastSection(false);
        header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        // Every expanded item counts, not only the first thousand.
        header()->setResizeContentsPrecision(-1);
        setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    }
    int sizeHintForColumn(int column) const override
    {
        return std::max(QTreeWidget::sizeHintForColumn(column), viewport()->width());
    }

protected:
    bool viewportEvent(QEvent *event) override
    {
        if (event->type() == QEvent::ToolTip) {
            auto *help = static_cast<QHelpEvent *>(event);
            if (QTreeWidgetItem *item = itemAt(help->pos())) {
                const QRect rect = visualItemRect(item);
                QStyleOptionViewItem option;
                initViewItemOption(&option);
                const int needed = itemDelegate()->sizeHint(option, indexFromItem(item)).width();
                if (rect.left() < 0 || rect.left() + needed > viewport()->width()) {
                    QToolTip::showText(help->globalPos(), item->text(0), viewport(), rect);
                    return true;
                }
            }
        }
        return QTreeWidget::viewportEvent(event);
    }
};

} // namespace

TTreeView::TTreeView(TComponent *AOwner) : TWinControl(AOwner)
{
    tree_ = new TreeWidget();
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setIndentation(indent_);
    setWidget(tree_, tree_->viewport());
    tree_->resize(121, 97);
    items_ = std::make_unique<TTreeNodes>(this);
    SetColor(clWindow);
    QObject::connect(tree_, &QTreeWidget::currentItemChanged, tree_, [this](QTreeWidgetItem *cur, QTreeWidgetItem *) {
        if (OnChange)
            SafeCall([&] { OnChange(this, items_->NodeOf(cur)); });
    });
}

TTreeView::~TTreeView()
{
    Destroying();
    QObject::disconnect(tree_, nullptr, nullptr, nullptr);
    items_->Clear();
}

TTreeNode *TTreeView::Selected() const
{
    QTreeWidgetItem *cur = tree_->currentItem();
    return cur && cur->isSelected() ? items_->NodeOf(cur) : nullptr;
}

void TTreeView::SetSelected(TTreeNode *node)
{
    if (node) {
        tree_->setCurrentItem(node->item_);
    } else {
        tree_->clearSelection();
        tree_->setCurrentItem(nullptr);
    }
}

void TTreeView::FullCollapse() { tree_->collapseAll(); }
void TTreeView::FullExpand() { tree_->expandAll(); }

void TTreeView::SetHideSelection(bool value)
{
    hideSelection_ = value;
    QPalette pal = tree_->palette();
    const QPalette app = QApplication::palette();
    if (value) {
        pal.setColor(QPalette::Inactive, QPalette::Highlight, app.color(QPalette::Inactive, QPalette::Highlight));
        pal.setColor(QPalette::Inactive, QPalette::HighlightedText, app.color(QPalette::Inactive, QPalette::HighlightedText));
    } else {
        pal.setColor(QPalette::Inactive, QPalette::Highlight, app.color(QPalette::Active, QPalette::Highlight));
        pal.setColor(QPalette::Inactive, QPalette::HighlightedText, app.color(QPalette::Active, QPalette::HighlightedText));
    }
    tree_->setPalette(pal);
}

void TTreeView::SetIndent(int value)
{
    indent_ = value;
    tree_->setIndentation(value);
}

TTreeNode *TTreeView::GetNodeAt(int x, int y) const { return items_->NodeOf(tree_->itemAt(x, y)); }

void TTreeView::colorChanged()
{
    QPalette pal = tree_->palette();
    pal.setColor(QPalette::Base, TColorToQColor(Color()));
    tree_->setPalette(pal);
}

// ------------------------------------------------------------- tool button

TToolButton::TToolButton(TComponent *AOwner) : TControl(AOwner)
{
    button_ = new QToolButton();
    button_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    setWidget(button_);
    button_->resize(23, 22);
    QObject::connect(button_, &QToolButton::clicked, button_, [this] { SafeCall([this] { Click(); }); });
}

TToolButton::~TToolButton()
{
    Destroying();
    if (menuItem_)
        menuItem_->RemoveEnabledFollower(this);
}

void TToolButton::SetParent(TWinControl *AParent)
{
    TControl::SetParent(AParent);
    if (auto *bar = dynamic_cast<TToolBar *>(AParent))
        button_->setAutoRaise(bar->Flat());
    UpdateImage();
}

void TToolButton::SetImageIndex(int value)
{
    imageIndex_ = value;
    UpdateImage();
}

void TToolButton::SetStyle(TToolButtonStyle value)
{
    style_ = value;
    if (IsSeparator()) {
        button_->setEnabled(false);
        button_->setAutoRaise(true);
        SetWidth(8);
    }
    button_->setCheckable(value == TToolButtonStyle::tbsCheck);
    UpdateImage();
    requestParentAlign();
}

void TToolButton::UpdateImage()
{
    auto *bar = dynamic_cast<TToolBar *>(Parent());
    if (IsSeparator() || !bar || !bar->Images() || imageIndex_ < 0) {
        button_->setIcon(QIcon());
        return;
    }
    QIcon icon;
    const QImage normal = bar->Images()->Image(imageIndex_);
    if (!normal.isNull())
        icon.addPixmap(QPixmap::fromImage(normal), QIcon::Normal);
    const QImage disabled = bar->DisabledImages() ? bar->DisabledImages()->Image(imageIndex_) : QImage();
    if (!disabled.isNull())
        icon.addPixmap(QPixmap::fromImage(disabled), QIcon::Disabled);
    button_->setIcon(icon);
    button_->setIconSize(QSize(bar->Images()->Width(), bar->Images()->Height()));
}

void TToolButton::followItem(bool enabled)
{
    following_ = true;
    TControl::SetEnabled(enabled);
    following_ = false;
}

void TToolButton::SetMenuItem(TMenuItem *item)
{
    if (menuItem_)
        menuItem_->RemoveEnabledFollower(this);
    menuItem_ = item;
    if (item) {
        item->FreeNotification(this);
        item->AddEnabledFollower(this, [this](bool e) { followItem(e); });
        followItem(item->Enabled());
    }
}

void TToolButton::SetEnabled(bool value)
{
    TControl::SetEnabled(value);
    if (menuItem_ && !following_ && menuItem_->Enabled() != value)
        menuItem_->SetEnabled(value);
}

void TToolButton::Click()
{
    if (!OnClick && menuItem_)
        menuItem_->Click();
    else
        TControl::Click();
}

void TToolButton::Notification(TComponent *AComponent, TOperation Operation)
{
    TControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == menuItem_)
        menuItem_ = nullptr;
}

// ---------------------------------------------------------------- tool bar

TToolBar::TToolBar(TComponent *AOwner)
    : TWinControl(AOwner), lists_(std::make_unique<TImageListPair>(this, [this] { imagesChanged(); }))
{
    auto *w = new QWidget();
    setWidget(w);
    w->resize(150, 29);
    SetAlign(alTop);
}

// The change links unregister themselves from lists that are still there.
TToolBar::~TToolBar() { Destroying(); }

TCustomImageList *TToolBar::Images() const { return lists_->Images(); }

TCustomImageList *TToolBar::DisabledImages() const { return lists_->DisabledImages(); }

void TToolBar::imagesChanged()
{
    for (int i = 0; i < ControlCount(); ++i)
        if (auto *b = dynamic_cast<TToolButton *>(Controls(i)))
            b->UpdateImage();
}

void TToolBar::SetImages(TCustomImageList *value) { lists_->SetImages(value); }

void TToolBar::SetDisabledImages(TCustomImageList *value) { lists_->SetDisabledImages(value); }

void TToolBar::Notification(TComponent *AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    lists_->Notification(AComponent, Operation);
}

void TToolBar::SetButtonWidth(int value) { buttonWidth_ = value; Realign(); }
void TToolBar::SetButtonHeight(int value) { buttonHeight_ = value; Realign(); }

void TToolBar::SetFlat(bool value)
{
    flat_ = value;
    for (int i = 0; i < ControlCount(); ++i)
        if (auto *b = dynamic_cast<QToolButton *>(Controls(i)->Widget()))
            b->setAutoRaise(value);
}

int TToolBar::ButtonCount() const
{
    int n = 0;
    for (int i = 0; i < ControlCount(); ++i)
        n += dynamic_cast<TToolButton *>(Controls(i)) != nullptr;
    return n;
}

TToolButton *TToolBar::Buttons(int index) const
{
    for (int i = 0; i < ControlCount(); ++i)
        if (auto *b = dynamic_cast<TToolButton *>(Controls(i)))
            if (index-- == 0)
                return b;
    return nullptr;
}

void TToolBar::AlignControls(TRect &rect)
{
    int x = rect.Left;
    for (int i = 0; i < ControlCount(); ++i) {
        TControl *c = Controls(i);
        if (!c->Visible())
            continue;
        auto *b = dynamic_cast<TToolButton *>(c);
        const int w = b && b->IsSeparator() ? c->Width() : buttonWidth_;
        c->Widget()->setGeometry(x, rect.Top, w, buttonHeight_);
        x += w;
    }
}

// -------------------------------------------------------------- status bar

TStatusBar::TStatusBar(TComponent *AOwner) : TWinControl(AOwner)
{
    label_ = new QLabel();
    label_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label_->setTextFormat(Qt::PlainText);
    label_->setIndent(2);
    setWidget(label_);
    label_->resize(150, 19);
    SetAlign(alBottom);
}

TStatusBar::~TStatusBar()
{
    Destroying();
    Application->RemoveHintSink(this);
}

void TStatusBar::SetSimpleText(const AnsiString &value)
{
    simpleText_ = value;
    label_->setText(AnsiToQString(value));
}

void TStatusBar::SetAutoHint(bool value)
{
    autoHint_ = value;
    if (value)
        Application->AddHintSink(this, [this](const AnsiString &hint) { SetSimpleText(hint); });
    else
        Application->RemoveHintSink(this);
}

} // namespace platform
