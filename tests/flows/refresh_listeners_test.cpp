// The settings change notification: every listener, in the order added, and a listener that
// changes the list while it is being notified.
#include "flows/refresh_listeners.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vandrel {
namespace {

TEST(RefreshListeners, RunInRegistrationOrderAndSurviveChangesDuringNotify) {
    RefreshListeners& listeners = RefreshListeners::instance();
    listeners.clear();
    std::vector<std::string> calls;
    listeners.add([&] { calls.push_back("track page"); });
    listeners.add({});  // an empty callback is not kept
    listeners.add([&] {
        calls.push_back("adds one");
        // Enough to move the list's storage while it is being walked.
        for (int i = 0; i < 64; ++i) {
            listeners.add([&] { calls.push_back("late"); });
        }
    });
    listeners.notify();
    EXPECT_EQ(calls, (std::vector<std::string>{"track page", "adds one"}));
    EXPECT_EQ(listeners.size(), 66u);

    calls.clear();
    listeners.add([&] { listeners.clear(); });
    listeners.notify();
    EXPECT_EQ(calls.size(), 2u + 64);
    EXPECT_EQ(listeners.size(), 0u);
}

}  // namespace
}  // namespace vandrel
