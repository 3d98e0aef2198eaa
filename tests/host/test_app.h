#pragma once
// An App wired to the fakes, as the tests build it.

#include "fakes/fake_form.h"
#include "fakes/fake_system.h"
#include "fakes/memory_file_system.h"
#include "wizard/app.h"

namespace vorlan::test {

struct TestApp {
    explicit TestApp(const std::string& folder = "E:\\instalar") {
        system.folder = folder;
        app.state = installer_state(folder);
    }
    FakeForm form;
    MemoryFileSystem fs;
    FakePrograms programs;
    FakeSystem system;
    App app{form, fs, programs, system, {}};
};

}  // namespace vorlan::test
