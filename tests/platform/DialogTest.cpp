#include <gtest/gtest.h>

#include <climits>

#include "TestSupport.h"
#include "platform/Dialog.h"

namespace vantor {
namespace {

// A dialog with a signed field (0..255), an unsigned field (1..6000), a read-only
// unsigned field (0..6000) and two radio groups.
const DialogTemplate& TestTemplate() {
    static const DialogTemplate t = [] {
        DialogTemplate d;
        d.id = 900;
        d.title = "Test";
        auto edit = [](int id, bool enabled) {
            ControlTemplate c;
            c.id = id;
            c.kind = ControlKind::Edit;
            c.enabled = enabled;
            return c;
        };
        auto radio = [](int id, bool start) {
            ControlTemplate c;
            c.id = id;
            c.kind = ControlKind::Radio;
            c.groupStart = start;
            return c;
        };
        d.controls = {edit(10, true),   edit(11, true),   edit(12, false), radio(20, true),
                      radio(21, false), radio(22, false), radio(30, true), radio(31, false)};
        ControlTemplate ok;
        ok.id = kIdOk;
        ok.kind = ControlKind::DefButton;
        ControlTemplate cancel;
        cancel.id = kIdCancel;
        cancel.kind = ControlKind::Button;
        d.controls.push_back(ok);
        d.controls.push_back(cancel);
        return d;
    }();
    return t;
}

class TestDialog : public Dialog {
public:
    TestDialog() : Dialog(TestTemplate()) {}
    void DoDataExchange(DataExchange& dx) override {
        dx.Int(10, m_signed, "m_signed", 0, 255);
        dx.UInt(11, m_unsigned, "m_unsigned", 1, 6000);
        dx.UInt(12, m_readOnly, "m_readOnly", 0, 6000);
    }
    void OnClicked(int id) override { m_clicks.push_back(id); }

    std::int32_t m_signed = 5;
    std::uint32_t m_unsigned = 800;
    std::uint32_t m_readOnly = 801;
    std::vector<int> m_clicks;
};

// A scripted user that answers each dialog with OK after typing one field.
class DialogExchange : public ::testing::Test {
protected:
    int TypeAndOk(Dialog& dlg, const std::string& field, const std::string& text) {
        DialogAnswer answer;
        answer.button = IDOK;
        answer.values = {{field, text}};
        ui.QueueDialogAnswer(answer);
        return ui.DoModal(dlg);
    }

    std::ostringstream out;
    ScriptUi ui{out};
    ScopedUi scope{ui};
};

TEST_F(DialogExchange, LoadsMembersIntoEditBoxesAndBindsTheirNames) {
    TestDialog dlg;
    dlg.OnInitDialog();
    EXPECT_EQ(dlg.Control(10).text, "5");
    EXPECT_EQ(dlg.Control(11).text, "800");
    EXPECT_EQ(dlg.Control(12).text, "801");
    EXPECT_FALSE(dlg.Control(12).enabled);
    EXPECT_EQ(dlg.Bindings().at("m_signed"), 10);
    EXPECT_EQ(dlg.Bindings().at("m_unsigned"), 11);
}

TEST_F(DialogExchange, OkStoresTypedValuesIncludingTheRangeEnds) {
    TestDialog dlg;
    dlg.OnInitDialog();
    dlg.Control(10).text = "255";
    dlg.Control(11).text = " 1 ";
    dlg.Click(kIdOk);
    ASSERT_TRUE(dlg.Ended());
    EXPECT_EQ(dlg.Result(), IDOK);
    EXPECT_EQ(dlg.m_signed, 255);
    EXPECT_EQ(dlg.m_unsigned, 1u);
}

TEST_F(DialogExchange, OutOfRangeShowsTheRangeMessageAndKeepsTheDialogOpen) {
    TestDialog dlg;
    EXPECT_EQ(TypeAndOk(dlg, "m_signed", "256"), IDCANCEL);
    EXPECT_EQ(dlg.m_signed, 5);
    EXPECT_EQ(out.str(),
              "{\"event\":\"dialog\",\"id\":900,\"title\":\"Test\",\"answer\":\"Cancel\","
              "\"message\":\"Please enter an integer between 0 and 255.\"}\n");

    // The same dialog, driven by hand: OK is refused until the value fits.
    TestDialog again;
    again.OnInitDialog();
    again.Control(11).text = "0";
    again.Click(kIdOk);
    EXPECT_FALSE(again.Ended());
    EXPECT_EQ(again.m_unsigned, 800u);
    again.Control(11).text = "6001";
    again.Click(kIdOk);
    EXPECT_FALSE(again.Ended());
    again.Control(11).text = "6000";
    again.Click(kIdOk);
    EXPECT_TRUE(again.Ended());
    EXPECT_EQ(again.m_unsigned, 6000u);
}

TEST_F(DialogExchange, NotANumberAndNegativeUnsignedAreRefused) {
    const std::vector<std::pair<std::string, std::string>> cases = {{"m_signed", "abc"},  {"m_signed", ""},
                                                                    {"m_signed", "12x"},  {"m_signed", "99999999999"},
                                                                    {"m_unsigned", "-5"}, {"m_unsigned", "x"}};
    for (const auto& [name, text] : cases) {
        TestDialog dlg;
        EXPECT_EQ(TypeAndOk(dlg, name, text), IDCANCEL) << name << "=" << text;
        EXPECT_EQ(dlg.m_signed, 5);
        EXPECT_EQ(dlg.m_unsigned, 800u);
    }
    const std::string t = out.str();
    EXPECT_NE(t.find("\"message\":\"Please enter an integer.\""), std::string::npos) << t;
    EXPECT_NE(t.find("\"message\":\"Please enter a positive integer.\""), std::string::npos) << t;
    EXPECT_EQ(t.find("\"answer\":\"OK\""), std::string::npos) << t;
}

TEST_F(DialogExchange, ReadOnlyFieldsAreCheckedToo) {
    TestDialog dlg;
    dlg.m_readOnly = 7000;
    dlg.OnInitDialog();
    dlg.Control(10).text = "7";
    dlg.Click(kIdOk);
    EXPECT_FALSE(dlg.Ended());
    dlg.Click(kIdCancel);
    EXPECT_TRUE(dlg.Ended());
    EXPECT_EQ(dlg.Result(), IDCANCEL);
}

TEST_F(DialogExchange, SignedFieldTakesNegativeTextAsANumber) {
    // -1 is a number (so not "enter an integer"), but out of range.
    TestDialog dlg;
    EXPECT_EQ(TypeAndOk(dlg, "#10", "-1"), IDCANCEL);
    EXPECT_NE(out.str().find("Please enter an integer between 0 and 255."), std::string::npos) << out.str();
}

TEST(DialogRadio, ClickChecksOneButtonOfItsGroupOnly) {
    TestDialog dlg;
    dlg.OnInitDialog();
    dlg.CheckRadioButton(20, 22, 20);
    dlg.Click(31);
    dlg.Click(21);
    EXPECT_FALSE(dlg.Control(20).checked);
    EXPECT_TRUE(dlg.Control(21).checked);
    EXPECT_FALSE(dlg.Control(22).checked);
    EXPECT_FALSE(dlg.Control(30).checked);
    EXPECT_TRUE(dlg.Control(31).checked);
    dlg.Click(22);
    EXPECT_FALSE(dlg.Control(21).checked);
    EXPECT_TRUE(dlg.Control(22).checked);
    EXPECT_TRUE(dlg.Control(31).checked);
    dlg.Click(30);
    EXPECT_TRUE(dlg.Control(30).checked);
    EXPECT_FALSE(dlg.Control(31).checked);
    EXPECT_TRUE(dlg.Control(22).checked);
    EXPECT_EQ(dlg.m_clicks, (std::vector<int>{31, 21, 22, 30}));
    EXPECT_FALSE(dlg.Ended());
}

}  // namespace
}  // namespace vantor
