// Control colour, style and state settings, the start-up class
// registration and the state table.
#include "kcl/KCLBevel.h"
#include "kcl/KCLCFCSettingObject.h"
#include "kcl/KCLCFCStateObject.h"
#include "platform/Streaming.h"

#include <gtest/gtest.h>

#include "KCLTestSupport.h"

using namespace platform;

namespace {


AnsiString streamed(TPersistent &obj)
{
    TMemoryStream s;
    WritePersistent(s, &obj);
    return AnsiString(s.Bytes().begin(), s.Bytes().end());
}

AnsiString stateOf(std::initializer_list<int> setFlags)
{
    std::array<uint8_t, KCLStateFlagCount> flags{};
    for (int f : setFlags)
        flags[f] = 1;
    const TKCLStateEntry *e = KCLFindStateEntry(flags);
    return e == nullptr ? AnsiString("(none)") : e->Name;
}

enum { Focused, MouseAbove, Down, Modified, ReadOnly, WrongData, Disabled };

} // namespace

TEST(KCLSettingsRegistration, NineClassesAreKnownAfterStartUp)
{
    for (const char *name : {"TKCLBevel", "TKCL3DCaption", "TKCLFxCaption", "TKCLFillObject", "TFont",
                             "TKCLBitmapEffectObject", "TKCLColorObject", "TKCLCtlSettings", "TKCLStyleObject"})
        EXPECT_NE(GetClass(name), nullptr) << name;
    KCLCFCSettingObjectInitialize(); // a second call changes nothing
    TObject *created = FindClass("TKCLBevel")->Create(nullptr);
    EXPECT_EQ(created->ClassName(), "TKCLBevel");
    delete created;
}

TEST(KCLSettingsRegistration, FontStreamsAsPersistent)
{
    KCLStreaming::TFont f;
    f.Font().SetName("Tahoma");
    f.Font().SetHeight(-13);
    f.Font().SetColor(clNavy);
    f.Font().SetStyle(TFontStyles{fsBold});
    TMemoryStream s;
    WritePersistent(s, &f);
    s.SetPosition(0);
    KCLStreaming::TFont back;
    ReadPersistent(s, &back);
    EXPECT_EQ(back.Font().Name(), "Tahoma");
    EXPECT_EQ(back.Font().Height(), -13);
    EXPECT_EQ(back.Font().Color(), clNavy);
    EXPECT_EQ(back.Font().Style(), TFontStyles{fsBold});
}

TEST(KCLStateEntries, TableAfterStartUp)
{
    ASSERT_EQ(KCLStateEntryCount(), 8);
    EXPECT_EQ((*KCLStateEntries)[0]->Name, "Disabled");
    EXPECT_EQ((*KCLStateEntries)[7]->Name, "Normal");
    EXPECT_STREQ(KCLStateFlagNames[0], "Focused");
    EXPECT_STREQ(KCLStateFlagNames[6], "Disabled");
}

TEST(KCLStateEntries, PatternsMatchOneStatePerCombination)
{
    EXPECT_EQ(stateOf({Focused, MouseAbove}), "Hot");
    EXPECT_EQ(stateOf({Disabled, WrongData}), "Error");
    EXPECT_EQ(stateOf({Disabled, Modified}), "Modified");
    EXPECT_EQ(stateOf({Focused}), "Focused");
    EXPECT_EQ(stateOf({}), "Normal");
    EXPECT_EQ(stateOf({Disabled}), "Disabled");
    EXPECT_EQ(stateOf({ReadOnly, Focused}), "ReadOnly");
    EXPECT_EQ(stateOf({Down, MouseAbove, Disabled}), "Pressed");

    // Every combination matches exactly one of the eight entries: the one
    // whose flag is set and ranks highest.
    const int priority[] = {Modified, Down, MouseAbove, ReadOnly, Focused, WrongData, Disabled};
    const char *names[] = {"Modified", "Pressed", "Hot", "ReadOnly", "Focused", "Error", "Disabled"};
    for (int bits = 0; bits < 128; ++bits) {
        std::array<uint8_t, KCLStateFlagCount> flags{};
        for (int i = 0; i < KCLStateFlagCount; ++i)
            flags[i] = (bits >> i) & 1;
        int matches = 0;
        for (const TKCLStateEntry *e : *KCLStateEntries) {
            bool m = true;
            for (int i = 0; i < KCLStateFlagCount; ++i)
                m = m && (e->Pattern[i] == 2 || e->Pattern[i] == flags[i]);
            matches += m;
        }
        EXPECT_EQ(matches, bits == 0 ? 1 : 2) << bits; // its own entry and "Normal"
        AnsiString expected = "Normal";
        for (int p = 0; p < 7; ++p)
            if (flags[priority[p]]) {
                expected = names[p];
                break;
            }
        EXPECT_EQ(KCLFindStateEntry(flags)->Name, expected) << bits;
    }
}

TEST(KCLColorObject, ColourNotificationCopyAndSummary)
{
    TKCLColorObject c(nullptr);
    EXPECT_EQ(c.Color(), clBtnFace);
    EXPECT_EQ(c.GetStatusText(), "clBtnFace");
    Counter n;
    c.OnChange = n.Handler();
    c.SetColor(clBtnFace);
    EXPECT_EQ(n.calls, 0);
    c.SetColor(clRed);
    EXPECT_EQ(n.calls, 1);
    EXPECT_EQ(c.GetStatusText(), "clRed");
    c.SetColor(0x123456);
    EXPECT_EQ(c.GetStatusText(), "$00123456");

    TKCLColorObject d(nullptr);
    Counter m;
    d.OnChange = m.Handler();
    d.Assign(&c);
    EXPECT_EQ(d.Color(), 0x123456);
    EXPECT_EQ(m.calls, 1);
    TKCLStyleObject other(nullptr);
    EXPECT_THROW(d.Assign(&other), EConvertError);
}

TEST(KCLCtlSettings, SwitchesAndSummary)
{
    TKCLCtlSettings s(nullptr);
    EXPECT_FALSE(s.Transparent());
    EXPECT_TRUE(s.CtlXP());
    EXPECT_FALSE(s.GetValue(7));
    EXPECT_EQ(s.GetStatusText(), "Transp.: False, CtlXP: True");
    Counter n;
    s.OnChange = n.Handler();
    s.SetCtlXP(true);
    s.SetTransparent(false);
    EXPECT_EQ(n.calls, 0);
    s.SetTransparent(true);
    s.SetCtlXP(false);
    EXPECT_EQ(n.calls, 2);
    EXPECT_EQ(s.GetStatusText(), "Transp.: True, CtlXP: False");

    TKCLCtlSettings t(nullptr);
    Counter m;
    t.OnChange = m.Handler();
    t.Assign(&s);
    EXPECT_EQ(m.calls, 1);
    EXPECT_TRUE(t.Transparent());
    EXPECT_FALSE(t.CtlXP());
}

TEST(KCLStyleObject, NameComparesWithLetterCase)
{
    TKCLStyleObject s(nullptr);
    EXPECT_EQ(s.StyleName(), "");
    Counter n;
    s.OnChange = n.Handler();
    s.SetStyleName("Office");
    s.SetStyleName("Office");
    EXPECT_EQ(n.calls, 1);
    s.SetStyleName("OFFICE");
    EXPECT_EQ(n.calls, 2);
    EXPECT_EQ(s.GetStatusText(), "OFFICE");

    TKCLStyleObject t(nullptr);
    t.Assign(&s);
    EXPECT_EQ(t.StyleName(), "OFFICE");
}

TEST(KCLControlSettings, StreamsHoldOnlyChangedValues)
{
    TKCLColorObject c(nullptr);
    TKCLCtlSettings s(nullptr);
    TKCLStyleObject y(nullptr);
    // The property name, after its length byte (the class name holds "Color" too).
    EXPECT_EQ(streamed(c).find(AnsiString("\x05") + "Color"), AnsiString::npos);
    EXPECT_EQ(streamed(s).find("Transparent"), AnsiString::npos);
    EXPECT_EQ(streamed(s).find("CtlXP"), AnsiString::npos);
    EXPECT_EQ(streamed(y).find("StyleName"), AnsiString::npos);

    c.SetColor(clTeal);
    s.SetCtlXP(false);
    y.SetStyleName("Dark");
    TKCLColorObject c2(nullptr);
    TKCLCtlSettings s2(nullptr);
    TKCLStyleObject y2(nullptr);
    for (auto [from, to] : {std::pair<TPersistent *, TPersistent *>{&c, &c2}, {&s, &s2}, {&y, &y2}}) {
        TMemoryStream m;
        WritePersistent(m, from);
        m.SetPosition(0);
        ReadPersistent(m, to);
    }
    EXPECT_EQ(c2.Color(), clTeal);
    EXPECT_FALSE(s2.CtlXP());
    EXPECT_FALSE(s2.Transparent());
    EXPECT_EQ(y2.StyleName(), "Dark");
}
