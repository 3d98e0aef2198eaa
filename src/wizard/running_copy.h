#pragma once
// The one owner of the data copy that the copy page runs.

#include "wizard/app.h"

namespace vorlan {

// While a copy runs, "Cancelar" holds and abandons it, and the window, busy,
// abandons it should the session end: both through the page's pointer
// (App::copy_run), which this object sets when the copy starts and clears
// when it stops. The window stays busy until the installation's outcome.
// Should the installation end by an exception instead, the destructor clears
// the pointer and ends the busy task as failed: nothing can reach the run
// once it is gone, and the window no longer holds back the session for it.
class RunningCopy {
public:
    explicit RunningCopy(App& app) : app_(app) {}
    ~RunningCopy();
    RunningCopy(const RunningCopy&) = delete;
    RunningCopy& operator=(const RunningCopy&) = delete;

    // The copy begins: the window is busy from here.
    void start(CopyRun& run);
    // The copy has returned (its run is still there): nothing reaches it any more.
    void stop();
    // The installation is over: the task ends as `outcome` (Done or Failed).
    void end(Form::Task outcome);

private:
    App& app_;
    bool busy_ = false;
};

}  // namespace vorlan
