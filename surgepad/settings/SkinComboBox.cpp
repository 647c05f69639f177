#include "surgepad/settings/SkinComboBox.h"

#include "surgepad/look/PngReader.h"

#include "lumen/core/DebugTrace.h"

namespace surgepad {
namespace {

constexpr ui::Color kTextColor = RGB(218, 218, 218);
constexpr ui::Color kDisabledTextColor = RGB(128, 128, 128);
constexpr ui::Color kListColor = RGB(44, 44, 54);
constexpr ui::Color kHighlightColor = RGB(128, 80, 199);
constexpr int kPanelWidth = 165;
constexpr int kPanelHeight = 78;
constexpr int kTextInset = 9;

void SetListFont(ui::Font& font, int height) {
    font.SetName("Arial");
    font.SetHeight(height);
    font.SetColor(kTextColor);
}

// Draws `piece` into (x, y, width, height) of the canvas, stretched to fit.
void DrawPiece(HDC canvas, const lumen::Bitmap& piece, int x, int y, int width, int height) {
    if (piece.Empty() || width <= 0 || height <= 0) {
        return;
    }
    lumen::DibBitmap copy;
    copy.Assign(piece);
    lumen::BitmapCanvas source(copy);
    if (source.Dc() != nullptr) {
        StretchBlt(canvas, x, y, width, height, source.Dc(), 0, 0, piece.Width(), piece.Height(), SRCCOPY);
    }
}

}  // namespace

// The drop button reacts on the press of any mouse button, not on a click.
class SkinComboBox::ArrowButton final : public kr::KrButton {
public:
    ArrowButton(ui::WinControl& parent, int left, int top, SkinComboBox& combo)
        : kr::KrButton(parent, left, top), m_combo(combo) {}

protected:
    void MouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) override {
        kr::KrButton::MouseDown(button, shift, x, y);
        m_combo.Toggle();
    }
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        // The framework decodes the left and right buttons only.
        if (message == WM_MBUTTONDOWN) {
            m_combo.Toggle();
        }
        return kr::KrButton::WndProc(message, wParam, lParam);
    }

private:
    SkinComboBox& m_combo;
};

SkinComboBox::SkinComboBox(ui::WinControl& owner, int x, int y, const Skin& skin) : SkinComboBox(owner) {
    Layout(x, y, skin);
}

SkinComboBox::SkinComboBox(ui::WinControl& owner) {
    m_body = std::make_unique<kr::KrImage>(owner);
    m_body->Picture().SetPixelFormat(lumen::PixelFormat::Bgra32);
    m_body->SetAlphaChannel(true);
    m_body->SetAutoSize(true);

    m_caption = std::make_unique<ui::Label>(owner);
    m_caption->SetAlignment(ui::Alignment::Left);
    m_caption->SetLayout(ui::TextLayout::Center);
    m_caption->SetTransparent(true);
    m_caption->SetShowAccelChar(false);
    // Graphic controls paint in creation order: the label lies above the box's picture.
    m_parts = {m_body.get(), m_caption.get()};

    m_arrow = std::make_unique<ArrowButton>(owner, 0, 0, *this);
    m_parts.push_back(m_arrow.get());

    m_panel = std::make_unique<ui::Panel>(owner, 0, 0, 1, 1);
    m_panel->SetVisible(false);
    m_panelImage = std::make_unique<ui::Image>(*m_panel);

    // The list box is a window: it lies above the panel's picture.
    m_list = std::make_unique<OwnerDrawListBox>(*m_panel, 0, 0, 1, 1);
    m_list->SetColor(kListColor);
    m_list->OnMouseUp = ListMouseUp::Of<&SkinComboBox::ItemChosen>(this);
    m_painter.SetHighlightColor(kHighlightColor);
    m_painter.Attach(*m_list);
    m_parts.push_back(m_panel.get());

    m_hook = ui::App().SubscribeMessages(ui::MessageHook::Of<&SkinComboBox::HookMessage>(this));
    m_deactivation = ui::App().SubscribeDeactivate(ui::Notify::Of<&SkinComboBox::Deactivated>(this));
}

SkinComboBox::~SkinComboBox() = default;

void SkinComboBox::Layout(int x, int y, const Skin& skin) {
    (void)LoadPngFile(ResourceFolder() + "combo_box_bg.png", m_normalPicture, m_body->Dpi());
    (void)LoadPngFile(ResourceFolder() + "combo_box_bg_un.png", m_disabledPicture, m_body->Dpi());
    m_body->SetPicture(m_arrow->Enabled() ? m_normalPicture : m_disabledPicture);
    m_body->SetPosition(x, y);

    SetListFont(m_caption->GetFont(), Px(-11));
    m_caption->SetBounds(x + Px(10), y - Px(3), Px(120), Px(28));

    const int arrowX = x + Px(138);
    const int arrowY = y + Px(1);
    m_arrow->SetPosition(arrowX, arrowY);
    kr::KrFourStateAppearance& looks = m_arrow->Appearance();
    LoadStateImages({&looks.RaisedBmp(), &looks.SunkenBmp(), &looks.FocusedBmp(), &looks.DisabledBmp()},
                    skin.background, arrowX, arrowY, "arrow_n.png", "arrow_d.png", "arrow_o.png", "arrow_un.png",
                    m_body->Dpi());

    const int panelWidth = Px(kPanelWidth);
    const int panelHeight = Px(kPanelHeight);
    m_panel->SetBounds(x, y + m_body->Height() - Px(1), panelWidth, panelHeight);
    m_panelImage->SetBounds(0, 0, panelWidth, panelHeight);
    PaintPanelImage(skin);
    m_list->SetBounds(Px(1), Px(2), panelWidth - Px(2), panelHeight - Px(4));
    SetListFont(m_list->GetFont(), Px(-11));
    m_painter.SetInsets(Px(kTextInset), 0, 0, 0);
}

kr::KrButton& SkinComboBox::Arrow() {
    return *m_arrow;
}

void SkinComboBox::PaintPanelImage(const Skin& skin) {
    const int width = m_panelImage->Width();
    const int height = m_panelImage->Height();
    const int bottom = skin.panelBottom.Height();
    lumen::DibBitmap picture(width, height, lumen::PixelFormat::Bgr24);
    {
        lumen::BitmapCanvas canvas(picture);
        if (canvas.Dc() != nullptr) {
            SetStretchBltMode(canvas.Dc(), COLORONCOLOR);
            DrawPiece(canvas.Dc(), skin.panelTop, 0, 0, skin.panelTop.Width(), skin.panelTop.Height());
            DrawPiece(canvas.Dc(), skin.panelBottom, 0, height - bottom, skin.panelBottom.Width(), bottom);
            DrawPiece(canvas.Dc(), skin.panelBody, 0, Px(1), width, height - bottom - Px(1));
            GdiFlush();
        }
    }
    m_panelImage->SetPicture(picture);
}

void SkinComboBox::SetEnabled(bool enabled) {
    if (!enabled) {
        Close();
    }
    m_arrow->SetEnabled(enabled);
    m_body->SetPicture(enabled ? m_normalPicture : m_disabledPicture);
    m_caption->GetFont().SetColor(enabled ? kTextColor : kDisabledTextColor);
}

void SkinComboBox::SetVisible(bool visible) {
    for (size_t i = 0; i + 1 < m_parts.size(); ++i) {
        m_parts[i]->SetVisible(visible);
    }
    Close();
}

void SkinComboBox::SetItemIndex(int index) {
    if (index < 0 || index >= m_list->Count()) {
        index = -1;
    }
    if (index == m_chosen && index == m_list->ItemIndex()) {
        return;
    }
    m_list->SetItemIndex(index);
    Choose(index);
}

void SkinComboBox::SetAccessibleName(const std::string& name) {
    m_accessibleName = name;
    m_arrow->SetAccessibleName(Text().empty() ? name : name + ", " + Text());
}

void SkinComboBox::Choose(int index) {
    m_chosen = index;
    m_caption->SetCaption(index < 0 ? std::string() : m_list->ItemText(index));
    SetAccessibleName(m_accessibleName);
    OnChange(*m_list);
}

void SkinComboBox::Toggle() {
    if (IsOpen()) {
        Close();
    } else {
        Open();
    }
}

void SkinComboBox::Open() {
    lumen::Trace("profile list: open");
    m_list->SetItemIndex(m_chosen);
    m_panel->SetVisible(true);
    // A child window starts at the bottom of its siblings: the open panel must cover
    // the owner's controls below the box, whenever they were made.
    SetWindowPos(m_panel->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void SkinComboBox::Close() {
    const bool listFocused = GetFocus() == m_list->ListHandle();
    if (IsOpen()) {
        lumen::Trace("profile list: closed");
    }
    m_panel->SetVisible(false);
    // What the list shows next time is the chosen entry, not where the keys left it.
    m_list->SetItemIndex(m_chosen);
    if (listFocused) {
        // A hidden list must not keep the keys: they go back to the arrow.
        if (m_arrow->Visible() && m_arrow->Enabled()) {
            m_arrow->SetFocus();
        } else if (HWND owner = GetAncestor(m_list->ListHandle(), GA_ROOT)) {
            ::SetFocus(owner);
        }
    }
}

void SkinComboBox::ItemChosen(OwnerDrawListBox& list, ui::MouseButton, int, int) {
    const int index = list.ItemIndex();
    if (index >= 0) {
        Choose(index);
    }
    Close();
}

bool SkinComboBox::Key(HWND target, UINT message, WPARAM key) {
    const bool alt = message == WM_SYSKEYDOWN;
    if (target == m_arrow->Handle()) {
        if ((!alt && (key == VK_SPACE || key == VK_F4)) || (alt && key == VK_DOWN)) {
            if (!IsOpen()) {
                Open();
                ::SetFocus(m_list->ListHandle());
            } else {
                Close();
            }
            return true;
        }
        // Up and Down never change the choice of a closed list unseen.
        return !alt && (key == VK_UP || key == VK_DOWN);
    }
    if (target != m_list->ListHandle() || !IsOpen()) {
        return false;
    }
    if ((!alt && (key == VK_RETURN || key == VK_F4)) || (alt && (key == VK_UP || key == VK_DOWN))) {
        if (m_list->ItemIndex() >= 0) {
            Choose(m_list->ItemIndex());
        }
        Close();
        return true;
    }
    if (!alt && (key == VK_ESCAPE || key == VK_TAB)) {
        Close();
        return true;
    }
    return false;
}

void SkinComboBox::HookMessage(MSG& msg, bool& handled) {
    if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && Key(msg.hwnd, msg.message, msg.wParam)) {
        handled = true;
        return;
    }
    // The press that closes the list is swallowed, so that it does not also act on
    // the control under the mouse.
    if (msg.message == WM_LBUTTONDOWN && IsOpen() && msg.hwnd != m_list->ListHandle() &&
        msg.hwnd != m_arrow->Handle()) {
        lumen::Trace("profile list: a press elsewhere");
        Close();
        handled = true;
    }
}

void SkinComboBox::Deactivated() {
    if (IsOpen()) {
        lumen::Trace("profile list: the program lost the front");
        Close();
    }
}

}  // namespace surgepad
