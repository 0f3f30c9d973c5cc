#include "console_window.h"

namespace tolvane {

ConsoleWindow::ConsoleWindow(std::string folder, std::FILE* messages)
    : folder_(std::move(folder)), messages_(messages) {}

void ConsoleWindow::showMessage(const std::string& text, const std::string& title) {
    std::string shown = title + "\n" + text + "\n";
    for (char& c : shown) {
        if (c == '\r') {
            c = '\n';
        }
    }
    std::fputs(shown.c_str(), messages_);
    std::fflush(messages_);
    titles_.push_back(title);
}

}  // namespace tolvane
