#include "fakes/fake_form.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vorlan::test {

FakeForm::FakeForm() {
    for (const ControlDesign& d : kDesign) {
        ControlState s;
        s.visible = d.visible;
        s.enabled = d.enabled;
        s.text = d.caption;
        controls_[d.id] = s;
    }
}

ControlState& FakeForm::at(int id) {
    auto it = controls_.find(id);
    if (it == controls_.end()) throw std::out_of_range("no control " + std::to_string(id));
    return it->second;
}

const ControlState& FakeForm::at(int id) const { return const_cast<FakeForm*>(this)->at(id); }

void FakeForm::list_clear(int id) {
    at(id).lines.clear();
    at(id).selected = -1;
}

std::string FakeForm::list_line(int id, int index) const {
    const auto& lines = at(id).lines;
    if (index < 0 || static_cast<std::size_t>(index) >= lines.size()) {
        ADD_FAILURE() << control_name(id) << ": no line " << index;
        return {};
    }
    return lines[static_cast<std::size_t>(index)];
}

void FakeForm::list_set_line(int id, int index, const std::string& line) {
    auto& lines = at(id).lines;
    if (index < 0 || static_cast<std::size_t>(index) >= lines.size()) {
        ADD_FAILURE() << control_name(id) << ": no line " << index;
        return;
    }
    lines[static_cast<std::size_t>(index)] = line;
}

void FakeForm::list_select(int id, int index) {
    if (index < 0 || index >= list_count(id)) ADD_FAILURE() << control_name(id) << ": no line " << index;
    at(id).selected = index;
}

void FakeForm::set_progress(int id, double percent) {
    EXPECT_GE(percent, 0.0) << control_name(id);
    EXPECT_LE(percent, 100.0) << control_name(id);
    at(id).progress = percent;
    at(id).progress_history.push_back(percent);
}

int FakeForm::message_box(const std::string& text, int style, const std::string& title) {
    boxes.push_back({text, style, title});
    if ((style & 0xF) == 0) return ANSWER_OK;
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text;
        return ANSWER_NO;
    }
    int a = answers.front();
    answers.pop_front();
    return a;
}

void FakeForm::yield() {
    ++yields;
    auto it = on_yield.find(yields);
    if (it != on_yield.end()) {
        auto action = std::move(it->second);
        on_yield.erase(it);
        action();
    }
    if (on_every_yield) on_every_yield();
}

std::vector<int> FakeForm::visible_ids() const {
    std::vector<int> ids;
    for (const auto& [id, s] : controls_)
        if (s.visible) ids.push_back(id);
    return ids;
}

std::string control_name(int id) {
    if (id < Picture2 || id > Label2) return "control " + std::to_string(id);
    return design(id).name;
}

std::string FakeForm::describe() const {
    std::ostringstream out;
    for (const auto& [id, s] : controls_) {
        out << control_name(id) << (s.visible ? " visible" : " hidden") << (s.enabled ? "" : " disabled")
            << (s.checked ? " checked" : "") << " text=\"" << s.text << "\"";
        if (!s.lines.empty()) out << " lines=" << s.lines.size() << " last=\"" << s.lines.back() << "\"";
        out << " progress=" << s.progress << "\n";
    }
    for (const auto& b : boxes) out << "box " << b.style << " \"" << b.text << "\"\n";
    return out.str();
}

}  // namespace vorlan::test
