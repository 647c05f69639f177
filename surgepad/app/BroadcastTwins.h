#pragma once
// One broadcast post reaches two top-level windows of the program: the main form (it is
// topmost, so its copy comes first) and the application window. Exactly one copy of each
// post is handled:
//   - in the program's own loop the application window's copy counts, the main form's
//     is let go by;
//   - a loop that is not the program's (the tray menu, a move loop, a message box)
//     dispatches the main form's copy past the program's hook: that one counts, and the
//     application window's copy of the same post must not count again. Found queued, it
//     is taken out there and then; not queued yet (the sender posts to one window after
//     the other), it is awaited and let go by when it comes.
// The rule alone, with no window: the main form feeds it every copy it sees.

#include <cstdint>

namespace surgepad {

class BroadcastTwins {
public:
    // The main form's copy, taken by the program's own loop: never handled. A twin still
    // awaited from an earlier post has gone by in a modal loop meanwhile.
    bool MainFormCopyInOwnLoop();
    // The application window's copy, taken by the program's own loop: handled unless it
    // is the awaited twin of a copy a modal loop handled.
    bool AppWindowCopy(uint64_t wParam, uint64_t lParam);
    // The main form's copy, dispatched by a modal loop: always handled. `twinRemoved`:
    // the application window's copy of the same post was found queued and taken out.
    bool MainFormCopyInModalLoop(uint64_t wParam, uint64_t lParam, bool twinRemoved);

private:
    bool m_expected = false;
    uint64_t m_wParam = 0;
    uint64_t m_lParam = 0;
};

}  // namespace surgepad
