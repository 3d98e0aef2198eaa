#pragma once
// A form that records what the core sets, answers message boxes from a script,
// and can run an action from inside a yield (a click during a copy).

#include <array>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/form.h"
#include "wizard/controls.h"

namespace vorlan::test {

struct ControlState {
    bool visible = false;
    bool enabled = true;
    bool checked = false;
    std::string text;
    std::vector<std::string> lines;
    double progress = 0;
    std::uint32_t back = 0, fore = 0;
    bool bold = false;
};

struct MessageBoxCall {
    std::string text;
    int style;
    std::string title;
};

class FakeForm : public Form {
public:
    FakeForm();  // every control in its design state

    void set_visible(int id, bool v) override { at(id).visible = v; }
    bool visible(int id) const override { return at(id).visible; }
    void set_enabled(int id, bool v) override { at(id).enabled = v; }
    bool enabled(int id) const override { return at(id).enabled; }
    void set_text(int id, const std::string& t) override { at(id).text = t; }
    std::string text(int id) const override { return at(id).text; }
    void set_checked(int id, bool c) override { at(id).checked = c; }
    bool checked(int id) const override { return at(id).checked; }
    void list_add(int id, const std::string& line) override { at(id).lines.push_back(line); }
    void list_clear(int id) override { at(id).lines.clear(); }
    int list_count(int id) const override { return static_cast<int>(at(id).lines.size()); }
    std::string list_line(int id, int index) const override { return line(id, index); }
    void list_set_line(int id, int index, const std::string& text) override { line(id, index) = text; }
    void list_select(int id, int index) override { line(id, index); }
    void set_progress(int id, double percent) override;
    void set_back_color(int id, std::uint32_t bgr) override { at(id).back = bgr; }
    void set_fore_color(int id, std::uint32_t bgr) override { at(id).fore = bgr; }
    void set_bold(int id, bool b) override { at(id).bold = b; }
    int message_box(const std::string& text, int style, const std::string& title) override;
    void yield() override;
    void set_task(Task t, std::function<void()> on_forced_end) override {
        tasks.push_back(t);
        abandon = std::move(on_forced_end);
    }
    Twips outer_size() const override { return {12000, 7935}; }
    WorkArea work_area() const override { return area; }
    void move(std::int32_t left, std::int32_t top) override { moves.push_back({left, top}); }
    // Only a control the user could reach takes the focus.
    void set_focus(int id) override;

    ControlState& at(int id) { return controls_.at(static_cast<std::size_t>(id - Picture2)); }
    const ControlState& at(int id) const { return controls_.at(static_cast<std::size_t>(id - Picture2)); }
    // The ids of the visible controls, in design order.
    std::vector<int> visible_ids() const;
    // Every control's state, for failed assertions.
    std::string describe() const;

    // Answers for the next boxes, in order. A box with OK only needs none.
    std::deque<int> answers;
    std::vector<MessageBoxCall> boxes;
    // Runs inside every yield, after `yields` has counted it.
    std::function<void()> on_every_yield;
    long yields = 0;
    std::vector<std::pair<std::int32_t, std::int32_t>> moves;
    std::vector<Task> tasks;        // every task state set, in order
    std::function<void()> abandon;  // as the last set_task left it
    WorkArea area{0, 0, {19200, 14400}};
    int focus = 0;  // the control set_focus last gave the focus to
    // Runs while a box is open, before it is answered (a close request from outside).
    std::function<void()> while_box_open;

private:
    // A line of a list; a line that is not there fails the test.
    std::string& line(int id, int index) const;
    mutable std::array<ControlState, kControlCount> controls_;  // by id, in design order
};

std::string control_name(int id);

}  // namespace vorlan::test
