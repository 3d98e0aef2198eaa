#include "wizard/running_copy.h"

namespace vorlan {

RunningCopy::~RunningCopy() {
    app_.copy_run = nullptr;
    if (busy_) app_.form.set_task(Form::Task::Failed);
}

void RunningCopy::start(CopyRun& run) {
    app_.copy_run = &run;
    busy_ = true;
    // Through the pointer, not the run itself: the window keeps this for as
    // long as it is busy, which outlasts the run.
    App& app = app_;
    app_.form.set_task(Form::Task::Busy, [&app] {
        if (app.copy_run) app.copy_run->abandon();
    });
}

void RunningCopy::stop() { app_.copy_run = nullptr; }

void RunningCopy::end(Form::Task outcome) {
    busy_ = false;
    app_.form.set_task(outcome);
}

}  // namespace vorlan
