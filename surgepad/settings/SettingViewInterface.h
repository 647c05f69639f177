#pragma once
// The settings window as the controller uses it, and the view in force.

namespace surgepad {

// The settings window as the controller uses it.
class SettingViewInterface {
public:
    virtual ~SettingViewInterface() = default;
    // Loads the settings into the controls and connects them.
    virtual void Start() = 0;
    // Shows the settings window unless it is visible already.
    virtual void Open() = 0;
    // Shows the stored settings again.
    virtual void LoadState() = 0;
};
// The settings window's view; a plain one that shows SettingForm until the settings
// window's own view is installed with SetSettingView.
SettingViewInterface& SettingView();
void SetSettingView(SettingViewInterface* view);

}  // namespace surgepad
