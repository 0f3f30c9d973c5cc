#pragma once

#include <functional>
#include <string>

#include "form_view.h"

namespace tolvane {

// A check box with its Value (0 unticked, 1 ticked) and its ToolTipText, shown through
// the view. Setting a value other than the present one runs Click before the set
// returns, exactly as a user's click does; setting the present value again runs nothing.
// (Qt would nest the handler through its signal, Win32 raises nothing for BM_SETCHECK:
// the rule is the window's own, so it holds on both.)
class CheckBox {
  public:
    // The box starts with the layout's value, shown at once.
    CheckBox(FormView& view, Control control, int value, std::string toolTip)
        : view_(view), control_(control), value_(value), toolTip_(std::move(toolTip)) {
        view_.setCheck(control_, value != 0);
    }

    std::function<void()> Click;

    int Value() const { return value_; }
    void setValue(int value) {
        if (value == value_) {
            return;
        }
        value_ = value;
        view_.setCheck(control_, value != 0);
        if (Click) {
            Click();
        }
    }

    const std::string& ToolTipText() const { return toolTip_; }
    void setToolTipText(const std::string& tip) {
        toolTip_ = tip;
        view_.setToolTip(control_, tip);
    }

  private:
    FormView& view_;
    Control control_;
    int value_;
    std::string toolTip_;
};

}  // namespace tolvane
