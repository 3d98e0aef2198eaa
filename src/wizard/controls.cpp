#include "wizard/controls.h"

namespace vorlan {
namespace {

constexpr Font kSans{Face::SansSerif, 8.25f, false};
constexpr Font kSansBold{Face::SansSerif, 8.25f, true};
constexpr Font kNone{};
constexpr Font kArial(float points, bool bold = false) { return Font{Face::Arial, points, bold}; }

constexpr const char* kPresentationText =
    "Programa para la instalación de la aplicación y datos\r\n"
    "del mapa de velandros.\r\n"
    "VORLAN\r\n"
    " \r\n"
    " \r\n"
    " \r\n"
    "Presione siguiente para continuar\r\n";

constexpr unsigned kCounter = STYLE_READONLY | STYLE_RIGHT | STYLE_NOBORDER;
constexpr unsigned kTitle = STYLE_CENTER | STYLE_WRAP;

}  // namespace

// clang-format off
const std::array<ControlDesign, kControlCount> kDesign = {{
    // the presentation picture, on the left of every page
    {Picture2, "Picture2", Kind::Picture, "", kNone, 120, 1440, 3855, 5175, true, true, 27, -1, 0},
    // the error report: the failed files of the last run
    {ListaFicherosFail, "ListaFicherosFail", Kind::List, "", kArial(9), 4080, 1560, 7695, 3885, false, true, 25, 19, 0},
    {btn_fin, "btn_fin", Kind::Button, "Finalizar", kSans, 9960, 6960, 1815, 375, false, true, 23, -1, 0},
    // shows and hides the error report
    {btn_inferr, "btn_inferr", Kind::Button, "Informe de errores", kSans, 1800, 6960, 1815, 375, false, true, 22, -1, 0},
    // "Siguiente" on the presentation page (page 0)
    {btn_sig0, "btn_sig0", Kind::Button, "Siguiente", kSans, 7920, 6960, 1815, 375, true, true, 20, -1, 0},
    // the choice "Copiar datos de la aplicación" (its caption is Label5)
    {Option2, "Option2", Kind::Option, "Option1", kNone, 4320, 2720, 255, 555, false, true, 15, -1, 0},
    // the choice "Instalar aplicación VORLAN" (its caption is Label4)
    {Option1, "Option1", Kind::Option, "Option1", kNone, 4320, 2150, 255, 555, false, true, 13, -1, 0},
    // "Siguiente" on the readme page (page 1)
    {btn_sig1, "btn_sig1", Kind::Button, "Siguiente", kSans, 7920, 6960, 1815, 375, false, false, 18, -1, 0},
    // "Atrás" on the readme page
    {btn_atras1, "btn_atras1", Kind::Button, "Atrás", kSans, 6000, 6960, 1815, 375, false, true, 17, -1, 0},
    // "Atrás" on the copy page (page 3)
    {btn_atras3, "btn_atras3", Kind::Button, "Atrás", kSans, 6000, 6960, 1815, 375, false, true, 9, -1, 0},
    // the bar of the file being copied
    {ProgressBar, "ProgressBar", Kind::Progress, "", kNone, 4080, 5880, 7695, 375, false, true, 4, -1, 0},
    // the count of files found
    {NumFilesToCopy, "NumFilesToCopy", Kind::Text, "0", kSans, 6720, 5640, 495, 285, false, true, 7, 15, kCounter},
    // the count of files copied so far
    {NumFilesCopy, "NumFilesCopy", Kind::Text, "0", kSans, 5880, 5640, 495, 285, false, true, 6, 15, kCounter},
    {btn_Cancel, "btn_Cancel", Kind::Button, "Cancelar", kSans, 9960, 6960, 1815, 375, true, true, 2, -1, 0},
    // starts the data installation
    {btn_inst, "btn_inst", Kind::Button, "Instalar", kSansBold, 7920, 6960, 1815, 375, false, true, 0, -1, 0},
    // the bar of the whole copy
    {ProgressBarT, "ProgressBarT", Kind::Progress, "", kNone, 4080, 6360, 7695, 375, false, true, 1, -1, 0},
    {Texto_Presentacion, "Texto_Presentacion", Kind::Text, kPresentationText, kArial(14.25f), 4080, 1440, 7695, 2775, true, true, 19, 22,
     STYLE_MULTILINE | STYLE_READONLY | STYLE_CENTER},
    // the readme's text (leeme.txt)
    {Leeme, "Leeme", Kind::Text, "", kSans, 4080, 3360, 7695, 3375, false, true, 11, 14,
     STYLE_MULTILINE | STYLE_VSCROLL | STYLE_READONLY},
    // the copy's log, one line per file
    {ListaFicheros, "ListaFicheros", Kind::List, "", kArial(8.25f), 4080, 1560, 7695, 3840, false, true, 24, 20, 0},
    // the copy page's title
    {TituloCarto, "TituloCarto", Kind::Label,
     "VORLAN: instalación de los datos de la aplicación sobre SIG para la consulta de los mapas de velandros",
     kArial(15.75f, true), 240, 240, 11655, 1215, false, true, 26, 15, kTitle},
    // the title of pages 0 and 1
    {TituloPresentacion, "TituloPresentacion", Kind::Label,
     "VORLAN: aplicación sobre SIG para la consulta de los mapas de velandros",
     kArial(15.75f, true), 120, 240, 11655, 1335, true, true, 21, 15, kTitle},
    // "Elija una opción:" above the two choices
    {Label3, "Label3", Kind::Label, "Elija una opción:", kArial(14.25f), 4200, 1560, 2295, 375, false, true, 12, 15, 0},
    // the caption of Option2, clickable
    {Label5, "Label5", Kind::Label, kCopyChoice, kArial(14.25f), 4800, 2780, 6855, 375, false, true, 16, 15, 0},
    // the caption of Option1, clickable
    {Label4, "Label4", Kind::Label, kInstallChoice, kArial(14.25f), 4800, 2250, 4575, 375, false, true, 14, 15, 0},
    // the rule above the buttons
    {Line1, "Line1", Kind::Line, "", kNone, 0, 6840, 11880, 6840, true, true, -1, -1, 0},
    // "Progreso de instalación:" before the counts
    {Label1, "Label1", Kind::Label, "Progreso de instalación:", kSans, 4080, 5640, 1815, 375, false, true, 5, 15, 0},
    // "de" between the two counts
    {Label2, "Label2", Kind::Label, "de", kSans, 6000, 5640, 255, 375, false, true, 3, 15, 0},
}};
// clang-format on

const std::array<AccessibleName, kAccessibleNameCount> kAccessibleNames = {{
    {Picture2, "Mapa de presentación de VORLAN"},
    {Option1, kInstallChoice},
    {Option2, kCopyChoice},
    {Texto_Presentacion, "Presentación"},
    {Leeme, "Léame"},
    {ListaFicheros, "Registro de la copia"},
    {ListaFicherosFail, "Informe de errores"},
    // The counters' values are their texts, every digit of them.
    {NumFilesCopy, "Archivos copiados"},
    {NumFilesToCopy, "Archivos que copiar"},
    {ProgressBar, "Progreso del archivo"},
    {ProgressBarT, "Progreso total de la copia"},
}};

const ControlDesign& design(int id) { return kDesign.at(static_cast<std::size_t>(id - Picture2)); }

}  // namespace vorlan
