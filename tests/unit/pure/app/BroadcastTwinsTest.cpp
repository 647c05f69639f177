// Which copy of a broadcast counts: sequences of copies as the main form sees them, with
// what each one gets (handled or let go by).
#include "surgepad/app/BroadcastTwins.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using surgepad::BroadcastTwins;

// A copy: "own" (the main form's, in the program's loop), "app N" (the application
// window's copy of post N), "modal N" / "modal N queued" (the main form's copy of post N
// in a modal loop; the twin found queued and taken out).
std::string Feed(BroadcastTwins& twins, const std::string& copy) {
    bool handled = false;
    if (copy == "own") {
        handled = twins.MainFormCopyInOwnLoop();
    } else if (copy.rfind("app ", 0) == 0) {
        handled = twins.AppWindowCopy(0x2255, std::stoul(copy.substr(4)));
    } else {
        handled =
            twins.MainFormCopyInModalLoop(0x2255, std::stoul(copy.substr(6)), copy.find("queued") != std::string::npos);
    }
    return handled ? "handled" : "by";
}

TEST(BroadcastTwins, EachPostIsHandledOnce) {
    struct Case {
        const char* name;
        std::vector<std::string> copies;
        std::vector<std::string> got;
    };
    const Case cases[] = {
        {"the program's loop", {"own", "app 1", "own", "app 1"}, {"by", "handled", "by", "handled"}},
        {"a modal loop, the twin queued", {"modal 1 queued", "own", "app 2"}, {"handled", "by", "handled"}},
        {"a modal loop, the twin after it", {"modal 1", "app 1", "app 1"}, {"handled", "by", "handled"}},
        {"the awaited twin is only the same post's", {"modal 1", "app 2", "app 1"}, {"handled", "handled", "by"}},
        // The next post's first copy comes to the main form: the twin went by in the
        // modal loop, and the next post counts in full.
        {"the twin gone by in the modal loop", {"modal 1", "own", "app 1"}, {"handled", "by", "handled"}},
        // Copies come in post order (main form 1, application 1, main form 2, ...): a
        // second post in the modal loop means the first one's twin went by there.
        {"two posts in one modal loop",
         {"modal 1", "modal 2", "app 2", "app 3"},
         {"handled", "handled", "by", "handled"}},
    };
    for (const Case& c : cases) {
        BroadcastTwins twins;
        std::vector<std::string> got;
        for (const std::string& copy : c.copies) {
            got.push_back(Feed(twins, copy));
        }
        EXPECT_EQ(c.got, got) << c.name;
    }
}

}  // namespace
