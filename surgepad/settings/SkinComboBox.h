#pragma once
// The settings window's profile drop-down list, made of ordinary parts on the owner
// window: a picture of the closed box, a label with the chosen entry, a skinned arrow
// button, and a hidden panel holding an owner-drawn list that opens below the box.
// The arrow opens and closes the panel on the press; choosing an entry, a left-button
// press anywhere else in the program, or the program losing activation closes it.
// From the keyboard: Space, F4 or Alt+Down on the arrow opens the panel with the focus
// in the list; Up and Down move there, Enter (or F4, Alt+Up) chooses, Escape and Tab
// close it unchanged. The chosen entry is the one shown: moving in the open list
// changes nothing until an entry is chosen, and a closed list never keeps the focus.

#include <memory>
#include <string>
#include <vector>

#include "kr/KrButton.h"
#include "kr/KrImage.h"
#include "lumen/graphics/DibBitmap.h"
#include "surgepad/settings/ListItemPainter.h"
#include "surgepad/settings/OwnerDrawListBox.h"
#include "ui/Application.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "ui/Panel.h"

namespace surgepad {

class SkinComboBox {
public:
    // What the owner window lends: its background picture, which the arrow's pictures
    // are composed over, and the three pieces the drop panel is painted from.
    struct Skin {
        lumen::Bitmap& background;
        const lumen::Bitmap& panelTop;
        const lumen::Bitmap& panelBody;
        const lumen::Bitmap& panelBottom;
    };

    // Builds the parts on `owner` with the box's top-left at (x, y).
    SkinComboBox(ui::WinControl& owner, int x, int y, const Skin& skin);
    // Builds the parts without their pictures, for an owner whose skin is made later:
    // Layout makes them before the box is shown.
    explicit SkinComboBox(ui::WinControl& owner);
    SkinComboBox(const SkinComboBox&) = delete;
    SkinComboBox& operator=(const SkinComboBox&) = delete;
    ~SkinComboBox();

    // Places the parts with the box's top-left at (x, y), and makes their pictures,
    // fonts and sizes again at the owner's DPI (a window that moved to a
    // monitor of another DPI). Entries and the chosen one stay.
    void Layout(int x, int y, const Skin& skin);

    void SetEnabled(bool enabled);
    // Shows or hides the box; the drop panel is closed either way.
    void SetVisible(bool visible);

    // The entries (Clear, Add, Count).
    OwnerDrawListBox& Items() { return *m_list; }
    // The chosen entry (the one shown), -1 for none.
    int ItemIndex() const { return m_chosen; }
    // Chooses entry `index` (-1, or an index beyond the entries: none), shows its text
    // and reports the change; the current index changes nothing.
    void SetItemIndex(int index);
    // The shown name.
    const std::string& Text() const { return m_caption->Caption(); }
    // What a screen reader says of the box: `name`, then the chosen entry (read on the
    // arrow, where the keys are while the list is closed; the open list's entries are
    // the system list's own).
    void SetAccessibleName(const std::string& name);

    // Called with the list whenever the chosen entry changes.
    ui::Callback<OwnerDrawListBox&> OnChange;

    bool IsOpen() const { return m_panel->Visible(); }

    // The parts, for whoever needs to look at them.
    kr::KrButton& Arrow();
    kr::KrImage& Body() { return *m_body; }
    ui::Label& Caption() { return *m_caption; }
    ui::Panel& DropPanel() { return *m_panel; }
    OwnerDrawListBox& List() { return *m_list; }

private:
    class ArrowButton;

    void Toggle();
    void Open();
    void Close();
    // Entry `index` becomes the chosen one, shown and reported (also when it was).
    void Choose(int index);
    void ItemChosen(OwnerDrawListBox& list, ui::MouseButton button, int x, int y);
    // Keys of the arrow and of the open list; true when the key was taken.
    bool Key(HWND target, UINT message, WPARAM key);
    void HookMessage(MSG& msg, bool& handled);
    void Deactivated();
    void PaintPanelImage(const Skin& skin);

    // Destroyed in reverse: the subscriptions end first, the painter lets go of the
    // list before the list goes, and the list's window before its panel's.
    // `pixels` at 96 DPI at the owner's DPI, which the parts share.
    int Px(int pixels) const { return m_body->Px(pixels); }

    std::vector<ui::Control*> m_parts;
    lumen::DibBitmap m_normalPicture;
    lumen::DibBitmap m_disabledPicture;
    std::unique_ptr<kr::KrImage> m_body;
    std::unique_ptr<ui::Label> m_caption;
    std::unique_ptr<ArrowButton> m_arrow;
    std::unique_ptr<ui::Panel> m_panel;
    std::unique_ptr<ui::Image> m_panelImage;
    std::unique_ptr<OwnerDrawListBox> m_list;
    ListItemPainter m_painter;
    int m_chosen = -1;
    std::string m_accessibleName;
    ui::Subscription m_hook;
    ui::Subscription m_deactivation;
};

}  // namespace surgepad
