#pragma once
// The controls' names for screen readers (the design's kAccessibleNames),
// given by dynamic annotation: each control keeps everything the system's
// own accessibility says of it (its role, state, value: a counter's value is
// its text, every digit), and only its name is replaced. No window text
// changes, and no accessibility server of our own is needed.

#include <windows.h>

#include <oleacc.h>

#include <functional>
#include <vector>

#include "win32/handle.h"

namespace vorlan::win32 {

class AccessibleNames {
public:
    AccessibleNames() = default;
    ~AccessibleNames() { clear(); }
    AccessibleNames(const AccessibleNames&) = delete;
    AccessibleNames& operator=(const AccessibleNames&) = delete;

    // Names the controls `control` gives by id, through `services`, or the
    // system's annotation service when null; needs COM on this thread. S_OK,
    // or the first failure: E_NOTIMPL where the system has the service but
    // does not annotate (Wine), and the controls are then announced by
    // their window texts. A failure changes nothing else.
    HRESULT apply(IAccPropServices* services, const std::function<HWND(int)>& control);
    // Takes the names off again, before the windows go: a later window may be
    // given a gone one's handle.
    void clear();

private:
    UniqueCom<IAccPropServices> services_;
    std::vector<HWND> named_;
};

}  // namespace vorlan::win32
