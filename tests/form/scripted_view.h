#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "form_view.h"

namespace tolvane::test {

// The window as Main_Form sets it, with no toolkit: every text, state and row kept for
// the tests to read. A yield runs the next scripted user action, if any.
class ScriptedView : public FormView {
  public:
    std::string title = "Make directory contents file";
    std::map<Control, std::string> captions;
    std::map<Control, bool> enabled;
    std::map<Control, bool> checks;
    std::map<Control, std::string> tips;
    std::map<Control, std::vector<ListRow>> rows;
    std::map<Control, int> highlights;
    int shows = 0;
    int yields = 0;
    // The user's input arriving meanwhile: each yield runs the next one, if any.
    std::deque<std::function<void()>> atYield;

    bool isEnabled(Control control) const {
        const auto found = enabled.find(control);
        return found == enabled.end() || found->second;
    }
    std::vector<std::string> rowTexts(Control list) const {
        std::vector<std::string> texts;
        for (const ListRow& row : rows.at(list)) {
            texts.push_back(row.text);
        }
        return texts;
    }

    void setTitle(const std::string& text) override { title = text; }
    void setCaption(Control control, const std::string& caption) override {
        captions[control] = caption;
    }
    void setEnabled(Control control, bool on) override { enabled[control] = on; }
    void setCheck(Control box, bool ticked) override { checks[box] = ticked; }
    void setToolTip(Control control, const std::string& tip) override { tips[control] = tip; }
    void setRows(Control list, const std::vector<ListRow>& listRows) override {
        rows[list] = listRows;
        highlights[list] = -1;
    }
    void setHighlight(Control list, int row) override { highlights[list] = row; }
    void show() override { ++shows; }
    void yield() override {
        ++yields;
        if (!atYield.empty()) {
            const std::function<void()> action = std::move(atYield.front());
            atYield.pop_front();
            action();
        }
    }
};

}  // namespace tolvane::test
