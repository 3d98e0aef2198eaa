#include "copy/copy.h"

namespace vorlan {

void btn_inst_Click(App&) {}
void btn_inferr_Click(App&) {}

}  // namespace vorlan
