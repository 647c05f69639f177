// What a screen reader finds on the skinned push buttons, check boxes and radio
// buttons: each control's window is asked for its client object the way a reader asks
// (AccessibleObjectFromWindow, which sends WM_GETOBJECT), and the name, role and state
// it answers are compared with the expected table after real input and program changes.
#include <windows.h>

#include <oleacc.h>

#include <gtest/gtest.h>

#include <atomic>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "kr/KrBrick.h"
#include "kr/KrButton.h"
#include "kr/KrCheckBox.h"
#include "tests/unit/win/RealInput.h"
#include "tests/unit/win/UiTestSupport.h"
#include "ui/Application.h"
#include "ui/Form.h"

namespace {

class ReaderForm : public ui::Form {
public:
    ReaderForm() : ui::Form(uitest::TestFormLayout("TKrReaderForm", {80, 80, 420, 200}, RGB(30, 30, 50))) {}
};

std::string StateText(long state) {
    static const std::pair<long, const char*> names[] = {
        {STATE_SYSTEM_UNAVAILABLE, "unavailable"},
        {STATE_SYSTEM_FOCUSED, "focused"},
        {STATE_SYSTEM_FOCUSABLE, "focusable"},
        {STATE_SYSTEM_CHECKED, "checked"},
        {STATE_SYSTEM_MIXED, "mixed"},
        {STATE_SYSTEM_INVISIBLE, "invisible"},
    };
    std::string text;
    for (const auto& [flag, name] : names) {
        if ((state & flag) != 0) {
            text += (text.empty() ? "" : "|") + std::string(name);
            state &= ~flag;
        }
    }
    if (state != 0) {
        text += (text.empty() ? "" : "|") + std::to_string(state);
    }
    return text.empty() ? "normal" : text;
}

std::string RoleText(long role) {
    switch (role) {
        case ROLE_SYSTEM_PUSHBUTTON:
            return "push button";
        case ROLE_SYSTEM_CHECKBUTTON:
            return "check button";
        case ROLE_SYSTEM_RADIOBUTTON:
            return "radio button";
        case ROLE_SYSTEM_CLIENT:
            return "client";
        default:
            return "role " + std::to_string(role);
    }
}

// What a reader learns of a window: "(none)" for a name the object says it lacks.
struct Reading {
    std::string name;
    long role = -1;
    long state = -1;
    bool operator==(const Reading&) const = default;
};

std::string Describe(const Reading& r) {
    return "name \"" + r.name + "\", " + RoleText(r.role) + ", " + StateText(r.state);
}

VARIANT Self() {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = CHILDID_SELF;
    return v;
}

std::string Narrow(BSTR text) {
    if (text == nullptr) {
        return "(none)";
    }
    const int n =
        WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(SysStringLen(text)), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(SysStringLen(text)), out.data(), n, nullptr, nullptr);
    return out;
}

// Asks the window as a reader does. Failures of the calls come back in `error`.
Reading Read(HWND window, std::string& error) {
    Reading r;
    IAccessible* object = nullptr;
    HRESULT hr = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                            reinterpret_cast<void**>(&object));
    if (FAILED(hr) || object == nullptr) {
        char text[64] = {};
        wsprintfA(text, "AccessibleObjectFromWindow: 0x%08lX", static_cast<unsigned long>(hr));
        error = text;
        return r;
    }
    BSTR name = nullptr;
    hr = object->get_accName(Self(), &name);
    if (FAILED(hr)) {
        error += " get_accName failed";
    }
    r.name = Narrow(name);
    SysFreeString(name);
    VARIANT role;
    VariantInit(&role);
    if (FAILED(object->get_accRole(Self(), &role)) || role.vt != VT_I4) {
        error += " get_accRole failed";
    } else {
        r.role = role.lVal;
    }
    VARIANT state;
    VariantInit(&state);
    if (FAILED(object->get_accState(Self(), &state)) || state.vt != VT_I4) {
        error += " get_accState failed";
    } else {
        r.state = state.lVal;
    }
    object->Release();
    return r;
}

class KrAccessibilityOnDesktop : public testing::Test {
protected:
    void SetUp() override {
        // A reader's side: the object comes back through COM's marshalling.
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ui::App().Initialize();
        form = ui::App().CreateForm<ReaderForm>();
        form->Show();
        SetForegroundWindow(form->Handle());
        realinput::Park();
    }
    void TearDown() override {
        realinput::Park();
        ui::App().DestroyForms();
        CoUninitialize();
    }

    ReaderForm* form = nullptr;
};

constexpr long kFocusable = STATE_SYSTEM_FOCUSABLE;

TEST_F(KrAccessibilityOnDesktop, ControlsTellTheirNameRoleAndState) {
    kr::KrButton close(*form, 10, 10, 24, 24);
    close.SetHint("Close");
    kr::KrButton nameless(*form, 40, 10, 24, 24);
    kr::KrButtonTx apply(*form, 70, 10, 80, 24);
    apply.SetText("Apply");
    apply.SetHint("Apply the chosen action");
    kr::KrButtonTx named(*form, 160, 10, 80, 24);
    named.SetText("OK");
    named.SetAccessibleName("Accept the settings");
    kr::KrCheckBox badge(*form, 10, 60, 20, 20);
    badge.SetAccessibleName("Show the badge");
    kr::KrCheckBox grayed(*form, 40, 60, 20, 20);
    grayed.SetHint("Three states");
    grayed.SetAllowGrayed(true);
    kr::KrRadioButton nothing(*form, 10, 110, 20, 20);
    nothing.SetAccessibleName("Do nothing");
    kr::KrRadioButton turbo(*form, 40, 110, 20, 20);
    turbo.SetAccessibleName("Turbo");
    kr::KrBrick brick(*form, 300, 10, 40, 40);
    brick.SetHint("A tile");
    realinput::Settle();

    struct Row {
        const char* what;
        HWND window;
        Reading expected;
    };
    // One stage: what the program or the user did, then every control as a reader
    // finds it.
    struct Stage {
        const char* what;
        void (*act)(kr::KrButton&, kr::KrButtonTx&, kr::KrCheckBox&, kr::KrCheckBox&, kr::KrRadioButton&,
                    kr::KrRadioButton&);
        std::vector<Reading> expected;  // close, nameless, apply, named, badge, grayed, nothing, turbo, brick
    };
    const long push = ROLE_SYSTEM_PUSHBUTTON;
    const long check = ROLE_SYSTEM_CHECKBUTTON;
    const long radio = ROLE_SYSTEM_RADIOBUTTON;
    const long client = ROLE_SYSTEM_CLIENT;
    const Stage stages[] = {
        {"as made",
         [](auto&, auto&, auto&, auto&, auto&, auto&) {},
         {{"Close", push, kFocusable},
          {"(none)", push, kFocusable},
          {"Apply", push, kFocusable},
          {"Accept the settings", push, kFocusable},
          {"Show the badge", check, kFocusable},
          {"Three states", check, kFocusable},
          {"Do nothing", radio, kFocusable},
          {"Turbo", radio, kFocusable},
          {"", client, -2}}},
        {"checked by the program, caption changed, close disabled",
         [](kr::KrButton& close, kr::KrButtonTx& apply, kr::KrCheckBox& badge, kr::KrCheckBox& grayed,
            kr::KrRadioButton& nothing, kr::KrRadioButton&) {
             close.SetEnabled(false);
             apply.SetText("Apply now");
             badge.SetChecked(true);
             grayed.SetState(kr::cbGrayed);
             nothing.SetChecked(true);
         },
         {{"Close", push, STATE_SYSTEM_UNAVAILABLE},
          {"(none)", push, kFocusable},
          {"Apply now", push, kFocusable},
          {"Accept the settings", push, kFocusable},
          {"Show the badge", check, kFocusable | STATE_SYSTEM_CHECKED},
          {"Three states", check, kFocusable | STATE_SYSTEM_MIXED},
          {"Do nothing", radio, kFocusable | STATE_SYSTEM_CHECKED},
          {"Turbo", radio, kFocusable},
          {"", client, -2}}},
        {"disabled while checked, enabled again",
         [](kr::KrButton& close, kr::KrButtonTx&, kr::KrCheckBox& badge, kr::KrCheckBox& grayed, kr::KrRadioButton&,
            kr::KrRadioButton&) {
             close.SetEnabled(true);
             badge.SetEnabled(false);
             grayed.SetState(kr::cbUnchecked);
         },
         {{"Close", push, kFocusable},
          {"(none)", push, kFocusable},
          {"Apply now", push, kFocusable},
          {"Accept the settings", push, kFocusable},
          {"Show the badge", check, STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_CHECKED},
          {"Three states", check, kFocusable},
          {"Do nothing", radio, kFocusable | STATE_SYSTEM_CHECKED},
          {"Turbo", radio, kFocusable},
          {"", client, -2}}},
        {"the user clicks Turbo",
         [](kr::KrButton&, kr::KrButtonTx&, kr::KrCheckBox&, kr::KrCheckBox&, kr::KrRadioButton&,
            kr::KrRadioButton& turbo) { realinput::Click(turbo.Handle(), 10, 10); },
         {{"Close", push, kFocusable},
          {"(none)", push, kFocusable},
          {"Apply now", push, kFocusable},
          {"Accept the settings", push, kFocusable},
          {"Show the badge", check, STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_CHECKED},
          {"Three states", check, kFocusable},
          {"Do nothing", radio, kFocusable},
          {"Turbo", radio, kFocusable | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_CHECKED},
          {"", client, -2}}},
        {"the user tabs from Turbo round to the first button",
         [](kr::KrButton&, kr::KrButtonTx&, kr::KrCheckBox&, kr::KrCheckBox&, kr::KrRadioButton&, kr::KrRadioButton&) {
             realinput::Tap(VK_TAB);
         },
         {{"Close", push, kFocusable | STATE_SYSTEM_FOCUSED},
          {"(none)", push, kFocusable},
          {"Apply now", push, kFocusable},
          {"Accept the settings", push, kFocusable},
          {"Show the badge", check, STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_CHECKED},
          {"Three states", check, kFocusable},
          {"Do nothing", radio, kFocusable},
          {"Turbo", radio, kFocusable | STATE_SYSTEM_CHECKED},
          {"", client, -2}}},
        {"the user clicks the three-state box",
         [](kr::KrButton&, kr::KrButtonTx&, kr::KrCheckBox&, kr::KrCheckBox& grayed, kr::KrRadioButton&,
            kr::KrRadioButton&) { realinput::Click(grayed.Handle(), 10, 10); },
         {{"Close", push, kFocusable},
          {"(none)", push, kFocusable},
          {"Apply now", push, kFocusable},
          {"Accept the settings", push, kFocusable},
          {"Show the badge", check, STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_CHECKED},
          {"Three states", check, kFocusable | STATE_SYSTEM_FOCUSED | STATE_SYSTEM_MIXED},
          {"Do nothing", radio, kFocusable},
          {"Turbo", radio, kFocusable | STATE_SYSTEM_CHECKED},
          {"", client, -2}}},
        {"the form hidden",
         [](kr::KrButton& close, kr::KrButtonTx&, kr::KrCheckBox&, kr::KrCheckBox&, kr::KrRadioButton&,
            kr::KrRadioButton&) { static_cast<ui::Form*>(close.TopLevel())->Hide(); },
         {{"Close", push, kFocusable | STATE_SYSTEM_INVISIBLE},
          {"(none)", push, kFocusable | STATE_SYSTEM_INVISIBLE},
          {"Apply now", push, kFocusable | STATE_SYSTEM_INVISIBLE},
          {"Accept the settings", push, kFocusable | STATE_SYSTEM_INVISIBLE},
          {"Show the badge", check, STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_CHECKED | STATE_SYSTEM_INVISIBLE},
          {"Three states", check, kFocusable | STATE_SYSTEM_MIXED | STATE_SYSTEM_INVISIBLE},
          {"Do nothing", radio, kFocusable | STATE_SYSTEM_INVISIBLE},
          {"Turbo", radio, kFocusable | STATE_SYSTEM_CHECKED | STATE_SYSTEM_INVISIBLE},
          {"", client, -2}}},
    };
    const HWND windows[] = {close.Handle(),  nameless.Handle(), apply.Handle(), named.Handle(), badge.Handle(),
                            grayed.Handle(), nothing.Handle(),  turbo.Handle(), brick.Handle()};
    const char* const labels[] = {"close",  "nameless", "apply", "named", "badge",
                                  "grayed", "nothing",  "turbo", "brick"};
    for (const Stage& stage : stages) {
        stage.act(close, apply, badge, grayed, nothing, turbo);
        realinput::Settle();
        ASSERT_EQ(stage.expected.size(), std::size(windows));
        for (size_t i = 0; i < std::size(windows); ++i) {
            std::string error;
            Reading got = Read(windows[i], error);
            Reading expected = stage.expected[i];
            if (expected.state == -2) {
                // The brick has no object of its own: the system's, whose name and
                // state are the system's business. Only its role is compared.
                got.name = expected.name;
                got.state = expected.state;
            }
            EXPECT_TRUE(error.empty()) << stage.what << ", " << labels[i] << ":" << error;
            EXPECT_EQ(got, expected) << stage.what << ", " << labels[i] << ": got " << Describe(got) << ", expected "
                                     << Describe(expected);
        }
    }
}

// Where the control lies and which window it is come from the system's standard
// object; a reader that keeps the object longer than the control lives gets errors,
// never a stale control.
TEST_F(KrAccessibilityOnDesktop, TheRestComesFromTheSystemAndOutlivesTheControl) {
    auto button = std::make_unique<kr::KrButtonTx>(*form, 30, 40, 90, 26);
    button->SetText("Cancel");
    realinput::Settle();
    IAccessible* object = nullptr;
    ASSERT_TRUE(SUCCEEDED(AccessibleObjectFromWindow(button->Handle(), static_cast<DWORD>(OBJID_CLIENT),
                                                     __uuidof(IAccessible), reinterpret_cast<void**>(&object))));
    ASSERT_NE(object, nullptr);

    HWND window = nullptr;
    EXPECT_TRUE(SUCCEEDED(WindowFromAccessibleObject(object, &window)));
    EXPECT_EQ(window, button->Handle());
    RECT onScreen = {};
    GetWindowRect(button->Handle(), &onScreen);
    long left = 0, top = 0, width = 0, height = 0;
    EXPECT_TRUE(SUCCEEDED(object->accLocation(&left, &top, &width, &height, Self())));
    const RECT got = {left, top, left + width, top + height};
    EXPECT_TRUE(EqualRect(&got, &onScreen))
        << "got (" << got.left << ", " << got.top << ")-(" << got.right << ", " << got.bottom << "), expected ("
        << onScreen.left << ", " << onScreen.top << ")-(" << onScreen.right << ", " << onScreen.bottom << ")";

    // Asked again, the control answers with the same object.
    IAccessible* again = nullptr;
    ASSERT_TRUE(SUCCEEDED(AccessibleObjectFromWindow(button->Handle(), static_cast<DWORD>(OBJID_CLIENT),
                                                     __uuidof(IAccessible), reinterpret_cast<void**>(&again))));
    EXPECT_EQ(again, object);
    again->Release();

    button.reset();
    BSTR name = nullptr;
    EXPECT_EQ(object->get_accName(Self(), &name), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(name, nullptr);
    VARIANT role;
    VariantInit(&role);
    EXPECT_EQ(object->get_accRole(Self(), &role), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(object->accLocation(&left, &top, &width, &height, Self()), CO_E_OBJNOTCONNECTED);
    object->Release();
}

// A reader is another program: it asks from outside the GUI thread, which has not
// joined COM itself, and every call travels back to that thread.
TEST(KrAccessibilityFromAnotherThreadOnDesktop, AReaderOutsideTheGuiThreadGetsTheSameAnswers) {
    ui::App().Initialize();
    ReaderForm* form = ui::App().CreateForm<ReaderForm>();
    form->Show();
    kr::KrCheckBox box(*form, 20, 20, 20, 20);
    box.SetAccessibleName("Show the badge");
    box.SetChecked(true);
    kr::KrButton close(*form, 60, 20, 24, 24);
    close.SetHint("Close");
    close.SetEnabled(false);
    realinput::Settle();

    struct Row {
        const char* what;
        HWND window;
        Reading expected;
    };
    const Row rows[] = {
        {"check box", box.Handle(), {"Show the badge", ROLE_SYSTEM_CHECKBUTTON, kFocusable | STATE_SYSTEM_CHECKED}},
        {"close button", close.Handle(), {"Close", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_UNAVAILABLE}},
    };
    std::vector<Reading> got(std::size(rows));
    std::vector<std::string> errors(std::size(rows));
    std::atomic<bool> done{false};
    std::thread reader([&] {
        if (SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
            for (size_t i = 0; i < std::size(rows); ++i) {
                got[i] = Read(rows[i].window, errors[i]);
            }
            CoUninitialize();
        } else {
            errors[0] = "no COM on the reader's thread";
        }
        done = true;
    });
    const bool finished = uitest::PumpUntil([&] { return done.load(); }, 20000);
    reader.join();
    ASSERT_TRUE(finished);
    for (size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_TRUE(errors[i].empty()) << rows[i].what << ":" << errors[i];
        EXPECT_EQ(got[i], rows[i].expected)
            << rows[i].what << ": got " << Describe(got[i]) << ", expected " << Describe(rows[i].expected);
    }
    ui::App().DestroyForms();
}

}  // namespace
