// The navigation tree of generated deep catalogues against the literal way of
// building it: every shown record, in order, hangs below the first tree node
// (in absolute order) of the first record whose signature and link match its
// parent, found by scanning the records and the nodes from the start.
#include "browser/TaxonarMainCode.h"
#include "browser/TaxonarTypeCode.h"
#include "platform/ComCtrls.h"
#include "platform/Forms.h"
#include "platform/SysUtils.h"

#include "TestSupport.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <functional>

using namespace taxonar;
using platform::AnsiString;
using platform::TTreeNode;
using testsupport::TempFolder;

namespace {

// The text after the first occurrence of `key` in the upper-case record, up
// to the next TAB, in upper case.
std::string UpperValueAfter(const std::string &upperRecord, const std::string &key, bool &found)
{
    const size_t at = upperRecord.find(key);
    found = at != std::string::npos;
    if (!found)
        return {};
    const size_t from = at + key.size();
    return upperRecord.substr(from, upperRecord.find('\t', from) - from);
}

struct OracleNode {
    std::string text;
    int data = 0;
    int parent = -1; // index into the oracle's nodes
    std::vector<int> children;
};

// The tree built the literal way from what the loader reports.
struct OracleTree {
    std::vector<OracleNode> nodes;
    std::vector<int> top;

    std::vector<int> Order() const
    {
        std::vector<int> out;
        std::function<void(int)> walk = [&](int n) {
            out.push_back(n);
            for (int c : nodes[size_t(n)].children)
                walk(c);
        };
        for (int t : top)
            walk(t);
        return out;
    }
    int FirstNodeWithData(int data) const
    {
        for (int n : Order())
            if (nodes[size_t(n)].data == data)
                return n;
        return -1;
    }
    void Add(int parent, const std::string &text, int data)
    {
        const int id = int(nodes.size());
        nodes.push_back({text, data, parent, {}});
        (parent < 0 ? top : nodes[size_t(parent)].children).push_back(id);
    }
};

std::string GenerateDeepCatalogue(const TempFolder &folder, int records, int depth)
{
    const std::string dir = folder.file("deep" + std::to_string(depth)) + "/";
    QProcess tool;
    tool.start(QString(RUBRIKON_TOOLS_DIR) + "/rbkn-prep",
               {"synth", QString::fromStdString(dir), "--records", QString::number(records), "--table-rows", "5",
                "--rtf-kb", "2", "--depth", QString::number(depth)});
    EXPECT_TRUE(tool.waitForFinished(60000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    return dir;
}

void ExpectTheLiteralTree(const std::string &dir, int minDepth)
{
    // What the loader reports, and the records it keeps.
    platform::TStringList records;
    Catalogue catalogue(records);
    struct Shown {
        int index;
        std::string name, parent, signature;
    };
    std::vector<Shown> shown;
    CatalogueSink sink;
    sink.OnShownRecord = [&](int i, const AnsiString &n, const AnsiString &p, const AnsiString &s) {
        shown.push_back({i, n, p, s});
    };
    catalogue.Load(dir, sink);
    ASSERT_GT(shown.size(), 100u);

    std::vector<std::string> upper;
    for (int i = 0; i < records.Count(); ++i)
        upper.push_back(platform::AnsiUpperCase(records.Strings(i)));
    OracleTree oracle;
    for (const Shown &s : shown) {
        int parentNode = -1;
        if (s.parent != "nil") {
            const std::string sig = platform::AnsiUpperCase(s.signature), link = platform::AnsiUpperCase(s.parent);
            for (size_t r = 0; r < upper.size(); ++r) {
                bool hasSig = false, hasLink = false;
                const std::string rs = UpperValueAfter(upper[r], "SIGNATURE=", hasSig);
                const std::string rl = UpperValueAfter(upper[r], "LINK=", hasLink);
                if (hasSig && hasLink && rs == sig && rl == link) {
                    parentNode = oracle.FirstNodeWithData(int(r));
                    break;
                }
            }
        }
        oracle.Add(parentNode, s.name, s.index);
    }

    // The window's tree.
    SetProgramFolderSource([dir] { return dir; });
    const testsupport::ScopeExit restore([] { SetProgramFolderSource({}); });
    auto form = std::make_unique<TTaxonarMainForm>(platform::Application);
    form->LoadDefinitions();
    platform::TTreeNodes &items = form->TaxonarNaviTreeView->Items();
    const std::vector<int> order = oracle.Order();
    ASSERT_EQ(items.Count(), int(order.size()));
    std::vector<int> placeOf(oracle.nodes.size());
    for (size_t i = 0; i < order.size(); ++i)
        placeOf[size_t(order[i])] = int(i);
    int deepest = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        const OracleNode &want = oracle.nodes[size_t(order[i])];
        TTreeNode *node = items.Item(int(i));
        ASSERT_EQ(node->Data(), want.data) << "at " << i;
        EXPECT_EQ(node->Text(), want.text);
        EXPECT_EQ(node->Count(), int(want.children.size()));
        const int parentPlace = want.parent < 0 ? -1 : placeOf[size_t(want.parent)];
        ASSERT_EQ(node->Parent() ? node->Parent()->AbsoluteIndex() : -1, parentPlace) << "at " << i;
        int level = 0;
        for (int p = want.parent; p >= 0; p = oracle.nodes[size_t(p)].parent)
            ++level;
        EXPECT_EQ(node->Level(), level);
        deepest = std::max(deepest, level);
    }
    // Every record's node, as the history and the search find it.
    for (int r = 0; r < records.Count(); ++r) {
        const int want = oracle.FirstNodeWithData(r);
        EXPECT_EQ(form->FindNodeByItem(r), want < 0 ? nullptr : items.Item(placeOf[size_t(want)])) << r;
    }
    EXPECT_GE(deepest, minDepth);
    form.reset();
}

} // namespace

TEST(CatalogueTree, DeepGeneratedCataloguesGiveTheLiteralTree)
{
    TempFolder folder;
    const std::string user = folder.file("user");
    const testsupport::EnvVarScope xdg("XDG_DATA_HOME", user);
    ExpectTheLiteralTree(GenerateDeepCatalogue(folder, 1500, 4), 4);
    ExpectTheLiteralTree(GenerateDeepCatalogue(folder, 1500, 60), 40);
}
