// Where an iframe's src leads: relative to the document that holds it, resources by name, and
// never outside the program's folders.

#include <gtest/gtest.h>

#include <fstream>
#include <span>

#include "core/program_path.h"
#include "test_support.h"
#include "ui/frame_source.h"
#include "ui/resources.h"
#include "ui/ui_test_support.h"

std::span<const vandrel::ui::Resource> uiTestResources();

namespace vandrel::ui {
namespace {

TEST(FrameAddresses, ResolveAgainstTheDocumentLikeABrowser) {
    // Beside a file of the program.
    EXPECT_EQ(resolveFrameAddress("pages/main.html", "child.html"), "pages/child.html");
    EXPECT_EQ(resolveFrameAddress("pages/sub/a.html", "../b.html?x=1#top"), "pages/b.html");
    EXPECT_EQ(resolveFrameAddress("pages\\sub\\a.html", ".\\c\\d.html"), "pages/sub/c/d.html");
    EXPECT_EQ(resolveFrameAddress("Html/main.html", "../photos/p.html"), "photos/p.html");
    // In a resource or a document without an address: from the program folder.
    EXPECT_EQ(resolveFrameAddress("res:201.html", "child.html"), "child.html");
    EXPECT_EQ(resolveFrameAddress("", "Html/map.html"), "Html/map.html");
    EXPECT_EQ(resolveFrameAddress("pages/main.html", "res:201.html"), "res:201.html");
    EXPECT_EQ(resolveFrameAddress("pages/main.html", "RES:blank.html"), "RES:blank.html");
    // Nothing the model loads itself.
    for (const char* src :
         {"", "#top", "http://example.org/x.html", "file:///etc/passwd", "/etc/passwd", "C:/x.html",
          "c:x.html", "../x.html", "a/../../x.html", ".", "sub/"}) {
        EXPECT_EQ(resolveFrameAddress("pages.html", src), "") << src;
    }
    EXPECT_EQ(resolveFrameAddress("pages/main.html", "../../outside.html"), "");
    EXPECT_EQ(resolveFrameAddress("https://example.org/p.html", "child.html"), "");
}

class Frames : public ::testing::Test {
  protected:
    void SetUp() override {
        setResourceTable(uiTestResources());
        std::filesystem::create_directories(dir / "prog/pages/sub");
        write("prog/pages/main.html", "<iframe id=1 src='sub/child.html'></iframe>");
        write("prog/pages/sub/child.html",
              "<p id=c>child</p><iframe id=2 src='../other.html#x'></iframe>");
        write("prog/pages/other.html", "<p id=o>other</p>");
        write("prog/child.html", "<p id=w>wrong folder</p>");
        write("outside.html", "<p id=secret>outside</p>");
    }
    void TearDown() override { setResourceTable(programResources()); }
    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir / name) << text;
    }
    HtmlWindow* frame(HtmlWindow& w, const char* id) {
        Element* e = w.document().selectFirst(std::string("[id='") + id + "']");
        return e != nullptr ? dynamic_cast<HtmlWindow*>(e->window()) : nullptr;
    }
    std::string text(HtmlWindow* w) {
        return w != nullptr && w->document().body() != nullptr ? w->document().body()->text()
                                                               : "(none)";
    }
    vandrel::testing::TempDir dir;
    ManualEventLoop loop;
};

TEST_F(Frames, LoadTheFileBesideTheirDocumentAndNestFromThere) {
    HtmlWindow page(loop);
    page.setFileFolder(dir / "prog");
    std::ifstream in(dir / "prog/pages/main.html");
    page.loadHtml(std::string(std::istreambuf_iterator<char>(in), {}), "pages/main.html");
    HtmlWindow* child = frame(page, "1");
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->address(), "pages/sub/child.html");
    EXPECT_NE(child->document().selectFirst("#c"), nullptr);
    HtmlWindow* other = frame(*child, "2");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->address(), "pages/other.html");
    EXPECT_EQ(text(other), "other");
}

TEST_F(Frames, ResourcesByNameAndNothingOutsideTheProgramFolders) {
    HtmlWindow page(loop);
    page.setFileFolder(dir / "prog");
    std::filesystem::create_symlink(dir / "outside.html", dir / "prog/pages/link.html");
    page.loadHtml(R"(<iframe id=1 src="201.html"></iframe><iframe id=2 src="res:201.html">
        </iframe><iframe id=3 src="../outside.html"></iframe>
        <iframe id=4 src="pages/link.html"></iframe><iframe id=5 src="child.html"></iframe>)",
                  "res:100.html");
    EXPECT_EQ(frame(page, "1")->address(), "res:201.html");
    EXPECT_NE(frame(page, "1")->document().selectFirst("#a"), nullptr);
    EXPECT_EQ(frame(page, "2")->address(), "res:201.html");
    // Refused: the placeholder stays.
    EXPECT_EQ(text(frame(page, "3")), "\u00a0");
    EXPECT_EQ(text(frame(page, "4")), "\u00a0");
    // Not a resource: the file of the program folder.
    EXPECT_EQ(text(frame(page, "5")), "wrong folder");
    EXPECT_FALSE(readProgramFile(dir / "prog", "pages/link.html").has_value());
    EXPECT_TRUE(readProgramFile(dir / "prog", "pages/other.html").has_value());
}

TEST_F(Frames, TheRenderedPageLeavesTheFramesToTheRenderer) {
    HtmlWindow page(loop);
    page.setFileFolder(dir / "prog");
    page.loadHtml("<iframe id=1 SRC='pages/other.html' name=f></iframe>");
    EXPECT_EQ(page.document().serialize(true).find("pages/other.html"), std::string::npos);
    EXPECT_NE(page.document().serialize(true).find("name=\"f\""), std::string::npos);
    EXPECT_NE(page.document().serialize(false).find("pages/other.html"), std::string::npos);
}

}  // namespace
}  // namespace vandrel::ui
