#include "kr/KrAccessible.h"

#include <string>

#include "kr/AccessibilityCalls.h"
#include "kr/KrControl.h"
#include "lumen/core/WideText.h"

namespace kr {
namespace {

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The control's texts are UTF-8, as everything it draws (lumen/core/WideText.h).
// The object exists only where the entries were bound.
BSTR ToBstr(const std::string& text) {
    const AccessibilityCalls* calls = Accessibility();
    if (calls == nullptr) {
        return nullptr;
    }
    const std::wstring wide = lumen::Widen(text);
    return calls->sysAllocStringLen(wide.c_str(), static_cast<UINT>(wide.size()));
}

}  // namespace

// The interface identifiers come from the headers' declarations (__uuidof): the import
// library's IID_IAccessible is the DLL's exported datum, which a plain reference
// resolves to its import thunk rather than to the identifier.

KrAccessible::KrAccessible(KrControl& control, IAccessible* inner) : m_control(&control), m_inner(inner) {}

KrAccessible::~KrAccessible() {
    Disconnect();
}

void KrAccessible::Disconnect() {
    m_control = nullptr;
    if (m_inner != nullptr) {
        IAccessible* inner = m_inner;
        m_inner = nullptr;
        inner->Release();
    }
}

HRESULT STDMETHODCALLTYPE KrAccessible::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, __uuidof(IUnknown)) || IsEqualIID(riid, __uuidof(IDispatch)) ||
        IsEqualIID(riid, __uuidof(IAccessible))) {
        *out = static_cast<IAccessible*>(this);
    } else if (IsEqualIID(riid, __uuidof(IOleWindow))) {
        *out = static_cast<IOleWindow*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE KrAccessible::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_references));
}

ULONG STDMETHODCALLTYPE KrAccessible::Release() {
    const LONG left = InterlockedDecrement(&m_references);
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE KrAccessible::GetTypeInfoCount(UINT* count) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->GetTypeInfoCount(count);
}

HRESULT STDMETHODCALLTYPE KrAccessible::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->GetTypeInfo(index, lcid, info);
}

HRESULT STDMETHODCALLTYPE KrAccessible::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                                      DISPID* ids) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->GetIDsOfNames(riid, names, count, lcid, ids);
}

HRESULT STDMETHODCALLTYPE KrAccessible::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                               VARIANT* result, EXCEPINFO* exception, UINT* argError) {
    if (m_inner == nullptr) {
        return CO_E_OBJNOTCONNECTED;
    }
    ITypeInfo* info = nullptr;
    const HRESULT hr = m_inner->GetTypeInfo(0, lcid, &info);
    if (FAILED(hr) || info == nullptr) {
        return FAILED(hr) ? hr : E_NOTIMPL;
    }
    (void)riid;
    const HRESULT done = info->Invoke(static_cast<IAccessible*>(this), id, flags, params, result, exception, argError);
    info->Release();
    return done;
}

HRESULT STDMETHODCALLTYPE KrAccessible::get_accParent(IDispatch** parent) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->get_accParent(parent);
}

HRESULT STDMETHODCALLTYPE KrAccessible::get_accChildCount(long* count) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->get_accChildCount(count);
}

HRESULT STDMETHODCALLTYPE KrAccessible::get_accChild(VARIANT child, IDispatch** out) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->get_accChild(child, out);
}

HRESULT STDMETHODCALLTYPE KrAccessible::get_accName(VARIANT child, BSTR* name) {
    if (m_control == nullptr) {
        return CO_E_OBJNOTCONNECTED;
    }
    if (!IsSelf(child)) {
        return m_inner->get_accName(child, name);
    }
    if (name == nullptr) {
        return E_POINTER;
    }
    const std::string text = m_control->AccessibleName();
    if (text.empty()) {
        // No name at all, as MSAA says it.
        *name = nullptr;
        return S_FALSE;
    }
    *name = ToBstr(text);
    return *name == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT STDMETHODCALLTYPE KrAccessible::get_accValue(VARIANT child, BSTR* value) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->get_accValue(child, value);
}

HRESULT STDMETHODCALLTYPE KrAccessible::get_accDescription(VARIANT child, BSTR* description) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->get_accDescription(child, description);
}

HRESULT STDMETHODCALLTYPE KrAccessible::get_accRole(VARIANT child, VARIANT* role) {
    if (m_control == nullptr) {
        return CO_E_OBJNOTCONNECTED;
    }
    if (!IsSelf(child)) {
        return m_inner->get_accRole(child, role);
    }
    if (role == nullptr) {
        return E_POINTER;
    }
    role->vt = VT_I4;
    role->lVal = m_control->AccessibleRole();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE KrAccessible::get_accState(VARIANT child, VARIANT* state) {
    if (m_control == nullptr) {
        return CO_E_OBJNOTCONNECTED;
    }
    if (!IsSelf(child)) {
        return m_inner->get_accState(child, state);
    }
    if (state == nullptr) {
        return E_POINTER;
    }
    state->vt = VT_I4;
    state->lVal = m_control->AccessibleState();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE KrAccessible::get_accHelp(VARIANT child, BSTR* help) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->get_accHelp(child, help);
}

HRESULT STDMETHODCALLTYPE KrAccessible::get_accHelpTopic(BSTR* helpFile, VARIANT child, long* topic) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->get_accHelpTopic(helpFile, child, topic);
}

HRESULT STDMETHODCALLTYPE KrAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->get_accKeyboardShortcut(child, shortcut);
}

HRESULT STDMETHODCALLTYPE KrAccessible::get_accFocus(VARIANT* focus) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->get_accFocus(focus);
}

HRESULT STDMETHODCALLTYPE KrAccessible::get_accSelection(VARIANT* selection) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->get_accSelection(selection);
}

HRESULT STDMETHODCALLTYPE KrAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->get_accDefaultAction(child, action);
}

HRESULT STDMETHODCALLTYPE KrAccessible::accSelect(long flags, VARIANT child) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->accSelect(flags, child);
}

HRESULT STDMETHODCALLTYPE KrAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->accLocation(left, top, width, height, child);
}

HRESULT STDMETHODCALLTYPE KrAccessible::accNavigate(long direction, VARIANT start, VARIANT* end) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->accNavigate(direction, start, end);
}

HRESULT STDMETHODCALLTYPE KrAccessible::accHitTest(long x, long y, VARIANT* child) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->accHitTest(x, y, child);
}

HRESULT STDMETHODCALLTYPE KrAccessible::accDoDefaultAction(VARIANT child) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->accDoDefaultAction(child);
}

HRESULT STDMETHODCALLTYPE KrAccessible::put_accName(VARIANT child, BSTR name) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->put_accName(child, name);
}

HRESULT STDMETHODCALLTYPE KrAccessible::put_accValue(VARIANT child, BSTR value) {
    return m_inner == nullptr ? CO_E_OBJNOTCONNECTED : m_inner->put_accValue(child, value);
}

HRESULT STDMETHODCALLTYPE KrAccessible::GetWindow(HWND* window) {
    if (window == nullptr) {
        return E_POINTER;
    }
    if (m_control == nullptr) {
        *window = nullptr;
        return CO_E_OBJNOTCONNECTED;
    }
    *window = m_control->Handle();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE KrAccessible::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}

}  // namespace kr
