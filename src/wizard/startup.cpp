#include <cmath>

#include "wizard/app.h"
#include "wizard/texts.h"

namespace vorlan {

namespace {

// Marks a question as open for as long as it is on screen.
class OpenQuestion {
public:
    explicit OpenQuestion(bool& open) : open_(open) { open_ = true; }
    ~OpenQuestion() { open_ = false; }
    OpenQuestion(const OpenQuestion&) = delete;
    OpenQuestion& operator=(const OpenQuestion&) = delete;

private:
    bool& open_;
};

}  // namespace

Position centred(WorkArea area, Twips window) {
    // The differences are taken in single precision and rounded half to even
    // before the halving, which truncates toward zero: a window 3 twips wider
    // than the work area lands 1 twip left of it. The work area, not the
    // screen: on a small screen the window's buttons would lie under the
    // taskbar, and on a second screen the window belongs on that one.
    const float dx = area.size.width - window.width;
    const float dy = area.size.height - window.height;
    return {static_cast<std::int32_t>(std::nearbyint(area.left)) + static_cast<std::int32_t>(std::nearbyint(dx)) / 2,
            static_cast<std::int32_t>(std::nearbyint(area.top)) + static_cast<std::int32_t>(std::nearbyint(dy)) / 2};
}

InstallerState installer_state(const std::string& program_folder, const std::string& destination) {
    // Plain concatenation: from a drive root the derived paths hold a doubled
    // separator ("D:\\vorlan"), which the file system and the path mapping accept.
    return {program_folder, program_folder + "\\aplicacion\\vorlan.exe", program_folder + "\\vorlan", destination};
}

void Form_Load(App& app) {
    if (!app.system.claim_single_instance()) {
        app.form.message_box(kAlreadyRunning, MB_STYLE_WARN, kTitle);
        app.system.end_process();
    }
    const Position at = centred(app.form.work_area(), app.form.outer_size());
    app.form.move(at.left, at.top);
    app.state = installer_state(app.system.program_folder(), app.destination);
    app.form.set_back_color(ListaFicherosFail, kYellow);
    app.form.set_bold(ListaFicherosFail, true);
    app.form.set_fore_color(ListaFicherosFail, kRed);
}

void btn_Cancel_Click(App& app) {
    // A close request from outside (a management tool, taskkill) that comes
    // while the question is open gets no second question: the one on screen
    // answers it, and a No to a second would let the copy go on while the
    // first still asks.
    if (app.exit_question_open) return;
    // No file starts while the question is open; No goes on where it was.
    if (app.copy_run) app.copy_run->hold(true);
    const int answer = [&] {
        const OpenQuestion open(app.exit_question_open);
        return app.form.message_box(
            "¿Está seguro de que desea salir del programa?\nSe cerrarán todos los procesos pendientes.",
            MB_STYLE_WARN_YES_NO, kTitle);
    }();
    if (answer != ANSWER_YES) {
        if (app.copy_run) app.copy_run->hold(false);
        return;
    }
    // The process ends at once, but not with a partly written file where the
    // application would take it for data.
    if (app.copy_run) app.copy_run->abandon();
    app.system.end_process();
}

void btn_fin_Click(App& app) { app.system.end_process(); }

void Form_Close(App& app) { btn_Cancel_Click(app); }

void on_click(App& app, int id) {
    switch (id) {
        case btn_Cancel: return btn_Cancel_Click(app);
        case btn_fin: return btn_fin_Click(app);
        case btn_sig0: return btn_sig0_Click(app);
        case btn_sig1: return btn_sig1_Click(app);
        case btn_atras1: return btn_atras1_Click(app);
        case btn_atras3: return btn_atras3_Click(app);
        case Option1: return Option1_Click(app);
        case Option2: return Option2_Click(app);
        case Label4: return Label4_Click(app);
        case Label5: return Label5_Click(app);
        case btn_inst: return btn_inst_Click(app);
        case btn_inferr: return btn_inferr_Click(app);
        default: return;
    }
}

}  // namespace vorlan
