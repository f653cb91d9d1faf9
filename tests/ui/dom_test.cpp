#include <gtest/gtest.h>

#include "platform/headless/headless_renderer.h"
#include "ui/document.h"
#include "ui/html_io.h"
#include "ui/html_window.h"

namespace vandrel::ui {
namespace {

std::vector<std::string> ids(const std::vector<Element*>& elements) {
    std::vector<std::string> out;
    for (Element* e : elements) {
        out.push_back(e->attribute("id"));
    }
    return out;
}

constexpr const char* kPage = R"(<html><body>
<div id=bar class="tabbar top"><div id=t1 class=tab>One</div><div id=t2 class="tab sel">Two</div></div>
<table id=grid><tr id=r0><th id=h0>Name</th></tr><tr id=r1 name=row><td id=c1>b</td></tr></table>
<form id=f><input id=i1 type=radio name=lhtype><input id=i2 type=radio name=lhtype checked>
<input id=i3 type=checkbox name="odd'name"><span id=s1 lang=en-GB>x</span></form>
</body></html>)";

TEST(Selectors, MatchTypesIdsClassesAttributesStatesAndCombinatorsInDocumentOrder) {
    Document d;
    d.load(kPage);
    EXPECT_EQ(ids(d.select("div.tab")), (std::vector<std::string>{"t1", "t2"}));
    EXPECT_EQ(ids(d.select(".tab.sel")), (std::vector<std::string>{"t2"}));
    EXPECT_EQ(ids(d.select("#bar > div")), (std::vector<std::string>{"t1", "t2"}));
    EXPECT_EQ(ids(d.select("body > div")), (std::vector<std::string>{"bar"}));
    EXPECT_EQ(ids(d.select("table td")), (std::vector<std::string>{"c1"}));
    // A comma list gives document order, not the order of its parts.
    EXPECT_EQ(ids(d.select("#t2, #bar, #t1")), (std::vector<std::string>{"bar", "t1", "t2"}));
    EXPECT_EQ(ids(d.select("[type='radio'][name='lhtype']")),
              (std::vector<std::string>{"i1", "i2"}));
    EXPECT_EQ(ids(d.select("input:checked")), (std::vector<std::string>{"i2"}));
    EXPECT_EQ(ids(d.select("[name=\"odd'name\"]")), (std::vector<std::string>{"i3"}));
    EXPECT_EQ(ids(d.select("[lang|=en]")), (std::vector<std::string>{"s1"}));
    EXPECT_EQ(ids(d.select("[class~=top]")), (std::vector<std::string>{"bar"}));
    EXPECT_EQ(ids(d.select("#t1 + div")), (std::vector<std::string>{"t2"}));
    EXPECT_EQ(ids(d.select("tr:first-child")), (std::vector<std::string>{"r0"}));
    EXPECT_EQ(d.select("*").size(), d.select("html, html *").size());
}

TEST(Selectors, DescendantMatchingBacktracksAndBadSelectorsMatchNothing) {
    Document d;
    d.load("<div class=a><div class=b><p id=p><span id=s></span></p></div></div>");
    EXPECT_EQ(ids(d.select(".a .b span")), (std::vector<std::string>{"s"}));
    EXPECT_EQ(ids(d.select(".b > .a span")), (std::vector<std::string>{}));
    EXPECT_TRUE(d.select("div[").empty());
    EXPECT_TRUE(d.select("").empty());
    EXPECT_TRUE(d.select("p:no-such-state").empty());
    d.selectFirst("#s")->setState(STATE_CURRENT);
    EXPECT_EQ(ids(d.select(".a :current")), (std::vector<std::string>{"s"}));
}

TEST(Model, ParsesAttributesInOrderAndSelfClosedWidgetsKeepTheirSiblings) {
    Document d;
    d.load("<body><widget id=2000 type=sys-ie DISABLED /><div id=after></div></body>");
    Element* widget = d.selectFirst("widget");
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->childCount(), 0u);
    EXPECT_EQ(d.selectFirst("#after")->parent(), d.body());
    ASSERT_EQ(widget->attributes().size(), 3u);
    EXPECT_EQ(widget->attributes()[2].first, "disabled");
    EXPECT_TRUE(widget->hasAttribute("DISABLED"));
}

TEST(Model, TextHtmlStylesAndSortingChangeTheTreeAndTellTheRenderer) {
    ManualEventLoop loop;
    headless::HeadlessRenderer renderer;
    HtmlWindow w(loop);
    w.setRenderLink(&renderer);
    w.loadHtml("<ul id=l><li>c</li> <li>a</li> <li>b</li></ul><p id=p style='color:red'></p>");
    EXPECT_EQ(renderer.loads, 1u);
    Element& p = *w.document().selectFirst("#p");
    p.setText("a < b & \"c\"");
    EXPECT_EQ(p.html(), "a &lt; b &amp; \"c\"");
    EXPECT_EQ(p.text(), "a < b & \"c\"");
    p.setStyle("display", "none");
    EXPECT_EQ(p.style("color"), "red");
    EXPECT_FALSE(p.isVisible());
    p.setStyle("display", "");
    EXPECT_TRUE(p.isVisible());
    p.setHtml("<b id=bold>x</b><i>y</i>");
    EXPECT_EQ(p.childCount(), 2u);
    EXPECT_EQ(w.document().selectFirst("#bold")->index(), 0);
    Element& list = *w.document().selectFirst("#l");
    list.sortChildren(0, list.childCount(),
                      [](const Element& a, const Element& b) { return a.text() < b.text(); });
    EXPECT_EQ(list.text(), "a b c");
    // Each operation reached the renderer; content changes carry uids for addressing.
    ASSERT_FALSE(renderer.changes.empty());
    EXPECT_EQ(renderer.changes.back().kind, Change::Kind::Content);
    EXPECT_NE(renderer.changes.back().value.find("data-vuid="), std::string::npos);
}

TEST(Model, UidsAreStableAndGoneElementsAreNotFound) {
    Document d;
    d.load("<div id=a><span id=b></span></div>");
    Element* b = d.selectFirst("#b");
    std::uint64_t uid = b->uid();
    EXPECT_EQ(d.findByUid(uid), b);
    d.selectFirst("#a")->setHtml("<span id=b></span>");
    EXPECT_EQ(d.findByUid(uid), nullptr);
    EXPECT_NE(d.selectFirst("#b")->uid(), uid);
}

TEST(Model, SerialisedMarkupParsesBackToTheSameTree) {
    Document a;
    a.load(kPage);
    Document b;
    b.load(a.serialize(false));
    EXPECT_EQ(a.serialize(false), b.serialize(false));
    std::string withUids = a.serialize(true);
    EXPECT_NE(withUids.find("data-vs=\"checked\""), std::string::npos);  // the checked radio
}

// A page served after the program set its form shows the program's choices, not the markup's.
TEST(Model, ServedControlsCarryTheModelsCheckedAndDisabledStates) {
    Document d;
    d.load(
        "<input type=radio name=u id=m checked><input type=radio name=u id=f>"
        "<button id=b disabled>Go</button>");
    d.selectFirst("#m")->setState(0, STATE_CHECKED);
    d.selectFirst("#f")->setState(STATE_CHECKED);
    d.selectFirst("#b")->setState(0, STATE_DISABLED);
    const std::string served = d.serialize(true);
    const auto tagOf = [&](const char* id) {
        const size_t at = served.rfind('<', served.find(std::string("id=\"") + id + '"'));
        return served.substr(at, served.find('>', at) - at);
    };
    EXPECT_EQ(tagOf("m").find("checked"), std::string::npos) << tagOf("m");
    EXPECT_NE(tagOf("f").find(" checked"), std::string::npos) << tagOf("f");
    EXPECT_EQ(tagOf("b").find("disabled"), std::string::npos) << tagOf("b");
}

TEST(Model, StatePseudoClassesOfStyleSheetsBecomeAttributeTestsForTheRenderer) {
    EXPECT_EQ(
        translateStateSelectors("div.tab:current, tr:checked > td::before { color: a:current }"),
        "div.tab[data-vs~=\"current\"], tr:is(:checked,[data-vs~=\"checked\"]) > "
        "td::before { color: a:current }");
    EXPECT_EQ(translateStateSelectors("@media screen { a:hover, p:anchor {x:y} }"),
              "@media screen { a:hover, p[data-vs~=\"anchor\"] {x:y} }");
    EXPECT_EQ(stateNames(STATE_CURRENT | STATE_POPUP), "current popup");
}

}  // namespace
}  // namespace vandrel::ui
