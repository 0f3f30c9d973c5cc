#pragma once

#include <QCheckBox>

namespace tolvane {

// A check box with its Value: 0 unticked, 1 ticked. Setting a different value from code
// emits toggled() before the set returns, exactly as a user's click does, so the click
// handler (connected to toggled) nests inside the set; setting the current value again
// emits nothing.
class CheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

    int Value() const { return isChecked() ? 1 : 0; }
    void setValue(int value) { setChecked(value != 0); }
};

}  // namespace tolvane
