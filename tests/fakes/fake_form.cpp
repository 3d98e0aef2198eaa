#include "fakes/fake_form.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vorlan::test {

FakeForm::FakeForm() {
    for (const ControlDesign& d : kDesign) {
        ControlState& s = at(d.id);
        s.visible = d.visible;
        s.enabled = d.enabled;
        s.text = d.caption;
    }
}

std::string& FakeForm::line(int id, int index) const {
    std::vector<std::string>& lines = controls_.at(static_cast<std::size_t>(id - Picture2)).lines;
    if (index >= 0 && static_cast<std::size_t>(index) < lines.size()) return lines[static_cast<std::size_t>(index)];
    ADD_FAILURE() << control_name(id) << ": no line " << index;
    static std::string none;
    return none;
}

void FakeForm::set_progress(int id, double percent) {
    if (!(percent >= 0 && percent <= 100)) ADD_FAILURE() << control_name(id) << ": " << percent;
    at(id).progress = percent;
}

void FakeForm::set_focus(int id) {
    if (!at(id).visible || !at(id).enabled) ADD_FAILURE() << "focus on " << control_name(id) << "\n" << describe();
    focus = id;
}

int FakeForm::message_box(const std::string& text, int style, const std::string& title) {
    boxes.push_back({text, style, title});
    if (while_box_open) while_box_open();
    if ((style & 0xF) == 0) return ANSWER_OK;
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text;
        return ANSWER_NO;
    }
    const int a = answers.front();
    answers.pop_front();
    return a;
}

void FakeForm::yield() {
    ++yields;
    if (on_every_yield) on_every_yield();
}

std::vector<int> FakeForm::visible_ids() const {
    std::vector<int> ids;
    for (const ControlDesign& d : kDesign)
        if (at(d.id).visible) ids.push_back(d.id);
    return ids;
}

std::string control_name(int id) { return id >= Picture2 && id <= Label2 ? design(id).name : std::to_string(id); }

std::string FakeForm::describe() const {
    std::ostringstream out;
    for (const ControlDesign& d : kDesign) {
        const ControlState& s = at(d.id);
        out << d.name << (s.visible ? " visible" : " hidden") << (s.enabled ? "" : " disabled")
            << (s.checked ? " checked" : "") << " text=\"" << s.text << "\" progress=" << s.progress;
        if (!s.lines.empty()) out << " lines=" << s.lines.size() << " last=\"" << s.lines.back() << "\"";
        out << "\n";
    }
    for (const auto& b : boxes) out << "box " << b.style << " \"" << b.text << "\"\n";
    if (focus) out << "focus " << control_name(focus) << "\n";
    return out.str();
}

}  // namespace vorlan::test
