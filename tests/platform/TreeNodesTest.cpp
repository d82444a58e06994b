// Tree nodes keep their absolute order (depth first, a parent before its
// children) while nodes are appended anywhere, deleted and looked up in any
// interleaving; checked against a plain model tree walked the literal way.
#include "platform/ComCtrls.h"
#include "platform/Forms.h"

#include <QApplication>
#include <QHelpEvent>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>

using namespace platform;

namespace {

// The model: parent and children of each node by id; the absolute order is a
// depth-first walk from the top-level nodes.
struct Model {
    std::vector<int> parent;
    std::vector<std::vector<int>> children;
    std::vector<int> top;
    std::vector<bool> alive;

    int Add(int parentId)
    {
        const int id = int(parent.size());
        parent.push_back(parentId);
        children.emplace_back();
        alive.push_back(true);
        (parentId < 0 ? top : children[size_t(parentId)]).push_back(id);
        return id;
    }
    void Delete(int id)
    {
        auto &sib = parent[size_t(id)] < 0 ? top : children[size_t(parent[size_t(id)])];
        sib.erase(std::find(sib.begin(), sib.end(), id));
        std::function<void(int)> kill = [&](int n) {
            alive[size_t(n)] = false;
            for (int c : children[size_t(n)])
                kill(c);
        };
        kill(id);
    }
    std::vector<int> Order() const
    {
        std::vector<int> out;
        std::function<void(int)> walk = [&](int n) {
            out.push_back(n);
            for (int c : children[size_t(n)])
                walk(c);
        };
        for (int t : top)
            walk(t);
        return out;
    }
    int Level(int id) const
    {
        int l = 0;
        for (int p = parent[size_t(id)]; p >= 0; p = parent[size_t(p)])
            ++l;
        return l;
    }
};

// The nodes' absolute order, levels and the view's own items against the model.
void ExpectSame(TTreeView &tree, const Model &model)
{
    TTreeNodes &items = tree.Items();
    const std::vector<int> order = model.Order();
    ASSERT_EQ(items.Count(), int(order.size()));
    for (size_t i = 0; i < order.size(); ++i) {
        TTreeNode *n = items.Item(int(i));
        ASSERT_NE(n, nullptr);
        ASSERT_EQ(n->Data(), order[i]) << "at " << i;
        EXPECT_EQ(n->Level(), model.Level(order[i]));
        EXPECT_EQ(n->GetNext(), i + 1 < order.size() ? items.Item(int(i + 1)) : nullptr);
    }
    // The widget's items, depth first, are the same nodes.
    std::vector<int> shown;
    std::function<void(QTreeWidgetItem *)> walk = [&](QTreeWidgetItem *item) {
        shown.push_back(int(items.NodeOf(item)->Data()));
        for (int c = 0; c < item->childCount(); ++c)
            walk(item->child(c));
    };
    for (int t = 0; t < tree.Tree()->topLevelItemCount(); ++t)
        walk(tree.Tree()->topLevelItem(t));
    EXPECT_EQ(shown, order);
}

class TreeNodesTest : public ::testing::Test {
protected:
    TForm *form = new TForm(nullptr);
    TTreeView *tree = new TTreeView(form);
    std::vector<TTreeNode *> nodes; // by model id
    Model model;
    void TearDown() override { delete form; }
    TTreeNode *Add(int parentId)
    {
        const int id = model.Add(parentId);
        nodes.push_back(tree->Items().AddChildObject(parentId < 0 ? nullptr : nodes[size_t(parentId)],
                                                     "n" + std::to_string(id), id));
        return nodes.back();
    }
};

} // namespace

TEST_F(TreeNodesTest, ChildOfALastNodeAfterTheOrderWasReadGoesInTheMiddle)
{
    Add(-1);   // 0 A
    Add(0);    // 1 A/B
    Add(-1);   // 2 C
    Add(0);    // 3 A/D, before C
    ASSERT_EQ(tree->Items().Item(3), nodes[2]); // the order is read here
    Add(3);    // 4 A/D/E: after D, still before C
    Add(4);    // 5 A/D/E/F
    ExpectSame(*tree, model);
    Add(2);    // 6 C/G: at the end
    ExpectSame(*tree, model);
    EXPECT_EQ(nodes[6]->AbsoluteIndex(), 6);
    EXPECT_EQ(nodes[2]->AbsoluteIndex(), 5);
}

TEST_F(TreeNodesTest, DeletingTheLastBranchLetsItsParentTakeNewLastChildren)
{
    Add(-1);   // 0
    Add(0);    // 1
    Add(1);    // 2
    Add(0);    // 3
    Add(3);    // 4
    tree->Items().Delete(nodes[3]);
    model.Delete(3);
    Add(1);    // 5: now the last node in order
    Add(5);    // 6
    Add(0);    // 7
    ExpectSame(*tree, model);
    tree->Items().Clear();
    model = Model{};
    nodes.clear();
    Add(-1);
    Add(0);
    ExpectSame(*tree, model);
}

TEST_F(TreeNodesTest, RandomAppendsDeletesAndLookUpsInAnyInterleaving)
{
    std::mt19937 rng(20261207);
    for (int step = 0; step < 3000; ++step) {
        const int roll = int(rng() % 100);
        std::vector<int> alive;
        for (int i = 0; i < int(model.alive.size()); ++i)
            if (model.alive[size_t(i)])
                alive.push_back(i);
        if (roll < 8 || alive.empty()) {
            Add(-1);
        } else if (roll < 55) {
            // Below one of the last few nodes: mostly at the end, deep.
            Add(alive[alive.size() - 1 - rng() % std::min<size_t>(alive.size(), 4)]);
        } else if (roll < 93) {
            Add(alive[rng() % alive.size()]);
        } else if (roll < 95 && alive.size() > 10) {
            const int victim = alive[rng() % alive.size()];
            tree->Items().Delete(nodes[size_t(victim)]);
            model.Delete(victim);
        } else {
            // A look-up in between makes the order current again.
            const std::vector<int> order = model.Order();
            const size_t at = rng() % order.size();
            ASSERT_EQ(tree->Items().Item(int(at))->Data(), order[at]) << "step " << step;
        }
        if (step % 500 == 499)
            ExpectSame(*tree, model);
    }
    ExpectSame(*tree, model);
}

TEST_F(TreeNodesTest, DeepChainsKeepTheirOrderAndLevels)
{
    // Two chains 800 deep, then leaves added to both in turn: every add
    // switches between branches.
    int a = Add(-1)->Data(), b = Add(-1)->Data();
    for (int i = 0; i < 800; ++i) {
        a = int(Add(a)->Data());
        b = int(Add(b)->Data());
    }
    for (int i = 0; i < 400; ++i) {
        Add(a);
        Add(b);
    }
    EXPECT_EQ(nodes.back()->Level(), 801);
    ExpectSame(*tree, model);
}

namespace {

// Sends a tool-tip request to the tree at a viewport point.
void AskToolTip(TTreeView &tree, QPoint at)
{
    QWidget *viewport = tree.Tree()->viewport();
    QHelpEvent help(QEvent::ToolTip, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &help);
}

bool ToolTipGone()
{
    return QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 3000);
}

} // namespace

// A name wider than the tree scrolls sideways and shows whole as a tool tip
// while it is cut; names that fit need neither.
TEST(TreeViewWidthTest, LongNamesScrollSidewaysAndShowWholeAsToolTips)
{
    std::unique_ptr<TForm> form(new TForm(nullptr));
    form->SetBounds(0, 0, 300, 300);
    auto *tree = new TTreeView(form.get());
    tree->SetParent(form.get());
    tree->SetBounds(0, 0, 200, 200);
    const char *longName = "Sekcja G - Handel hurtowy i detaliczny; naprawa pojazdów samochodowych, włączając motocykle";
    tree->Items().AddChild(nullptr, "Sekcja A");
    TTreeNode *branch = tree->Items().AddChild(nullptr, "Sekcja G");
    tree->Items().AddChild(branch, QStringToAnsi(QString::fromUtf8(longName)));
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));
    QTreeWidget *view = tree->Tree();
    QScrollBar *bar = view->horizontalScrollBar();
    QTreeWidgetItem *longItem = view->topLevelItem(1)->child(0);
    auto settle = [] { QTest::qWait(20); };
    settle();
    // Collapsed, the long name is not shown: no bar, the column as wide as
    // the view (a selected item is highlighted across it).
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(view->columnWidth(0), view->viewport()->width());

    branch->Expand(false);
    settle();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_GT(bar->maximum(), 0);
    const int textWidth = view->fontMetrics().horizontalAdvance(QString::fromUtf8(longName));
    const QRect longRect = view->visualItemRect(longItem);
    EXPECT_GE(longRect.width(), textWidth) << "the name is not cut short";
    EXPECT_GT(longRect.right(), view->viewport()->width());
    // Scrolled to its end, the whole of the name's end is in view.
    bar->setValue(bar->maximum());
    EXPECT_LE(view->visualItemRect(longItem).right(), view->viewport()->width());
    bar->setValue(0);

    // The cut name as a tool tip; nothing over a name that fits.
    AskToolTip(*tree, longRect.center());
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QString::fromUtf8(longName));
    AskToolTip(*tree, view->visualItemRect(view->topLevelItem(0)).center());
    EXPECT_TRUE(ToolTipGone());

    // Collapsing it again takes the bar away; a wider tree needs none either.
    branch->Collapse(false);
    settle();
    EXPECT_FALSE(bar->isVisible());
    branch->Expand(false);
    tree->SetWidth(textWidth + 200);
    settle();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(view->columnWidth(0), view->viewport()->width());
    AskToolTip(*tree, view->visualItemRect(longItem).center());
    EXPECT_TRUE(ToolTipGone()) << "a name shown whole has no tool tip";
}
