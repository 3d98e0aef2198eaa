#include <span>

#include "copy/paths.h"
#include "wizard/app.h"

namespace vorlan {
namespace {

enum class Prop { Visible, Enabled, Checked };

struct Step {
    Ctl control;
    Prop prop;
    bool value;
};

constexpr Step show(Ctl c) { return {c, Prop::Visible, true}; }
constexpr Step hide(Ctl c) { return {c, Prop::Visible, false}; }

// Each move sets one property of one control at a time, in this order.
// clang-format off
constexpr Step kPage0To1[] = {
    hide(Texto_Presentacion), hide(btn_sig0), show(TituloPresentacion), show(Label3), show(Option1), show(Label4),
    show(Option2),            show(Label5),   show(btn_atras1),         show(btn_sig1), show(Leeme),
};

// After starting the setup program the page stays, with the choice cleared.
constexpr Step kStayOnPage1[] = {
    show(Label3), show(Option1), {Option1, Prop::Checked, false}, show(Label4), {Option1, Prop::Enabled, true},
    show(Option2), show(Label5), show(btn_atras1), show(btn_sig1),
};

constexpr Step kPage1To3[] = {
    hide(TituloPresentacion), hide(Label3),       hide(Option1), hide(Label4),      hide(Option2),
    hide(Label5),             hide(btn_atras1),   hide(btn_sig1), hide(Leeme),      show(TituloCarto),
    show(ListaFicheros),      show(Label1),       show(NumFilesCopy), show(Label2), show(NumFilesToCopy),
    show(ProgressBar),        show(ProgressBarT), show(btn_atras3), show(btn_inst),
};

constexpr Step kPage3To1[] = {
    hide(ListaFicheros), hide(Label1),     hide(NumFilesCopy),      hide(Label2),   hide(NumFilesToCopy),
    hide(ProgressBar),   hide(ProgressBarT), hide(btn_atras3),      hide(btn_inst), hide(ListaFicherosFail),
    hide(btn_inferr),    hide(TituloCarto), show(TituloPresentacion), show(Label3), show(Option1),
    show(Label4),        show(Option2),    show(Label5),            show(btn_atras1), show(btn_sig1),
    show(Leeme),
};

constexpr Step kPage1To0[] = {
    hide(Label3), hide(Option1), hide(Label4), hide(Option2), hide(Label5),
    hide(btn_atras1), hide(btn_sig1), hide(Leeme), show(Texto_Presentacion), show(btn_sig0),
};
// clang-format on

void apply(Form& form, std::span<const Step> steps) {
    for (const Step& s : steps) {
        switch (s.prop) {
            case Prop::Visible: form.set_visible(s.control, s.value); break;
            case Prop::Enabled: form.set_enabled(s.control, s.value); break;
            case Prop::Checked: form.set_checked(s.control, s.value); break;
        }
    }
}

// After a move the focus goes where the user goes next on the page entered:
// on, with its forward button, or, on page 1 with nothing chosen yet, to the
// choice. Left to itself it would fall from the hidden button to the next tab
// stop, "Cancelar", where the Space bar pressed again to go on asks whether
// to quit.
void focus_page(Form& form, int page) {
    switch (page) {
        case 0: form.set_focus(btn_sig0); break;
        case 1: form.set_focus(form.checked(Option1) || form.checked(Option2) ? btn_sig1 : Option1); break;
        case 3: form.set_focus(btn_inst); break;
        default: break;
    }
}

}  // namespace

void move_forward(App& app, int page) {
    Form& form = app.form;
    if (page == 0) {
        apply(form, kPage0To1);
        focus_page(form, 1);
        load_readme(app, app.state.program_folder + "\\leeme.txt");
    } else if (page == 1) {
        if (form.checked(Option1)) {
            std::string err;
            if (!app.programs.start_minimized(app.state.setup_program, &err)) {
                // Nothing has changed yet: the page stays as it is.
                form.message_box("No se ha podido iniciar el programa de instalación de la aplicación:\n" +
                                     collapse_separators(app.state.setup_program) + "\n" + err,
                                 MB_STYLE_STOP, kTitle);
                return;
            }
            apply(form, kStayOnPage1);
            focus_page(form, 1);
        }
        if (form.checked(Option2)) {
            apply(form, kPage1To3);
            // The failure list keeps its lines until the next install run.
            if (form.list_count(ListaFicherosFail) != 0) form.set_visible(btn_inferr, true);
            focus_page(form, 3);
        }
    }
}

void move_back(App& app, int page) {
    if (page == 1) {
        apply(app.form, kPage1To0);
        focus_page(app.form, 0);
    }
    if (page == 3) {
        apply(app.form, kPage3To1);
        focus_page(app.form, 1);
    }
}

void btn_sig0_Click(App& app) { move_forward(app, 0); }
void btn_sig1_Click(App& app) { move_forward(app, 1); }
void btn_atras1_Click(App& app) { move_back(app, 1); }
void btn_atras3_Click(App& app) { move_back(app, 3); }

}  // namespace vorlan
