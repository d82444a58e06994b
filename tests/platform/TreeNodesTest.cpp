// Tree nodes keep their absolute order (depth first, a parent before its
// children) while nodes are appended anywhere, deleted and looked up in any
// interleaving; checked against a plain model tree walked the literal way.
#include "platform/ComCtrls.h"
#include "platform/Forms.h"

#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
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
