// The text of the batches sent to the pages: every string is one JSON string literal that no
// script parser can end early.
#include <gtest/gtest.h>

#include "platform/gtk/json_text.h"

namespace vandrel::gtk {
namespace {

std::string json(std::string_view text) {
    std::string out;
    appendJsonString(text, out);
    return out;
}

TEST(JsonText, QuotesBackslashesControlsAndScriptEndsAreEscaped) {
    EXPECT_EQ(json("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(json("</script><!--"), "\"\\u003c/script\\u003e\\u003c!--\"");
    EXPECT_EQ(json("x\ny\x01"), "\"x\\ny\\u0001\"");
    EXPECT_EQ(json("\xE2\x80\xA8\xE2\x80\xA9"), "\"\\u2028\\u2029\"");
    EXPECT_EQ(json("caf\xC3\xA9 & co"), "\"caf\xC3\xA9 \\u0026 co\"");
    // A file name in Latin-1 would otherwise take the whole batch down with it.
    EXPECT_EQ(json("caf\xE9.jpg"), "\"caf\xEF\xBF\xBD.jpg\"");
}

TEST(JsonText, ChangesCarryTheirFieldsAsData) {
    ui::Change change{ui::Change::Kind::Attribute, 12, "title", "it's \"x\""};
    std::string out;
    appendChangeJson(change, out);
    EXPECT_EQ(out,
              "{\"k\":\"attr\",\"uid\":12,\"name\":\"title\",\"value\":\"it's \\\"x\\\"\","
              "\"number\":0,\"x\":0,\"y\":0}");
}

}  // namespace
}  // namespace vandrel::gtk
