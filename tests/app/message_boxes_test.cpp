// The three boxes with their pages, answered by keys and clicks, and the prompt built on them.
#include "app/message_boxes.h"

#include <gtest/gtest.h>

#include "app/gui_prompt.h"
#include "shell_test_support.h"
#include "ui/resources.h"

namespace vandrel::app {
namespace {

using testing::clickOn;
using testing::press;

class Boxes : public ::testing::Test {
  protected:
    ui::ManualEventLoop loop;
    testing::ScriptedBoxes boxes{loop};
};

TEST_F(Boxes, YesNoAnswersEnterWithYesAndEscWithNo) {
    boxes.script = {press(ui::VK_RETURN), press(ui::VK_ESCAPE), clickOn("MsgNo"),
                    clickOn("MsgYes")};
    YesNoBox a("Are you sure you want download", "POIs to your device?");
    EXPECT_EQ(boxes.run(a, nullptr), 1);
    YesNoBox b("Are you sure delete logs data?");
    EXPECT_EQ(boxes.run(b, nullptr), 0);
    EXPECT_EQ(boxes.run(b, nullptr), 0);
    EXPECT_EQ(boxes.run(b, nullptr), 1);
    EXPECT_EQ(boxes.shown[0], "Are you sure you want download|POIs to your device?");
    // An empty second text leaves the second line empty.
    EXPECT_EQ(boxes.shown[1], "Are you sure delete logs data?|");
    EXPECT_EQ(boxes.focused[0], "MsgYes");
}

TEST_F(Boxes, OverwriteStartsOnOkSoEnterDoesNotOverwrite) {
    boxes.script = {press(ui::VK_RETURN), clickOn("MsgInsertS"), clickOn("MsgInsertA"),
                    press(ui::VK_ESCAPE)};
    OverwriteBox box("File exists", "Overwrite it?");
    EXPECT_EQ(boxes.run(box, nullptr), 0);
    EXPECT_EQ(boxes.focused[0], "MsgExit");
    EXPECT_EQ(boxes.run(box, nullptr), 1);
    EXPECT_EQ(boxes.run(box, nullptr), 2);
    EXPECT_EQ(boxes.run(box, nullptr), 0);
}

TEST_F(Boxes, NoticeEndsWithItsButtonOrEscAndIgnoresOtherElements) {
    boxes.script = {clickOn("MsgText"), clickOn("MsgEixt"), press(ui::VK_ESCAPE)};
    NoticeBox box("Download Complete!");
    EXPECT_EQ(boxes.run(box, nullptr), -1);  // a click on the text ends nothing
    EXPECT_EQ(boxes.run(box, nullptr), 0);
    EXPECT_EQ(boxes.run(box, nullptr), 0);
    EXPECT_EQ(boxes.focused[0], "MsgEixt");
}

TEST_F(Boxes, ABoxWithoutItsPageIsNotShownAndCountsAsNo) {
    ui::setResourceTable({});
    testing::NoFiles files;
    testing::RecordingBusy busy(loop);
    GuiPrompt prompt(boxes, files, busy);
    boxes.script = {press(ui::VK_RETURN)};
    EXPECT_FALSE(prompt.askYesNo("Are you sure?", ""));
    EXPECT_TRUE(boxes.shown.empty());
    ui::setResourceTable(ui::programResources());
}

TEST_F(Boxes, PromptShowsBoxesOverAnOwnerThatIsInsensitiveOnlyWhileBusy) {
    testing::NoFiles files;
    testing::RecordingBusy busy(loop);
    GuiPrompt prompt(boxes, files, busy);
    ui::Window owner(loop, nullptr);
    prompt.setOwner(&owner);
    // The last notice becomes busy while it is open (a worker's command, through the UI
    // thread's loop that the box runs).
    int startsWhileOpen = -1;
    boxes.script = {clickOn("MsgInsertA"), clickOn("MsgInsertS"), clickOn("MsgEixt"),
                    [&](ui::HtmlWindow& view) {
                        prompt.beginBusy();
                        startsWhileOpen = busy.starts;
                        testing::clickId(view, "MsgEixt");
                    }};
    EXPECT_EQ(prompt.askOverwrite("a", "b"), OverwriteAnswer::AlwaysOverwrite);
    EXPECT_EQ(busy.hides, 0);
    prompt.beginBusy();
    EXPECT_FALSE(owner.isEnabled());
    // A question while busy is in front: the busy window is off the screen meanwhile.
    EXPECT_EQ(prompt.askOverwrite("a", "b"), OverwriteAnswer::Overwrite);
    EXPECT_EQ(busy.hides, 1);
    EXPECT_TRUE(busy.animation.running());
    EXPECT_FALSE(boxes.ownerEnabled.back());
    prompt.endBusy();
    EXPECT_TRUE(owner.isEnabled());
    prompt.notice("Save Complete!");
    prompt.error("Cannot open /dev/sdz");
    EXPECT_EQ(boxes.shown[2], "Save Complete!");
    EXPECT_EQ(boxes.shown[3], "Cannot open /dev/sdz");
    // The busy window shows only once the question is answered.
    EXPECT_EQ(startsWhileOpen, 1);
    EXPECT_EQ(busy.starts, 2);
    prompt.endBusy();
}

TEST(BusyAnimation, ShowsFourTextsInATwoSecondCycle) {
    ui::ManualEventLoop loop;
    std::vector<std::string> texts;
    BusyAnimation busy(loop, [&](const std::string& t) { texts.push_back(t); });
    busy.start();
    loop.advance(ui::Milliseconds{2000});
    EXPECT_EQ(texts, (std::vector<std::string>{"Loading", "Loading.", "Loading..", "Loading...",
                                               "Loading"}));
    busy.stop();
    loop.advance(ui::Milliseconds{2000});
    EXPECT_EQ(texts.size(), 5u);
    EXPECT_FALSE(busy.running());
}

}  // namespace
}  // namespace vandrel::app
