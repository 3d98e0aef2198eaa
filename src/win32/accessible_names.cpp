#include "win32/accessible_names.h"

#include "win32/text.h"
#include "wizard/controls.h"

namespace vorlan::win32 {

namespace {

// The service is made through COM, which loads oleacc.dll from the system:
// the program does not import it (a medium could put one beside the
// program), so its GUIDs are written out here, as oleacc.h gives them.
constexpr CLSID kAccPropServices = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kIAccPropServices = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr MSAAPROPID kName = {0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};

}  // namespace

HRESULT AccessibleNames::apply(IAccPropServices* services, const std::function<HWND(int)>& control) {
    clear();
    if (services) {
        services->AddRef();
        services_.reset(services);
    } else {
        const HRESULT made = CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIAccPropServices,
                                              reinterpret_cast<void**>(services_.out()));
        if (FAILED(made)) return made;
    }
    HRESULT result = S_OK;
    for (const AccessibleName& n : kAccessibleNames) {
        HWND hwnd = control(n.id);
        std::wstring name = widen(n.name);
        const HRESULT set =
            services_->SetHwndPropStr(hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kName, name.c_str());
        if (SUCCEEDED(set)) named_.push_back(hwnd);
        else if (SUCCEEDED(result)) result = set;
    }
    return result;
}

void AccessibleNames::clear() {
    if (!services_) return;
    const MSAAPROPID name = kName;
    for (HWND hwnd : named_) services_->ClearHwndProps(hwnd, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &name, 1);
    named_.clear();
}

}  // namespace vorlan::win32
