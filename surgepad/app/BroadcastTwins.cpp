#include "surgepad/app/BroadcastTwins.h"

namespace surgepad {

bool BroadcastTwins::MainFormCopyInOwnLoop() {
    m_expected = false;
    return false;
}

bool BroadcastTwins::AppWindowCopy(uint64_t wParam, uint64_t lParam) {
    if (m_expected && m_wParam == wParam && m_lParam == lParam) {
        m_expected = false;
        return false;
    }
    return true;
}

bool BroadcastTwins::MainFormCopyInModalLoop(uint64_t wParam, uint64_t lParam, bool twinRemoved) {
    m_expected = !twinRemoved;
    m_wParam = wParam;
    m_lParam = lParam;
    return true;
}

}  // namespace surgepad
