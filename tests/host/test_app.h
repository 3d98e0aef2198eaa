#pragma once
// An App wired to the fakes, as the tests build it.

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

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

const char* const kBoxB =
    "Se va a proceder a generar el directorio 'C:\\vorlan'\n  y a copiar los datos de la aplicacion.\n¿Esta usted seguro?";
const char* const kBoxA = "El directorio C:\\vorlan ya existe.\n¿Desea sobreescribirlo?";
const char* const kDone = "Copia de ficheros realizada correctamente.\n";

// The copy page of a wizard run from E:\instalar, as the user reaches it.
struct CopyPage : TestApp {
    CopyPage() {
        fs.add_file("E:\\instalar\\vorlan\\a.dat", std::string(1000, 'a'));
        fs.add_file("E:\\instalar\\vorlan\\b.dat", std::string(2000, 'b'), ATTR_READONLY);
        fs.add_file("E:\\instalar\\vorlan\\mapas\\c.dat", std::string(1000, 'c'), ATTR_READONLY);
        fs.add_folder("E:\\instalar\\vorlan\\vacia");
        for (int id : {btn_sig0, Label5, btn_sig1}) on_click(app, id);
        form.boxes.clear();
    }

    // Clicks "Instalar" with these answers; the boxes shown, as "style text".
    std::vector<std::string> install(std::deque<int> answers) {
        form.answers = std::move(answers);
        on_click(app, btn_inst);
        std::vector<std::string> shown;
        for (const MessageBoxCall& b : form.boxes) {
            EXPECT_EQ(b.title, "VorLan");
            shown.push_back(std::to_string(b.style) + " " + b.text);
        }
        form.boxes.clear();
        return shown;
    }

    // The controls after No or a failure: the report, a new try and the way back are offered.
    void expect_retry_offered() {
        EXPECT_TRUE(form.visible(btn_inferr) && form.enabled(btn_inst) && form.enabled(btn_atras3)) << form.describe();
        EXPECT_TRUE(form.visible(btn_Cancel) && !form.visible(btn_fin));
    }

    std::vector<std::string> log() const { return form.at(ListaFicheros).lines; }
};

inline std::string box(int style, const std::string& text) { return std::to_string(style) + " " + text; }

}  // namespace vorlan::test
