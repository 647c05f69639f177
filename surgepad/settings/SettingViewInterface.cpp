#include "surgepad/settings/SettingViewInterface.h"

#include "surgepad/settings/SettingForm.h"

namespace surgepad {

namespace {

class PlainSettingView final : public SettingViewInterface {
public:
    void Start() override {}
    void Open() override {
        if (SettingForm != nullptr && !SettingForm->Visible()) {
            SettingForm->Show();
        }
    }
    void LoadState() override {}
};

SettingViewInterface* g_settingView = nullptr;

}  // namespace

SettingViewInterface& SettingView() {
    static auto* plain = new PlainSettingView;
    return g_settingView != nullptr ? *g_settingView : *plain;
}

void SetSettingView(SettingViewInterface* view) {
    g_settingView = view;
}

}  // namespace surgepad
