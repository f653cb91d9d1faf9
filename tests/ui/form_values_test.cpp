#include <gtest/gtest.h>

#include "ui/form_values.h"
#include "ui/ui_test_support.h"

namespace vandrel::ui {
namespace {

using testing::byId;

constexpr const char* kForm = R"(<form id=f>
  <input id=t1 type=radio name=lhtype><input id=t2 type=radio name=lhtype checked>
  <input id=one type=checkbox name=single>
  <input id=k1 type=checkbox name=bits checked><input id=k2 type=checkbox name=bits>
  <input id=k3 type=checkbox name=bits checked>
  <input id=name1 name=name value=first><input id=name2 name=name value=second>
  <input id=h type=hidden name=secret value=keep>
  <input id=btn type=button name=go value=Go>
  <input id=n type=number name=count value=12>
  <select id=s name=unit><option value=m>Metres</option><option value=ft selected>Feet</option></select>
  <textarea id=ta name=note>hello</textarea>
  <div id=plain name=notacontrol>x</div>
  <iframe name=main id=7></iframe><iframe name=main id=8></iframe>
</form>)";

class Forms : public ::testing::Test {
  protected:
    void SetUp() override { page.loadHtml(kForm); }
    ManualEventLoop loop;
    HtmlWindow page{loop};
};

TEST_F(Forms, RadioGroupsReadAsTheIndexOfTheCheckedButton) {
    EXPECT_EQ(getValue(byId(page, "t1")), Value(1));
    setValue(byId(page, "t1"), Value(0));
    EXPECT_TRUE(byId(page, "t1").hasState(STATE_CHECKED));
    EXPECT_FALSE(byId(page, "t2").hasState(STATE_CHECKED));
    setValue(byId(page, "t1"), Value(5));  // outside the group: nothing changes
    EXPECT_EQ(getValue(byId(page, "t2")), Value(0));
    byId(page, "t1").setState(0, STATE_CHECKED);
    EXPECT_TRUE(getValue(byId(page, "t1")).isUndefined());
}

TEST_F(Forms, ASingleCheckBoxIsABooleanAndAGroupIsItsBits) {
    EXPECT_EQ(getValue(byId(page, "one")), Value(false));
    EXPECT_EQ(getValue(byId(page, "k2")), Value(0b101));
    setValue(byId(page, "k1"), Value(0b010));
    EXPECT_FALSE(byId(page, "k1").hasState(STATE_CHECKED));
    EXPECT_TRUE(byId(page, "k2").hasState(STATE_CHECKED));
    EXPECT_FALSE(byId(page, "k3").hasState(STATE_CHECKED));
    setValue(byId(page, "one"), Value(true));
    EXPECT_EQ(getValue(byId(page, "one")), Value(true));
}

TEST_F(Forms, CollectTakesTheFirstControlOfANameAndSkipsNonControls) {
    FormValues table;
    ASSERT_TRUE(collectFormValues(byId(page, "f"), table));
    EXPECT_EQ(*table.find("name"), Value("first"));
    EXPECT_EQ(*table.find("secret"), Value("keep"));
    EXPECT_EQ(*table.find("go"), Value("Go"));
    EXPECT_EQ(*table.find("count"), Value(12));
    EXPECT_EQ(*table.find("unit"), Value("ft"));
    EXPECT_EQ(*table.find("note"), Value("hello"));
    EXPECT_EQ(*table.find("lhtype"), Value(1));
    EXPECT_EQ(table.find("notacontrol"), nullptr);
    EXPECT_EQ(table.entries().front().first, "lhtype");

    FormValues empty;
    EXPECT_FALSE(collectFormValues(byId(page, "plain"), empty));
}

TEST_F(Forms, ApplyNeverWritesHiddenInputsOrButtons) {
    FormValues table;
    table.set("secret", Value("changed"));
    table.set("go", Value("Stop"));
    table.set("name", Value("typed"));
    table.set("missing", Value(1));
    table.set("unit", Value("m"));
    EXPECT_TRUE(applyFormValues(page.document().root(), table));
    EXPECT_EQ(byId(page, "h").attribute("value"), "keep");
    EXPECT_EQ(getValue(byId(page, "h")), Value("keep"));
    EXPECT_EQ(byId(page, "btn").attribute("value"), "Go");
    EXPECT_EQ(getValue(byId(page, "name1")), Value("typed"));
    EXPECT_EQ(getValue(byId(page, "name2")), Value("second"));
    EXPECT_EQ(getValue(byId(page, "s")), Value("m"));

    FormValues nothing;
    nothing.set("notacontrol", Value("x"));
    EXPECT_FALSE(applyFormValues(page.document().root(), nothing));
}

TEST_F(Forms, ValuesTypedInThePageAreWhatCollectReads) {
    page.controlValueReported(byId(page, "name1"), Value("from the user"));
    page.controlValueReported(byId(page, "n"), Value("42"));
    page.controlValueReported(byId(page, "t1"), Value("on"));  // checked states are the model's
    FormValues table;
    collectFormValues(page.document().root(), table);
    EXPECT_EQ(*table.find("name"), Value("from the user"));
    EXPECT_EQ(*table.find("count"), Value(42));
    EXPECT_EQ(*table.find("lhtype"), Value(1));
    page.controlValueReported(byId(page, "n"), Value("2.5"));
    EXPECT_EQ(getValue(byId(page, "n")), Value(2.5));
}

TEST_F(Forms, FindWindowByNameCountsInDocumentOrder) {
    Window* first = findWindowByName(page, "main", 0);
    Window* second = findWindowByName(page, "main", 1);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->controlId(), 7);
    EXPECT_EQ(second->controlId(), 8);
    EXPECT_EQ(findWindowByName(page, "main", 2), nullptr);
    EXPECT_EQ(findWindowByName(page, "name", 0), nullptr);  // an input has no window
}

TEST(ValueConversions, FollowTheVariantRules) {
    EXPECT_EQ(Value("12").toInt(), 0);
    EXPECT_EQ(Value(true).toInt(), 1);
    EXPECT_EQ(Value(7).toString(), "7");
    EXPECT_TRUE(Value(2).toBool());
    EXPECT_EQ(Value(2.5).toInt(), 2);
    EXPECT_TRUE(Value().isUndefined());
}

}  // namespace
}  // namespace vandrel::ui
